// The browser client's handler interfaces (life span, load, keyboard, context menu, drag,
// download, off-screen rendering) and the objects they receive. Every handler runs on the GUI
// thread.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/cef/cef_browser.h"
#include "platform/cef/cef_menu_model.h"

class CefLifeSpanHandler : public virtual CefBaseRefCounted {
  public:
    // A page asks for a new window (window.open, a link with a target) on `targetUrl`. True
    // cancels it. This engine opens no pop-up browser of its own, so false drops the request
    // as well.
    virtual bool OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                               const CefString& /*targetUrl*/, const CefString& /*targetFrameName*/,
                               bool /*userGesture*/) {
        return false;
    }
    virtual void OnAfterCreated(CefRefPtr<CefBrowser>) {}
    // False lets the close go on.
    virtual bool DoClose(CefRefPtr<CefBrowser>) { return false; }
    virtual void OnBeforeClose(CefRefPtr<CefBrowser>) {}
};

class CefLoadHandler : public virtual CefBaseRefCounted {
  public:
    virtual void OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>) {}
    virtual void OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, int /*httpStatusCode*/) {}
    virtual void OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, ErrorCode /*errorCode*/,
                             const CefString& /*errorText*/, const CefString& /*failedUrl*/) {}
};

class CefKeyboardHandler : public virtual CefBaseRefCounted {
  public:
    // Called before the page sees the key; true consumes it.
    virtual bool OnPreKeyEvent(CefRefPtr<CefBrowser>, const CefKeyEvent&, CefEventHandle,
                               bool* /*isKeyboardShortcut*/) {
        return false;
    }
};

// What a context menu was opened on.
class CefContextMenuParams : public virtual CefBaseRefCounted {
  public:
    struct Data {
        int x = 0;
        int y = 0;
        int typeFlags = CM_TYPEFLAG_NONE;
        int editStateFlags = CM_EDITFLAG_NONE;
        CefString linkUrl;
        CefString pageUrl;
        CefString selectionText;
        bool editable = false;
    };
    explicit CefContextMenuParams(Data data) : data_(std::move(data)) {}

    int GetXCoord() const { return data_.x; }
    int GetYCoord() const { return data_.y; }
    int GetTypeFlags() const { return data_.typeFlags; }
    int GetEditStateFlags() const { return data_.editStateFlags; }
    CefString GetLinkUrl() const { return data_.linkUrl; }
    CefString GetPageUrl() const { return data_.pageUrl; }
    CefString GetSelectionText() const { return data_.selectionText; }
    bool IsEditable() const { return data_.editable; }

  private:
    Data data_;
    IMPLEMENT_REFCOUNTING(CefContextMenuParams);
};

class CefContextMenuHandler : public virtual CefBaseRefCounted {
  public:
    // Edits the menu before it is shown; an empty menu is not shown.
    virtual void OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                     CefRefPtr<CefContextMenuParams>, CefRefPtr<CefMenuModel>) {}
};

// What is being dragged into the view.
class CefDragData : public virtual CefBaseRefCounted {
  public:
    struct Data {
        bool isLink = false;
        bool isFragment = false;
        bool isFile = false;
        CefString linkUrl;
        CefString fragmentText;
        std::vector<CefString> fileNames;
    };
    explicit CefDragData(Data data) : data_(std::move(data)) {}

    bool IsLink() const { return data_.isLink; }
    bool IsFragment() const { return data_.isFragment; }
    bool IsFile() const { return data_.isFile; }
    CefString GetLinkURL() const { return data_.linkUrl; }
    CefString GetFragmentText() const { return data_.fragmentText; }
    bool GetFileNames(std::vector<CefString>& names) const {
        names = data_.fileNames;
        return !names.empty();
    }

  private:
    Data data_;
    IMPLEMENT_REFCOUNTING(CefDragData);
};

class CefDragHandler : public virtual CefBaseRefCounted {
  public:
    // True cancels the drag.
    virtual bool OnDragEnter(CefRefPtr<CefBrowser>, CefRefPtr<CefDragData>, DragOperationsMask) {
        return false;
    }
};

// A download and how far it got.
class CefDownloadItem : public virtual CefBaseRefCounted {
  public:
    struct Data {
        uint32_t id = 0;
        CefString url;
        CefString suggestedFileName;
        CefString fullPath;  // where it is saved; empty until a path was chosen
        int64_t receivedBytes = 0;
        bool inProgress = false;
        bool complete = false;
        bool canceled = false;  // cancelled or interrupted: it will not complete
    };
    explicit CefDownloadItem(Data data) : data_(std::move(data)) {}

    uint32_t GetId() const { return data_.id; }
    CefString GetURL() const { return data_.url; }
    CefString GetSuggestedFileName() const { return data_.suggestedFileName; }
    CefString GetFullPath() const { return data_.fullPath; }
    int64_t GetReceivedBytes() const { return data_.receivedBytes; }
    bool IsInProgress() const { return data_.inProgress; }
    bool IsComplete() const { return data_.complete; }
    bool IsCanceled() const { return data_.canceled; }

  private:
    Data data_;
    IMPLEMENT_REFCOUNTING(CefDownloadItem);
};

class CefBeforeDownloadCallback : public virtual CefBaseRefCounted {
  public:
    // Saves the download at `downloadPath` (a full path). This engine offers no file dialog,
    // so `showDialog` must be false.
    virtual void Continue(const CefString& downloadPath, bool showDialog) = 0;
};

class CefDownloadHandler : public virtual CefBaseRefCounted {
  public:
    // A download starts. Without a call of callback->Continue before this returns (this engine
    // decides while it delivers the request) the download is cancelled.
    virtual void OnBeforeDownload(CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem>,
                                  const CefString& /*suggestedName*/,
                                  CefRefPtr<CefBeforeDownloadCallback>) = 0;
    // A continued download changed; called at least once when it ends (complete or cancelled).
    virtual void OnDownloadUpdated(CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem>) {}
};

// The off-screen painting of a windowless browser.
class CefRenderHandler : public virtual CefBaseRefCounted {
  public:
    using RectList = std::vector<CefRect>;

    virtual bool GetRootScreenRect(CefRefPtr<CefBrowser>, CefRect&) { return false; }
    // The view's rectangle in its own coordinates; false when there is none.
    virtual bool GetViewRect(CefRefPtr<CefBrowser>, CefRect&) = 0;
    virtual bool GetScreenPoint(CefRefPtr<CefBrowser>, int /*viewX*/, int /*viewY*/,
                                int& /*screenX*/, int& /*screenY*/) {
        return false;
    }
    // A finished frame: BGRA premultiplied pixels, `width` × 4 bytes a row, top row first.
    virtual void OnPaint(CefRefPtr<CefBrowser>, PaintElementType, const RectList& dirtyRects,
                         const void* buffer, int width, int height) = 0;
    virtual void OnCursorChange(CefRefPtr<CefBrowser>, CefCursorHandle, CursorType,
                                const CefCursorInfo&) {}
};
