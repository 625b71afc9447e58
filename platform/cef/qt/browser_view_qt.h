// BrowserView: the QWebEngineView that is a browser's child window. It hands its context menu,
// the keys before the page sees them and entering drags to its browser.
#pragma once

#include <QWebEngineView>

namespace orvex::cefqt {

class QtBrowser;

class BrowserView : public QWebEngineView {
  public:
    BrowserView(QtBrowser* owner, QWidget* parent);
    // The browser closed: events no longer reach it. GUI thread.
    void Detach() { owner_ = nullptr; }

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QtBrowser* owner_;
};

}  // namespace orvex::cefqt
