#include "platform/cef/qt/browser_qt.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QWebChannel>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <algorithm>

#include "platform/cef/qt/browser_view_qt.h"
#include "platform/cef/qt/context_menu_qt.h"
#include "platform/cef/qt/engine_qt.h"
#include "platform/cef/qt/render_bridge_qt.h"
#include "platform/win32/qt/key_codes.h"
#include "platform/win32/qt/qt_window.h"
#include "support/gui_thread.h"

namespace orvex::cefqt {
namespace {

int nextBrowserId = 1;

QUrl toUrl(const CefString& url) {
    return QUrl(QString::fromStdU16String(url.ToString16()), QUrl::TolerantMode);
}

// "net::ERR_CONNECTION_REFUSED" is reported as the library does: "ERR_CONNECTION_REFUSED".
CefString errorText(const QString& text) {
    QString shortText = text.startsWith(QLatin1String("net::")) ? text.mid(5) : text;
    return CefString(shortText.toStdU16String());
}

uint32_t keyModifiers(const QKeyEvent& event) {
    uint32_t flags = EVENTFLAG_NONE;
    Qt::KeyboardModifiers modifiers = event.modifiers();
    if (modifiers & Qt::ShiftModifier) {
        flags |= EVENTFLAG_SHIFT_DOWN;
    }
    if (modifiers & Qt::ControlModifier) {
        flags |= EVENTFLAG_CONTROL_DOWN;
    }
    if (modifiers & Qt::AltModifier) {
        flags |= EVENTFLAG_ALT_DOWN;
    }
    if (modifiers & Qt::MetaModifier) {
        flags |= EVENTFLAG_COMMAND_DOWN;
    }
    if (modifiers & Qt::KeypadModifier) {
        flags |= EVENTFLAG_IS_KEY_PAD;
    }
    if (GetKeyState(VK_CAPITAL) & 1) {
        flags |= EVENTFLAG_CAPS_LOCK_ON;
    }
    if (GetKeyState(VK_NUMLOCK) & 1) {
        flags |= EVENTFLAG_NUM_LOCK_ON;
    }
    return flags;
}

CefRefPtr<CefDownloadItem> downloadItem(const QWebEngineDownloadRequest& request,
                                        const QString& fullPath) {
    CefDownloadItem::Data data;
    data.id = request.id();
    data.url = CefString(request.url().toString().toStdU16String());
    data.suggestedFileName = CefString(request.suggestedFileName().toStdU16String());
    data.fullPath = CefString(fullPath.toStdU16String());
    data.receivedBytes = request.receivedBytes();
    QWebEngineDownloadRequest::DownloadState state = request.state();
    data.inProgress = state == QWebEngineDownloadRequest::DownloadInProgress;
    data.complete = state == QWebEngineDownloadRequest::DownloadCompleted;
    data.canceled = state == QWebEngineDownloadRequest::DownloadCancelled ||
                    state == QWebEngineDownloadRequest::DownloadInterrupted;
    return new CefDownloadItem(std::move(data));
}

// Records the path the handler chose; the request is accepted or cancelled after the handler
// returns.
class BeforeDownloadCallback : public CefBeforeDownloadCallback {
  public:
    void Continue(const CefString& downloadPath, bool showDialog) override {
        if (!showDialog && !downloadPath.empty()) {
            path = QString::fromStdU16String(downloadPath.ToString16());
        }
    }
    QString path;

  private:
    IMPLEMENT_REFCOUNTING(BeforeDownloadCallback);
};

}  // namespace

QtBrowser::QtBrowser(CefRefPtr<CefClient> client, int id) : id_(id), client_(client) {}

CefRefPtr<QtBrowser> QtBrowser::Create(QWidget* parent, const QRect& rect,
                                       CefRefPtr<CefClient> client, const CefString& url) {
    CefRefPtr<QtBrowser> browser = new QtBrowser(client, nextBrowserId++);
    auto* view = new BrowserView(browser.get(), parent);
    view->setGeometry(rect);
    browser->handle_->view = view;
    browser->hwnd_ = AttachWindowHandle(view, nullptr);

    QWebEnginePage* page = view->page();
    CefRefPtr<CefRenderProcessHandler> renderHandler;
    if (engine().rendererApplication) {
        renderHandler = engine().rendererApplication->GetRenderProcessHandler();
    }
    auto* bridge = new RenderBridge(browser.get(), renderHandler, view);
    browser->bridge_ = bridge;
    if (!bridge->BindingScript().isEmpty()) {
        QWebEngineScript script;
        script.setName(QStringLiteral("orvex-render-bridge"));
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(QWebEngineScript::MainWorld);
        script.setRunsOnSubFrames(true);
        script.setSourceCode(bridge->BindingScript());
        page->scripts().insert(script);
        auto* channel = new QWebChannel(view);
        channel->registerObject(QStringLiteral("orvexRenderBridge"), bridge);
        page->setWebChannel(channel, QWebEngineScript::MainWorld);
    }

    QtBrowser* raw = browser.get();
    QObject::connect(page, &QWebEnginePage::loadingChanged, view,
                     [raw](const QWebEngineLoadingInfo& info) { raw->OnLoadingChanged(info); });
    QObject::connect(page, &QWebEnginePage::urlChanged, view,
                     [raw](const QUrl& url) { raw->OnUrlChanged(url.toString()); });
    QObject::connect(
        page, &QWebEnginePage::newWindowRequested, view,
        [raw](QWebEngineNewWindowRequest& request) { raw->OnNewWindowRequested(request); });
    // The view keeps its browser alive; a view deleted with its parent window closes it.
    QObject::connect(view, &QObject::destroyed, [browser] { browser->OnViewDestroyed(); });

    engine().browsers.push_back(browser);
    view->show();
    if (client) {
        if (CefRefPtr<CefLifeSpanHandler> lifeSpan = client->GetLifeSpanHandler()) {
            lifeSpan->OnAfterCreated(browser.get());
        }
    }
    if (!url.empty()) {
        browser->OnUrlChanged(QString::fromStdU16String(url.ToString16()));
        view->load(toUrl(url));
    }
    return browser;
}

bool QtBrowser::IsLoading() {
    std::lock_guard<std::mutex> lock(handle_->mutex);
    return handle_->loading;
}

void QtBrowser::Reload() {
    std::shared_ptr<PageHandle> handle = handle_;
    RunOnUiThread([handle] {
        if (handle->view) {
            handle->view->reload();
        }
    });
}

void QtBrowser::ReloadIgnoreCache() {
    std::shared_ptr<PageHandle> handle = handle_;
    RunOnUiThread([handle] {
        if (handle->view) {
            handle->view->triggerPageAction(QWebEnginePage::ReloadAndBypassCache);
        }
    });
}

void QtBrowser::StopLoad() {
    std::shared_ptr<PageHandle> handle = handle_;
    RunOnUiThread([handle] {
        if (handle->view) {
            handle->view->stop();
        }
    });
}

CefRefPtr<CefFrame> QtBrowser::GetMainFrame() {
    return new QtFrame(this, handle_, true, 1, CefString());
}

CefRefPtr<CefFrame> QtBrowser::MakeSubFrame(const CefString& url) {
    return new QtFrame(this, handle_, false, nextFrameId_++, url);
}

bool QtBrowser::SendProcessMessage(CefProcessId targetProcess,
                                   CefRefPtr<CefProcessMessage> message) {
    // Only the render side sends here; the emulated render side takes no messages.
    if (targetProcess != PID_BROWSER || !message) {
        return false;
    }
    CefRefPtr<QtBrowser> self(this);
    CefRefPtr<CefProcessMessage> delivered = message->CopyForDelivery();
    return RunOnUiThread([self, delivered] {
        if (!self->closed_ && self->client_) {
            self->client_->OnProcessMessageReceived(self.get(), PID_RENDERER, delivered);
        }
    });
}

void QtBrowser::CloseBrowser(bool forceClose) {
    CefRefPtr<QtBrowser> self(this);
    RunOnUiThread([self, forceClose] {
        if (self->closed_) {
            return;
        }
        if (!forceClose && self->client_) {
            if (CefRefPtr<CefLifeSpanHandler> lifeSpan = self->client_->GetLifeSpanHandler()) {
                lifeSpan->DoClose(self.get());
            }
        }
        self->CloseNow();
    });
}

void QtBrowser::CloseNow() {
    ORVEX_ASSERT_GUI_THREAD();
    if (closed_) {
        return;
    }
    if (BrowserView* view = handle_->view) {
        view->Detach();
        DestroyWindow(hwnd_);
        view->hide();
        view->deleteLater();
    }
    finishClose();
}

void QtBrowser::OnViewDestroyed() {
    if (!closed_) {
        finishClose();
    }
}

void QtBrowser::finishClose() {
    CefRefPtr<QtBrowser> self(this);  // the list below may hold the last reference
    closed_ = true;
    handle_->view = nullptr;
    if (bridge_) {
        bridge_->Detach();
    }
    if (client_) {
        if (CefRefPtr<CefLifeSpanHandler> lifeSpan = client_->GetLifeSpanHandler()) {
            lifeSpan->OnBeforeClose(this);
        }
    }
    auto& browsers = engine().browsers;
    browsers.erase(std::remove(browsers.begin(), browsers.end(), self), browsers.end());
}

void QtBrowser::OnUrlChanged(const QString& url) {
    ORVEX_ASSERT_GUI_THREAD();
    std::lock_guard<std::mutex> lock(handle_->mutex);
    handle_->url = url.toStdU16String();
}

void QtBrowser::OnLoadingChanged(const QWebEngineLoadingInfo& info) {
    ORVEX_ASSERT_GUI_THREAD();
    {
        std::lock_guard<std::mutex> lock(handle_->mutex);
        handle_->loading = info.status() == QWebEngineLoadingInfo::LoadStartedStatus;
    }
    CefRefPtr<CefLoadHandler> handler = client_ ? client_->GetLoadHandler() : nullptr;
    if (!handler || closed_) {
        return;
    }
    CefRefPtr<CefFrame> frame = GetMainFrame();
    bool httpStatus = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain;
    switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            handler->OnLoadStart(this, frame);
            break;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            handler->OnLoadEnd(this, frame, httpStatus ? info.errorCode() : 0);
            break;
        case QWebEngineLoadingInfo::LoadFailedStatus:
            // An HTTP error status with a page is a finished load (as the library reports it).
            if (httpStatus) {
                handler->OnLoadEnd(this, frame, info.errorCode());
            } else {
                handler->OnLoadError(this, frame, static_cast<ErrorCode>(info.errorCode()),
                                     errorText(info.errorString()),
                                     CefString(info.url().toString().toStdU16String()));
            }
            break;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            handler->OnLoadError(this, frame, ERR_ABORTED, CefString("ERR_ABORTED"),
                                 CefString(info.url().toString().toStdU16String()));
            break;
    }
}

bool QtBrowser::OnPreKey(QKeyEvent* event) {
    ORVEX_ASSERT_GUI_THREAD();
    CefRefPtr<CefKeyboardHandler> handler = client_ ? client_->GetKeyboardHandler() : nullptr;
    if (!handler) {
        return false;
    }
    bool press = event->type() == QEvent::KeyPress;
    CefKeyEvent key;
    key.type = press ? KEYEVENT_RAWKEYDOWN : KEYEVENT_KEYUP;
    key.windows_key_code = VirtualKeyFromQtKey(event->key(), event->modifiers());
    key.native_key_code = static_cast<int>(event->nativeScanCode());
    key.modifiers = keyModifiers(*event);
    key.is_system_key =
        (event->modifiers() & Qt::AltModifier) && !(event->modifiers() & Qt::ControlModifier);
    QString text = event->text();
    if (!text.isEmpty()) {
        key.character = key.unmodified_character = text.at(0).unicode();
    }
    bool shortcut = false;
    if (handler->OnPreKeyEvent(this, key, event, &shortcut)) {
        return true;
    }
    if (press && !text.isEmpty() && text.at(0).isPrint()) {
        key.type = KEYEVENT_CHAR;
        key.windows_key_code = text.at(0).unicode();
        return handler->OnPreKeyEvent(this, key, event, &shortcut);
    }
    return false;
}

bool QtBrowser::OnDragEnter(QDragEnterEvent* event) {
    ORVEX_ASSERT_GUI_THREAD();
    CefRefPtr<CefDragHandler> handler = client_ ? client_->GetDragHandler() : nullptr;
    if (!handler) {
        return false;
    }
    uint32_t mask = DRAG_OPERATION_NONE;
    Qt::DropActions actions = event->possibleActions();
    if (actions & Qt::CopyAction) {
        mask |= DRAG_OPERATION_COPY;
    }
    if (actions & Qt::LinkAction) {
        mask |= DRAG_OPERATION_LINK;
    }
    if (actions & Qt::MoveAction) {
        mask |= DRAG_OPERATION_MOVE;
    }
    CefDragData::Data data;
    if (const QMimeData* mime = event->mimeData()) {
        for (const QUrl& url : mime->urls()) {
            if (url.isLocalFile()) {
                data.isFile = true;
                data.fileNames.push_back(CefString(url.toLocalFile().toStdU16String()));
            } else if (!data.isLink) {
                data.isLink = true;
                data.linkUrl = CefString(url.toString().toStdU16String());
            }
        }
        if (mime->hasText() || mime->hasHtml()) {
            data.isFragment = true;
            data.fragmentText = CefString(mime->text().toStdU16String());
        }
    }
    return handler->OnDragEnter(this, new CefDragData(std::move(data)),
                                static_cast<DragOperationsMask>(mask));
}

void QtBrowser::OnContextMenu(QContextMenuEvent* event) {
    ORVEX_ASSERT_GUI_THREAD();
    BrowserView* view = handle_->view;
    QWebEngineContextMenuRequest* request =
        view != nullptr ? view->lastContextMenuRequest() : nullptr;
    if (request == nullptr) {
        return;
    }
    std::unique_ptr<QMenu> standard(view->createStandardContextMenu());
    EngineMenu menu = ModelFromEngineMenu(*standard, view->page());
    if (CefRefPtr<CefContextMenuHandler> handler =
            client_ ? client_->GetContextMenuHandler() : nullptr) {
        handler->OnBeforeContextMenu(
            this, GetMainFrame(),
            new CefContextMenuParams(ParamsFromRequest(*request, view->url())), menu.model);
    }
    if (QMenu* shown = MenuFromModel(*menu.model, menu.actions, view)) {
        shown->popup(event->globalPos());
    }
}

void QtBrowser::OnNewWindowRequested(QWebEngineNewWindowRequest& request) {
    ORVEX_ASSERT_GUI_THREAD();
    // Whatever the handler answers, no window opens here: the request is left untaken.
    CefRefPtr<CefLifeSpanHandler> handler = client_ ? client_->GetLifeSpanHandler() : nullptr;
    if (handler && !closed_) {
        handler->OnBeforePopup(this, GetMainFrame(),
                               CefString(request.requestedUrl().toString().toStdU16String()),
                               CefString(), request.isUserInitiated());
    }
}

bool QtBrowser::Shows(const QWebEnginePage* page) const {
    ORVEX_ASSERT_GUI_THREAD();
    return page != nullptr && handle_->view != nullptr && handle_->view->page() == page;
}

void QtBrowser::OnDownloadRequested(QWebEngineDownloadRequest* request) {
    ORVEX_ASSERT_GUI_THREAD();
    CefRefPtr<CefDownloadHandler> handler = client_ ? client_->GetDownloadHandler() : nullptr;
    if (!handler || closed_) {
        request->cancel();
        return;
    }
    CefRefPtr<BeforeDownloadCallback> callback = new BeforeDownloadCallback;
    handler->OnBeforeDownload(this, downloadItem(*request, QString()),
                              CefString(request->suggestedFileName().toStdU16String()), callback);
    if (callback->path.isEmpty()) {
        request->cancel();
        return;
    }
    QFileInfo target(callback->path);
    request->setDownloadDirectory(target.absolutePath());
    request->setDownloadFileName(target.fileName());
    QString path = target.absoluteFilePath();
    CefRefPtr<QtBrowser> self(this);
    QObject::connect(request, &QWebEngineDownloadRequest::isFinishedChanged, request,
                     [self, handler, request, path] {
                         if (!self->closed_) {
                             handler->OnDownloadUpdated(self.get(), downloadItem(*request, path));
                         }
                     });
    request->accept();
}

QtFrame::QtFrame(CefRefPtr<QtBrowser> browser, std::shared_ptr<PageHandle> handle, bool main,
                 int64_t id, CefString url)
    : browser_(browser), handle_(std::move(handle)), main_(main), id_(id), url_(std::move(url)) {}

bool QtFrame::IsValid() {
    return IsWindow(browser_->GetWindowHandle()) != FALSE;
}

CefString QtFrame::GetURL() {
    if (!main_) {
        return url_;
    }
    std::lock_guard<std::mutex> lock(handle_->mutex);
    return CefString(handle_->url);
}

void QtFrame::ExecuteJavaScript(const CefString& code, const CefString&, int) {
    if (!main_) {
        return;
    }
    std::shared_ptr<PageHandle> handle = handle_;
    QString script = QString::fromStdU16String(code.ToString16());
    auto run = [handle, script] {
        if (handle->view) {
            handle->view->page()->runJavaScript(script, QWebEngineScript::MainWorld);
        }
    };
    // As the library does: sent at once on the GUI thread, posted there from other threads.
    if (OnUiThread()) {
        run();
    } else {
        RunOnUiThread(run);
    }
}

void QtFrame::LoadURL(const CefString& url) {
    if (!main_) {
        return;
    }
    std::shared_ptr<PageHandle> handle = handle_;
    QUrl target = toUrl(url);
    RunOnUiThread([handle, target] {
        if (handle->view) {
            handle->view->load(target);
        }
    });
}

}  // namespace orvex::cefqt
