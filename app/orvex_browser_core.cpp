#include "app/orvex_browser_core.h"

#include <cstdio>

#include "app/bridge_router.h"
#include "app/make_uuid.h"
#include "app/operate_task_types.h"
#include "app/page_answers.h"
#include "app/push_to_h5.h"
#include "app/wifi_answer.h"
#include "platform/win32/debug_output.h"
#include "stats/statistics.h"
#include "studio/data_manager.h"
#include "studio/studio_message.h"
#include "support/gui_thread.h"
#include "support/json_text.h"
#include "support/text_conversion.h"

namespace orvex {
namespace {

constexpr const char* kLoadReport = "studio_client_h5";
constexpr const char* kLoadErrorReport = "studio_client_h5_err";

template <typename T>
std::unique_ptr<T> TakePayload(LPARAM lParam) {
    return std::unique_ptr<T>(reinterpret_cast<T*>(lParam));
}

}  // namespace

std::string DownloadAnswerText(const DownloadEnd& download) {
    Json::Value answer(Json::objectValue);
    answer["saved"] = download.saved;
    answer["fileName"] = download.fileName;
    answer["path"] = download.path;
    return WriteFlatJson(answer);
}

OrvexBrowserCore::OrvexBrowserCore(const std::string& pageAddress, StudioEndpoint studio)
    : pageAddress_(pageAddress),
      pageType_(pageAddress.find("synchronousConfiguration") != std::string::npos ? 17 : 16),
      studioEndpoint_(std::move(studio)) {
    char suffix[10];
    std::snprintf(suffix, sizeof suffix, "%d", pageType_);
    statisticsSuffix_ = suffix;
}

OrvexBrowserCore::~OrvexBrowserCore() = default;

void OrvexBrowserCore::SetUserInfo(const std::string& userId, const std::string& userName) {
    ORVEX_ASSERT_GUI_THREAD();
    userId_ = userId;
    userName_ = userName;
}

void OrvexBrowserCore::SetHostInfo(const std::string& host, const std::string& domainIp) {
    ORVEX_ASSERT_GUI_THREAD();
    host_ = host;
    domainIp_ = domainIp;
}

void OrvexBrowserCore::StartStudioLink(HWND hwnd) {
    ORVEX_ASSERT_GUI_THREAD();
    if (studioLink_ == nullptr) {
        // The link lives as long as the process: its receive thread is never joined.
        studioLink_ =
            new StudioLinkClient(hwnd, studioEndpoint_, [](int32_t type, const std::string& text) {
                DataManager::instance().onStudioMessage(type, text);
            });
        studioLink_->start();
    }
    DataManager::instance().setMainWindow(hwnd);
}

void OrvexBrowserCore::AttachBrowser(ScriptRunner* runner) {
    ORVEX_ASSERT_GUI_THREAD();
    runner_ = runner;
    uuid_ = MakeUuid();
    const char* suffix = statisticsSuffix_.c_str();
    BeginStatistics(kLoadReport, suffix);
    SetStatisticsInt(kLoadReport, suffix, "type", pageType_);
    SetStatisticsString(kLoadReport, suffix, "uuid", uuid_.c_str());
    SetStatisticsString(kLoadReport, suffix, "loadurl", kBuiltInPageAddress);
    StartStatisticsTimer(kLoadReport, suffix, "cost");
}

void OrvexBrowserCore::DetachBrowser() {
    ORVEX_ASSERT_GUI_THREAD();
    runner_ = nullptr;
}

bool OrvexBrowserCore::HandleProgramMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    ORVEX_ASSERT_GUI_THREAD();
    switch (message) {
        case WM_STUDIO_CONNECTED:
            if (studioLink_ != nullptr) {
                studioLink_->sendHello();
            }
            return true;
        case WM_H5_QUERY_INFO:
            OnQueryInfo(static_cast<int>(static_cast<intptr_t>(wParam)),
                        *TakePayload<std::string>(lParam));
            return true;
        case WM_H5_CHANGE_TITLE:
            SetTitleText(*TakePayload<std::string>(lParam));
            return true;
        case WM_H5_ISSUED_CONFIG:
        case WM_H5_ISSUED_SINGLE_CONFIG: {
            OperateTask task;
            task.type = message == WM_H5_ISSUED_CONFIG ? EM_OPERATETASK_TYPE_ISSUEDCFG
                                                       : EM_OPERATETASK_TYPE_ISSUEDSINGLECFG;
            task.data = std::shared_ptr<IssueRequest>(TakePayload<IssueRequest>(lParam));
            AddTask(task);
            return true;
        }
        case WM_H5_CONFIG_NAME:
            OnConfigName(*TakePayload<std::string>(lParam));
            return true;
        case WM_H5_CHECK_PASSWORD:
            OnCheckPassword(*TakePayload<std::string>(lParam));
            return true;
        case WM_STUDIO_QUIT:
            CloseWindow();
            return true;
        case WM_PAGE_LOAD_END: {
            auto record = TakePayload<PageLoadEnd>(lParam);
            int status = record->httpStatusCode;
            ReportLoadResult(status == 200 ? 0 : 1, status, "");
            return true;
        }
        case WM_PAGE_LOAD_ERROR: {
            auto record = TakePayload<PageLoadError>(lParam);
            ReportLoadResult(1, record->errorCode, record->errorText);
            return true;
        }
        case WM_DOWNLOAD_END:
            PushToH5(runner_.load(), kDownloadAnswerCode,
                     DownloadAnswerText(*TakePayload<DownloadEnd>(lParam)));
            return true;
        default:
            return false;
    }
}

void OrvexBrowserCore::OnQueryInfo(int type, const std::string& request) {
    ScriptRunner* runner = runner_.load();
    switch (type) {
        case 1:
            sendToH5GroupInfo(runner);
            break;
        case 2:
            sendToH5GroupCamerasInfo(runner, request);
            break;
        case 3:
            OutputDebugStringA("EM_OPERATETASK_TYPE_CAMERASCFG start");
            AddTask(OperateTask{EM_OPERATETASK_TYPE_CAMERASCFG, request, nullptr});
            break;
        case 4:
            sendToH5AllCamerasInfo(runner);
            break;
        case 5:
            sendToH5CurrentCameraInfo(runner);
            break;
        case 8:
            AddTask(OperateTask{EM_OPERATETASK_TYPE_CAMERASCFG_RANGE, request, nullptr});
            break;
        case 9:
            OutputDebugStringA("EM_OPERATETASK_TYPE_DEVCONFIG_WIFILST start");
            AddTask(OperateTask{EM_OPERATETASK_TYPE_DEVCONFIG_WIFILST, request, nullptr});
            break;
        case 20:
            AddTask(OperateTask{EM_OPERATETASK_TYPE_READ_TARGETS, request, nullptr});
            break;
        case 21:
            AddTask(OperateTask{EM_OPERATETASK_TYPE_LIST_BACKUPS, request, nullptr});
            break;
        case 22:
            AddTask(OperateTask{EM_OPERATETASK_TYPE_RESTORE, request, nullptr});
            break;
        default:  // 6, 7, 10 to 19 and every other type: nothing to answer
            break;
    }
}

void OrvexBrowserCore::HandleTask(OperateTask& task) {
    ScriptRunner* runner = runner_.load();
    switch (task.type) {
        case EM_OPERATETASK_TYPE_DEVCONFIG_WIFILST:
            sendToH5WifiListInfo(runner, task.param);
            break;
        case EM_OPERATETASK_TYPE_CAMERASCFG:
            sendToH5CameraConfigInfo(runner, task.param);
            break;
        case EM_OPERATETASK_TYPE_CAMERASCFG_RANGE:
            sendToH5CameraCfgRangeInfo(runner, task.param);
            break;
        case EM_OPERATETASK_TYPE_ISSUEDCFG:
        case EM_OPERATETASK_TYPE_ISSUEDSINGLECFG: {
            auto request = std::static_pointer_cast<IssueRequest>(task.data);
            if (!request) {
                break;
            }
            int code = IssueRequestRunner::AnswerCode(task.type);
            issueRunner_.run(
                task.type, request->cameras, request->config,
                [this, code](const std::string& result) { PushToH5(runner_.load(), code, result); },
                [this](const std::string& progress) {
                    PushToH5(runner_.load(), IssueRequestRunner::kProgressCode, progress);
                });
            break;
        }
        case EM_OPERATETASK_TYPE_CHECKPASSWORD:
            CheckPassword(task.param);
            break;
        case EM_OPERATETASK_TYPE_READ_TARGETS:
            PushToH5(runner, IssueRequestRunner::kTargetsCode,
                     IssueRequestRunner::readTargets(task.param));
            break;
        case EM_OPERATETASK_TYPE_LIST_BACKUPS:
            PushToH5(runner, IssueRequestRunner::kBackupsCode, issueRunner_.listBackups());
            break;
        case EM_OPERATETASK_TYPE_RESTORE:
            issueRunner_.restore(
                task.param,
                [this](const std::string& result) {
                    PushToH5(runner_.load(), IssueRequestRunner::kRestoreCode, result);
                },
                [this](const std::string& progress) {
                    PushToH5(runner_.load(), IssueRequestRunner::kProgressCode, progress);
                });
            break;
        default:
            break;
    }
}

void OrvexBrowserCore::SendToStudio(int32_t type, const std::string& text) {
    if (studioLink_ == nullptr) {
        return;
    }
    std::vector<char> message = BuildStudioTextMessage(type, text);
    studioLink_->send(message.data(), message.size());
}

void OrvexBrowserCore::OnConfigName(const std::string& ansiName) {
    Json::Value body(Json::objectValue);
    body["cloudCfgName"] = AnsiToUtf8(ansiName.c_str());
    std::string text = FlattenJsonText(WriteJson(body));
    OutputDebugStringA("\n set config name : ");
    OutputDebugStringA(text.c_str());
    OutputDebugStringA("\n");
    SendToStudio(STUDIO_MSG_CONFIG_NAME, text);
}

void OrvexBrowserCore::OnCheckPassword(const std::string& request) {
    // The login can take the whole connect and request limits: a pool worker waits for it, so
    // the window and the page stay responsive.
    AddTask(OperateTask{EM_OPERATETASK_TYPE_CHECKPASSWORD, request, nullptr});
}

void OrvexBrowserCore::CheckPassword(const std::string& request) {
    CameraRecord camera;
    bool passed = false;
    std::string answer = DataManager::instance().CheckDevPassword(request, camera, passed);
    PushToH5(runner_.load(), 11, answer);
    if (passed) {
        // The confirmed camera goes to the studio with its eleven members, as written.
        SendToStudio(STUDIO_MSG_CAMERA, WriteJson(WriteCameraObject(camera)));
    }
}

void OrvexBrowserCore::ReportLoadResult(int r, int code, const std::string& errorText) {
    if (loadReported_) {
        return;
    }
    const char* suffix = statisticsSuffix_.c_str();
    SetStatisticsInt(kLoadReport, suffix, "r", r);
    StopStatisticsTimer(kLoadReport, suffix, "cost");
    SetStatisticsString(kLoadReport, suffix, "id", userId_.c_str());
    SetStatisticsString(kLoadReport, suffix, "un", userName_.c_str());
    SendStatistics(kLoadReport, suffix, false);
    loadReported_ = true;
    if (r != 1) {
        return;
    }
    BeginStatistics(kLoadErrorReport, suffix);
    SetStatisticsInt(kLoadErrorReport, suffix, "type", pageType_);
    SetStatisticsInt(kLoadErrorReport, suffix, "err", code);
    SetStatisticsString(kLoadErrorReport, suffix, "emsg", errorText.c_str());
    SetStatisticsString(kLoadErrorReport, suffix, "resurl", "");
    SetStatisticsString(kLoadErrorReport, suffix, "uuid", uuid_.c_str());
    SetStatisticsString(kLoadErrorReport, suffix, "host", host_.c_str());
    SetStatisticsString(kLoadErrorReport, suffix, "hip", domainIp_.c_str());
    SetStatisticsInt(kLoadErrorReport, suffix, "httpc", code);
    SetStatisticsString(kLoadErrorReport, suffix, "requrl", kBuiltInPageAddress);
    SendStatistics(kLoadErrorReport, suffix, false);
}

bool OrvexBrowserCore::BeginClose() {
    ORVEX_ASSERT_GUI_THREAD();
    if (isClosing_.load()) {
        return false;
    }
    // A running issue ends after the current item of each camera in flight, so that the pool's
    // workers can be joined promptly.
    issueRunner_.stop();
    Stop();
    isClosing_ = true;
    return true;
}

}  // namespace orvex
