#include "app/issue_request_runner.h"

#include "app/operate_task_types.h"
#include "platform/win32/debug_output.h"
#include "studio/data_manager.h"

namespace orvex {

int IssueRequestRunner::AnswerCode(int32_t taskType) {
    return taskType == EM_OPERATETASK_TYPE_ISSUEDSINGLECFG ? 10 : 7;
}

void IssueRequestRunner::run(int32_t taskType, const std::string& cameras,
                             const std::string& config,
                             const std::function<void(const std::string& result)>& push,
                             const IssueWorker::Progress& progress) {
    const bool single = taskType == EM_OPERATETASK_TYPE_ISSUEDSINGLECFG;
    std::lock_guard<std::mutex> guard(lock_);
    if (stopped_) {
        return;  // the program is closing
    }
    OutputDebugStringA(single ? "issued single dev: " : "issued dev: ");
    OutputDebugStringA(cameras.c_str());
    OutputDebugStringA("\n");
    OutputDebugStringA(single ? "issued single cfg: " : "issued cfg: ");
    OutputDebugStringA(config.c_str());
    OutputDebugStringA("\n");

    // The worker is made first: its concurrency also bounds the targets' reads.
    if (!worker_) {
        worker_ = std::make_unique<IssueWorker>(DataManager::instance());
    }
    DataManager& store = DataManager::instance();
    store.setIssuedObject(cameras, worker_->concurrency(), &stopped_);
    store.setIssuedConfig(config);
    worker_->Run(progress, &stopped_);
    if (push) {
        push(worker_->result);
    }
}

}  // namespace orvex
