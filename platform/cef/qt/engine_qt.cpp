#include "platform/cef/qt/engine_qt.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <atomic>
#include <mutex>

#include "platform/cef/cef_task.h"
#include "platform/cef/qt/browser_qt.h"

namespace orvex::cefqt {
namespace {

// The receiver of posted work, readable from any thread.
std::mutex uiMutex;
QObject* uiReceiver = nullptr;

class ClosureTask : public CefTask {
  public:
    explicit ClosureTask(std::function<void()> closure) : closure_(std::move(closure)) {}
    void Execute() override {
        if (closure_) {
            closure_();
        }
    }

  private:
    std::function<void()> closure_;
    IMPLEMENT_REFCOUNTING(ClosureTask);
};

}  // namespace

Engine& engine() {
    static Engine* instance = new Engine;  // lives until the process ends
    return *instance;
}

void SetUiReceiver(QObject* receiver) {
    std::lock_guard<std::mutex> lock(uiMutex);
    uiReceiver = receiver;
}

bool RunOnUiThread(std::function<void()> work) {
    std::lock_guard<std::mutex> lock(uiMutex);
    if (uiReceiver == nullptr) {
        return false;
    }
    return QMetaObject::invokeMethod(uiReceiver, std::move(work), Qt::QueuedConnection);
}

bool OnUiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

}  // namespace orvex::cefqt

bool CefPostTask(CefThreadId, CefRefPtr<CefTask> task) {
    if (!task) {
        return false;
    }
    return orvex::cefqt::RunOnUiThread([task] { task->Execute(); });
}

bool CefCurrentlyOn(CefThreadId) {
    return orvex::cefqt::OnUiThread();
}

CefRefPtr<CefTask> CefCreateClosureTask(std::function<void()> closure) {
    return new orvex::cefqt::ClosureTask(std::move(closure));
}
