// OrvexBrowserCore: the main window's work that needs no window: the page's requests and the
// studio's events dispatched to the store, the task pool, the studio link and the statistics.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "app/issue_request_runner.h"
#include "app/script_runner.h"
#include "platform/win32/win_types.h"
#include "platform/win32/window_messages.h"
#include "studio/studio_link_client.h"
#include "support/thread_pool.h"

namespace orvex {

// The page address reported in statistics; never loaded.
inline constexpr const char* kBuiltInPageAddress =
    "https://h5.orvex.example/qm_h5/studio/index.html";

// The answer that tells the page where a download it started went (WM_DOWNLOAD_END), and its
// text: {"saved": bool, "fileName": the page's name, "path": the saved file, empty if unsaved}.
inline constexpr int kDownloadAnswerCode = 13;
std::string DownloadAnswerText(const DownloadEnd& download);

class OrvexBrowserCore : public ThreadPool {
  public:
    // Starts the four pool workers. `studio` is where the studio link connects (127.0.0.1:5905
    // in the program; tests give another). GUI thread.
    explicit OrvexBrowserCore(const std::string& pageAddress, StudioEndpoint studio = {});
    ~OrvexBrowserCore() override;

    // GUI thread, before the window is created.
    void SetUserInfo(const std::string& userId, const std::string& userName);
    void SetHostInfo(const std::string& host, const std::string& domainIp);

    // 17 when the page address contains "synchronousConfiguration", otherwise 16. Any thread.
    int pageType() const { return pageType_; }
    const std::string& pageAddress() const { return pageAddress_; }
    const std::string& uuid() const { return uuid_; }
    bool isClosing() const { return isClosing_.load(); }

    // Window init: creates and starts the studio link bound to `hwnd` when there is none yet,
    // and gives `hwnd` to the store. GUI thread.
    void StartStudioLink(HWND hwnd);
    // Window init, once the browser control exists: answers run through `runner` from now on,
    // the uuid is made and the load report is opened. GUI thread.
    void AttachBrowser(ScriptRunner* runner);
    // The browser is going away: answers are dropped from now on. GUI thread.
    void DetachBrowser();

    // The program's own window messages (WM_STUDIO_CONNECTED .. WM_DOWNLOAD_END): handles
    // one, frees its payload and returns true; false for any other message. GUI thread.
    bool HandleProgramMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // The first part of closing: false when closing has already begun; otherwise ends a running
    // issue early (after each camera's current item), stops the pool (waiting for running tasks;
    // queued ones are dropped) and marks the window closing.
    // GUI thread.
    bool BeginClose();

  protected:
    // Puts the page's title (ANSI code page) into the window's title label. GUI thread.
    virtual void SetTitleText(const std::string& ansiTitle) = 0;
    // Closes the window (the "btn_close" click does the same). GUI thread.
    virtual void CloseWindow() = 0;

    void HandleTask(OperateTask& task) override;

  private:
    void OnQueryInfo(int type, const std::string& request);
    void OnConfigName(const std::string& ansiName);
    void OnCheckPassword(const std::string& request);
    // The password check and its answers; a pool worker.
    void CheckPassword(const std::string& request);
    void ReportLoadResult(int r, int code, const std::string& errorText);
    void SendToStudio(int32_t type, const std::string& text);

    const std::string pageAddress_;
    const int pageType_;
    const StudioEndpoint studioEndpoint_;
    std::string userId_, userName_, host_, domainIp_;
    std::string uuid_;
    std::string statisticsSuffix_;
    bool loadReported_ = false;
    std::atomic<bool> isClosing_{false};
    std::atomic<ScriptRunner*> runner_{nullptr};
    StudioLinkClient* studioLink_ = nullptr;  // created on window init, never destroyed
    IssueRequestRunner issueRunner_;
};

}  // namespace orvex
