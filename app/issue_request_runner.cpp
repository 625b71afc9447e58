#include "app/issue_request_runner.h"

#include "app/backup_answers.h"
#include "app/operate_task_types.h"
#include "devcfg/target_config_reads.h"
#include "platform/win32/debug_output.h"
#include "studio/data_manager.h"
#include "support/json_text.h"

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
    IssueWorker& issuer = worker();
    DataManager& store = DataManager::instance();
    store.setIssuedObject(cameras, issuer.concurrency(), &stopped_);
    store.setIssuedConfig(config);
    issuer.Run(progress, &stopped_);
    if (push) {
        push(issuer.result);
    }
}

IssueWorker& IssueRequestRunner::worker() {
    if (!worker_) {
        worker_ = std::make_unique<IssueWorker>(DataManager::instance());
    }
    worker_->setBackupStore(backups_.get());
    return *worker_;
}

void IssueRequestRunner::restore(const std::string& request,
                                 const std::function<void(const std::string& result)>& push,
                                 const IssueWorker::Progress& progress) {
    std::lock_guard<std::mutex> guard(lock_);
    if (stopped_) {
        return;
    }
    std::string passId;
    std::vector<CameraRecord> cameras;
    std::string answer;
    if (!ReadRestoreRequest(request, passId, cameras)) {
        Json::Value error(Json::objectValue);
        error["passId"] = passId;
        error["error"] = "恢复请求无法读取";
        answer = WriteJson(error);
    } else {
        IssueWorker& issuer = worker();
        issuer.Restore(passId, cameras, progress, &stopped_);
        answer = issuer.result;
    }
    if (push) {
        push(answer);
    }
}

std::string IssueRequestRunner::listBackups() const {
    return BackupPassesText(backups_->listPasses());
}

std::string IssueRequestRunner::readTargets(const std::string& request) {
    return ReadTargetConfigs(request, IssueWorker::ConcurrencyFromEnvironment());
}

}  // namespace orvex
