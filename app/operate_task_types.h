// The application's task types: the kinds of slow work the main window hands its thread pool.
#pragma once

#include <cstdint>

#include "support/operate_task.h"

namespace orvex {

enum EM_OPERATETASK_TYPE : int32_t {
    EM_OPERATETASK_TYPE_DEVCONFIG_WIFILST = 0,
    EM_OPERATETASK_TYPE_CAMERASCFG = 1,
    EM_OPERATETASK_TYPE_CAMERASCFG_RANGE = 2,
    EM_OPERATETASK_TYPE_ISSUEDCFG = 3,
    EM_OPERATETASK_TYPE_ISSUEDSINGLECFG = 4,
    EM_OPERATETASK_TYPE_CHECKPASSWORD = 5,  // the page's password check, off the GUI thread
    EM_OPERATETASK_TYPE_READ_TARGETS = 6,   // query 20: the targets' configurations (answer 14)
    EM_OPERATETASK_TYPE_LIST_BACKUPS = 7,   // query 21: the backup passes (answer 15)
    EM_OPERATETASK_TYPE_RESTORE = 8,        // query 22: a restore from a backup pass (answer 16)
};

}  // namespace orvex
