#include "cef3/browser/main_message_loop.h"

#include "platform/duilib/paint_manager_ui.h"
#include "platform/win32/qt/qt_window.h"
#include "support/gui_thread.h"

namespace {

std::atomic<CMainMessageLoopWin*> mainLoop{nullptr};

}  // namespace

// The window procedure of the message window ("Client_MessageWindow").
class MessageWindowProcedure : public orvex::WindowProcedure {
  public:
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        return CMainMessageLoopWin::messageWindowProc(hwnd, message, wParam, lParam);
    }
};

namespace {

MessageWindowProcedure messageWindowProcedure;

}  // namespace

CMainMessageLoopWin::CMainMessageLoopWin()
    : taskMessage_(RegisterWindowMessageA("Client_CustomTask")),
      thread_(std::this_thread::get_id()) {
    mainLoop.store(this);
}

CMainMessageLoopWin::~CMainMessageLoopWin() {
    mainLoop.store(nullptr);
    std::lock_guard<std::mutex> guard(lock_);
    pending_.clear();
}

CMainMessageLoopWin* CMainMessageLoopWin::GetMainMessageLoop() {
    return mainLoop.load();
}

bool CMainMessageLoopWin::RunsTasksOnCurrentThread() const {
    return std::this_thread::get_id() == thread_;
}

void CMainMessageLoopWin::postTaskMessage(CefRefPtr<CefTask> task) {
    task->AddRef();  // released by the window procedure after the task ran
    if (!PostMessageA(messageWindow_, taskMessage_, reinterpret_cast<WPARAM>(task.get()), 0)) {
        task->Release();
    }
}

void CMainMessageLoopWin::PostTask(CefRefPtr<CefTask> task) {
    if (!task) {
        return;
    }
    std::lock_guard<std::mutex> guard(lock_);
    if (messageWindow_ != nullptr) {
        postTaskMessage(task);
    } else {
        pending_.push_back(task);
    }
}

void CMainMessageLoopWin::PostClosure(std::function<void()> closure) {
    PostTask(CefCreateClosureTask(std::move(closure)));
}

int CMainMessageLoopWin::Run() {
    ORVEX_ASSERT_GUI_THREAD();
    {
        std::lock_guard<std::mutex> guard(lock_);
        messageWindow_ = orvex::CreateMessageOnlyWindow(&messageWindowProcedure);
        CefCheck(messageWindow_ != nullptr, "_message_hwnd_");
        SetWindowLongPtrA(messageWindow_, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
        while (!pending_.empty()) {
            postTaskMessage(pending_.front());
            pending_.pop_front();
        }
    }
    orvex::SetMessagePreTranslator(
        [](const MSG& msg) { return DuiLib::CPaintManagerUI::TranslateMessage(&msg); });
    int code = orvex::RunMessageLoop();
    orvex::SetMessagePreTranslator(nullptr);
    std::lock_guard<std::mutex> guard(lock_);
    DestroyWindow(messageWindow_);
    messageWindow_ = nullptr;
    return code;
}

LRESULT CMainMessageLoopWin::messageWindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    auto* self = reinterpret_cast<CMainMessageLoopWin*>(GetWindowLongPtrA(hwnd, GWL_USERDATA));
    if (self != nullptr && message == self->taskMessage_) {
        auto* task = reinterpret_cast<CefTask*>(wParam);
        task->Execute();
        task->Release();
    } else if (message == WM_DESTROY) {
        SetWindowLongPtrA(hwnd, GWL_USERDATA, 0);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
