// CCefOsRender: the browser control with an off-screen mode. Off-screen, the browser's frames
// arrive at the render handler, which keeps them in a backing store that the control paints
// like any skin part (optionally blending per pixel over the skin); the host window's mouse,
// wheel, key, focus, size and capture messages become browser input events. Without the
// off-screen flag it behaves as CCefBaseUI.
#pragma once

#include <QImage>
#include <memory>

#include "cef3/control/cef_base.h"

class CCefOsRender : public CCefBaseUI {
  public:
    // The off-screen level's client: the render handler and its backing store.
    class ClientHandlerRender : public ClientHandlerBase, public CefRenderHandler {
      public:
        explicit ClientHandlerRender(CCefOsRender* owner);
        ~ClientHandlerRender() override;

        // Itself when the owner is off-screen and its host window lives, else null. GUI thread.
        CefRefPtr<CefRenderHandler> GetRenderHandler() override;
        // (0, 0, control width, control height); false when either is 0. GUI thread.
        bool GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) override;
        bool GetScreenPoint(CefRefPtr<CefBrowser> browser, int viewX, int viewY, int& screenX,
                            int& screenY) override;
        // Copies the frame into the store (only the dirty rectangles when the store fits) and
        // asks the owner to repaint. GUI thread.
        void OnPaint(CefRefPtr<CefBrowser> browser, PaintElementType type,
                     const RectList& dirtyRects, const void* buffer, int width,
                     int height) override;
        void OnCursorChange(CefRefPtr<CefBrowser> browser, CefCursorHandle cursor, CursorType type,
                            const CefCursorInfo& customCursorInfo) override;

        // Makes the owner repaint on the GUI thread. Any thread.
        void Invalidate();
        // Draws the store at the owner's position. GUI thread.
        void Paint(HDC hDC);

        // A copy of the store (null image without one); for diagnostics and tests. Any thread.
        QImage StoreCopy();

      private:
        CCefOsRender* owner() const { return static_cast<CCefOsRender*>(m_pOwner); }
        HWND hostWindow();

        std::mutex m_lock;  // not recursive; guards everything below
        std::unique_ptr<QImage> m_opaqueStore;
        std::unique_ptr<QImage> m_transparentStore;
        uchar* m_pixels = nullptr;
        int m_width = 0;
        int m_height = 0;
        HWND m_hostWnd = nullptr;

        IMPLEMENT_REFCOUNTING(ClientHandlerRender);
    };

    explicit CCefOsRender(DuiLib::CPaintManagerUI* manager,
                          CefRefPtr<ClientHandlerBase> handler = nullptr);
    ~CCefOsRender() override;

    bool IsOffscreen() const { return m_bOffscreen; }
    bool IsTransparent() const { return m_bTransparent; }

    DuiLib::LPCTSTR GetClass() const override { return "CefOsRenderUI"; }
    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;
    // Creates the browser with this level's client: windowless when off-screen.
    void DoInit() override;
    // Mouse moves and leaves of the skin reach the browser.
    void DoEvent(DuiLib::TEventUI& event) override;
    // "offscreen" and "transparent" ("true" sets them); other attributes go to the base.
    void SetAttribute(DuiLib::LPCTSTR pstrName, DuiLib::LPCTSTR pstrValue) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;
    // The host window's input, turned into browser events (see the class comment).
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

  private:
    void mouseClick(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void mouseMove(POINT pt, WPARAM keys, bool leave);
    void mouseWheel(WPARAM wParam, LPARAM lParam);
    bool key(UINT uMsg, WPARAM wParam, LPARAM lParam);

    bool m_bOffscreen = false;
    bool m_bTransparent = false;
};
