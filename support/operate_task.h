// OperateTask: one unit of slow work for the main window's thread pool.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orvex {

enum EM_OPERATETASK_TYPE : int32_t {
    EM_OPERATETASK_TYPE_DEVCONFIG_WIFILST = 0,
    EM_OPERATETASK_TYPE_CAMERASCFG = 1,
    EM_OPERATETASK_TYPE_CAMERASCFG_RANGE = 2,
    EM_OPERATETASK_TYPE_ISSUEDCFG = 3,
    EM_OPERATETASK_TYPE_ISSUEDSINGLECFG = 4,
    EM_OPERATETASK_TYPE_CHECKPASSWORD = 5,  // the page's password check, off the GUI thread
};

struct OperateTask {
    int32_t type = 0;
    std::string param;  // the page's request text, UTF-8
    // The issue types carry their IssueRequest here. Copies of a task share it, and it is freed
    // with the last copy, so a task dropped from the queue at Stop releases its payload too.
    std::shared_ptr<void> data;
};

}  // namespace orvex
