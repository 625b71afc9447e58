// OperateTask: one unit of slow work for a ThreadPool, tagged with its owner's task type.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orvex {

struct OperateTask {
    int32_t type = 0;   // the owner's task type (the application's are in app/operate_task_types.h)
    std::string param;  // the page's request text, UTF-8
    // The issue types carry their IssueRequest here. Copies of a task share it, and it is freed
    // with the last copy, so a task dropped from the queue at Stop releases its payload too.
    std::shared_ptr<void> data;
};

}  // namespace orvex
