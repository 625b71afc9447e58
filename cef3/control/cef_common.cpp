#include "cef3/control/cef_common.h"

#include <atomic>
#include <cctype>
#include <string>
#include <vector>

#include "cef3/browser/page_bridge.h"
#include "platform/posix/download_folder.h"
#include "platform/win32/debug_output.h"
#include "platform/win32/message_target.h"
#include "platform/win32/qt/shell_open.h"
#include "platform/win32/window_messages.h"
#include "support/gui_thread.h"

namespace {

std::atomic<HWND> hostWindow{nullptr};

bool isSeparator(const CefMenuModel& model, int index) {
    return model.GetTypeAt(index) == MENUITEMTYPE_SEPARATOR;
}

// The items the menu keeps in a context of these type flags: the ones it labels.
bool isKeptItem(int commandId, int flags) {
    if ((flags & CM_TYPEFLAG_PAGE) && commandId == MENU_ID_STOPLOAD) {
        return true;
    }
    if (flags & (CM_TYPEFLAG_EDITABLE | CM_TYPEFLAG_SELECTION)) {
        switch (commandId) {
            case MENU_ID_UNDO:
            case MENU_ID_CUT:
            case MENU_ID_COPY:
            case MENU_ID_PASTE:
            case MENU_ID_DELETE:
            case MENU_ID_SELECT_ALL:
                return true;
            default:
                break;
        }
    }
    return false;
}

void postDownloadEnd(std::string fileName, std::string path, bool saved) {
    auto* record = new orvex::DownloadEnd;
    record->fileName = std::move(fileName);
    record->path = std::move(path);
    record->saved = saved;
    if (!PostMessageA(CCefCommonUI::GetHostWindowHandle(), orvex::WM_DOWNLOAD_END, 0,
                      reinterpret_cast<LPARAM>(record))) {
        delete record;
    }
}

}  // namespace

CCefCommonUI::CCefCommonUI(DuiLib::CPaintManagerUI* manager, CefRefPtr<ClientHandlerBase> handler)
    : CCefOsRender(manager, handler ? handler
                                    : CefRefPtr<ClientHandlerBase>(new ClientHandlerCommon(this))) {
    ORVEX_ASSERT_GUI_THREAD();
    hostWindow.store(GetHostWindow());
}

CCefCommonUI::~CCefCommonUI() = default;

HWND CCefCommonUI::GetHostWindowHandle() {
    return hostWindow.load();
}

LRESULT CCefCommonUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    ORVEX_ASSERT_GUI_THREAD();
    if (bHandled) {
        return 0;
    }
    return CCefOsRender::MessageHandler(uMsg, wParam, lParam, bHandled);
}

void CCefCommonUI::RunScript(const std::string& script) {
    if (CefRefPtr<CefFrame> frame = GetMainFrame()) {
        frame->ExecuteJavaScript(CefString(script), frame->GetURL(), 0);
    }
}

bool CCefCommonUI::ClientHandlerCommon::OnProcessMessageReceived(
    CefRefPtr<CefBrowser> browser, CefProcessId sourceProcess,
    CefRefPtr<CefProcessMessage> message) {
    ORVEX_ASSERT_GUI_THREAD();
    if (sourceProcess != PID_RENDERER) {
        return ClientHandlerRender::OnProcessMessageReceived(browser, sourceProcess, message);
    }
    CefRefPtr<CefListValue> list = message->GetArgumentList();
    std::vector<std::u16string> arguments;
    arguments.reserve(list->GetSize());
    for (size_t i = 0; i < list->GetSize(); ++i) {
        arguments.push_back(list->GetString(i).ToString16());
    }
    if (const auto& route = orvex::InstalledPageBridge().route) {
        route(GetHostWindowHandle(), true, message->GetName().ToString(), arguments);
    }
    return true;
}

void CCefCommonUI::ClientHandlerCommon::OnBeforeContextMenu(CefRefPtr<CefBrowser>,
                                                            CefRefPtr<CefFrame>,
                                                            CefRefPtr<CefContextMenuParams> params,
                                                            CefRefPtr<CefMenuModel> model) {
    ORVEX_ASSERT_GUI_THREAD();
    int flags = params->GetTypeFlags();
    if (flags & CM_TYPEFLAG_PAGE) {
        model->SetLabel(MENU_ID_STOPLOAD, CefString("停止加载"));
        model->SetLabel(MENU_ID_REDO, CefString("重复"));
    }
    if (flags & (CM_TYPEFLAG_EDITABLE | CM_TYPEFLAG_SELECTION)) {
        model->SetLabel(MENU_ID_UNDO, CefString("撤销"));
        model->SetLabel(MENU_ID_CUT, CefString("剪切"));
        model->SetLabel(MENU_ID_COPY, CefString("复制"));
        model->SetLabel(MENU_ID_PASTE, CefString("粘贴"));
        model->SetLabel(MENU_ID_DELETE, CefString("删除"));
        model->SetLabel(MENU_ID_SELECT_ALL, CefString("全选"));
    }
    model->Remove(MENU_ID_PRINT);
    model->Remove(MENU_ID_VIEW_SOURCE);
    model->Remove(MENU_ID_BACK);
    model->Remove(MENU_ID_FORWARD);
    model->Remove(MENU_ID_REDO);
    if (model->GetCount() > 0 && isSeparator(*model, 0)) {
        model->RemoveAt(0);
    }
    // Final pass, by ascending index with the count read each time: an item that was not
    // relabelled goes (the engine's reload, save, link and inspect items, in English), and so
    // do separators that lead, trail or follow another separator once those are gone.
    for (int i = 0; i < model->GetCount();) {
        bool drop = !isSeparator(*model, i) && !isKeptItem(model->GetCommandIdAt(i), flags);
        if (drop) {
            model->RemoveAt(i);
            continue;
        }
        bool stray = isSeparator(*model, i) &&
                     (i == 0 || i == model->GetCount() - 1 || isSeparator(*model, i - 1));
        if (stray) {
            model->RemoveAt(i);
        } else {
            ++i;
        }
    }
}

void CCefCommonUI::ClientHandlerCommon::OnLoadStart(CefRefPtr<CefBrowser>,
                                                    CefRefPtr<CefFrame> frame) {
    ORVEX_ASSERT_GUI_THREAD();
    // The start of a load is not reported; only its end or error is.
    static_cast<void>(frame->GetURL());
}

void CCefCommonUI::ClientHandlerCommon::OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame,
                                                  int httpStatusCode) {
    ORVEX_ASSERT_GUI_THREAD();
    auto* record = new orvex::PageLoadEnd;
    record->url = frame->GetURL().ToString();
    record->httpStatusCode = httpStatusCode;
    if (!PostMessageA(GetHostWindowHandle(), orvex::WM_PAGE_LOAD_END, 0,
                      reinterpret_cast<LPARAM>(record))) {
        delete record;
    }
}

void CCefCommonUI::ClientHandlerCommon::OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                                    ErrorCode errorCode, const CefString& errorText,
                                                    const CefString& failedUrl) {
    ORVEX_ASSERT_GUI_THREAD();
    if (errorCode == ERR_ABORTED) {
        return;
    }
    auto* record = new orvex::PageLoadError;
    record->url = failedUrl.ToString();
    record->errorCode = errorCode;
    record->errorText = errorText.ToString();
    if (!PostMessageA(GetHostWindowHandle(), orvex::WM_PAGE_LOAD_ERROR, 0,
                      reinterpret_cast<LPARAM>(record))) {
        delete record;
    }
}

bool CCefCommonUI::ClientHandlerCommon::OnDragEnter(CefRefPtr<CefBrowser>, CefRefPtr<CefDragData>,
                                                    DragOperationsMask mask) {
    ORVEX_ASSERT_GUI_THREAD();
    return (mask & DRAG_OPERATION_LINK) != 0;
}

bool CCefCommonUI::ClientHandlerCommon::OnPreKeyEvent(CefRefPtr<CefBrowser> browser,
                                                      const CefKeyEvent& event, CefEventHandle,
                                                      bool*) {
    ORVEX_ASSERT_GUI_THREAD();
    OutputDebugStringA("ClientHandlerCommon::OnPreKeyEvent called.\n ");
    if (event.type == KEYEVENT_RAWKEYDOWN && event.windows_key_code == VK_F5) {
        browser->Reload();
    }
    return false;
}

bool CCefCommonUI::ClientHandlerCommon::OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                                      const CefString& targetUrl, const CefString&,
                                                      bool) {
    ORVEX_ASSERT_GUI_THREAD();
    std::string url = targetUrl.ToString();
    std::string scheme = url.substr(0, url.find(':'));
    for (char& c : scheme) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    bool web = url.find(':') != std::string::npos && (scheme == "http" || scheme == "https");
    if (!web) {
        OutputDebugStringA(("pop-up refused (not http or https): " + url + "\n").c_str());
    } else if (reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, "open", url.c_str(), nullptr,
                                                        nullptr, SW_SHOWNORMAL)) <= 32) {
        OutputDebugStringA(("pop-up not opened: no web browser took " + url + "\n").c_str());
    }
    return true;
}

void CCefCommonUI::ClientHandlerCommon::OnBeforeDownload(
    CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem>, const CefString& suggestedName,
    CefRefPtr<CefBeforeDownloadCallback> callback) {
    ORVEX_ASSERT_GUI_THREAD();
    std::string suggested = suggestedName.ToString();
    std::string path =
        orvex::CreateUniqueFile(orvex::UserDownloadFolder(), orvex::CleanDownloadName(suggested));
    if (path.empty()) {
        OutputDebugStringA(
            ("download refused: no file in the download folder for " + suggested + "\n").c_str());
        postDownloadEnd(suggested, std::string(), false);
        return;
    }
    // The new empty file holds the name; the engine writes the download into it.
    callback->Continue(CefString(path), false);
}

void CCefCommonUI::ClientHandlerCommon::OnDownloadUpdated(CefRefPtr<CefBrowser>,
                                                          CefRefPtr<CefDownloadItem> item) {
    ORVEX_ASSERT_GUI_THREAD();
    if (!item->IsComplete() && !item->IsCanceled()) {
        return;
    }
    std::string path = item->GetFullPath().ToString();
    if (!item->IsComplete()) {
        orvex::RemoveIfEmpty(path);
    }
    postDownloadEnd(item->GetSuggestedFileName().ToString(), item->IsComplete() ? path : "",
                    item->IsComplete());
}
