// The browser client's handler interfaces (life span, load, keyboard, context menu, drag,
// off-screen rendering) and the objects they receive. Every handler runs on the GUI thread.
#pragma once

#include <vector>

#include "platform/cef/cef_browser.h"
#include "platform/cef/cef_menu_model.h"

class CefLifeSpanHandler : public virtual CefBaseRefCounted {
  public:
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
