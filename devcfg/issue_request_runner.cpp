#include "devcfg/issue_request_runner.h"

#include "platform/win32/debug_output.h"
#include "studio/data_manager.h"
#include "support/operate_task.h"

namespace orvex {

int IssueRequestRunner::AnswerCode(int32_t taskType) {
    return taskType == EM_OPERATETASK_TYPE_ISSUEDSINGLECFG ? 10 : 7;
}

void IssueRequestRunner::run(int32_t taskType, const std::string& cameras,
                             const std::string& config,
                             const std::function<void(const std::string& result)>& push) {
    const bool single = taskType == EM_OPERATETASK_TYPE_ISSUEDSINGLECFG;
    std::lock_guard<std::mutex> guard(lock_);
    OutputDebugStringA(single ? "issued single dev: " : "issued dev: ");
    OutputDebugStringA(cameras.c_str());
    OutputDebugStringA("\n");
    OutputDebugStringA(single ? "issued single cfg: " : "issued cfg: ");
    OutputDebugStringA(config.c_str());
    OutputDebugStringA("\n");

    DataManager& store = DataManager::instance();
    store.setIssuedObject(cameras);
    store.setIssuedConfig(config);
    if (!worker_) {
        worker_ = std::make_unique<IssueWorker>();
    }
    worker_->Run();
    if (push) {
        push(worker_->result);
    }
}

}  // namespace orvex
