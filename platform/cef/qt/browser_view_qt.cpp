#include "platform/cef/qt/browser_view_qt.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QKeyEvent>

#include "platform/cef/qt/browser_qt.h"

namespace orvex::cefqt {

BrowserView::BrowserView(QtBrowser* owner, QWidget* parent)
    : QWebEngineView(parent), owner_(owner) {}

void BrowserView::contextMenuEvent(QContextMenuEvent* event) {
    if (owner_ != nullptr) {
        owner_->OnContextMenu(event);
    }
}

void BrowserView::dragEnterEvent(QDragEnterEvent* event) {
    if (owner_ != nullptr && owner_->OnDragEnter(event)) {
        event->ignore();
        return;
    }
    QWebEngineView::dragEnterEvent(event);
}

bool BrowserView::event(QEvent* event) {
    // The engine's render widget is created as a child; its keys pass the filter first.
    if (event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child != nullptr && child->isWidgetType()) {
            child->installEventFilter(this);
        }
    }
    return QWebEngineView::event(event);
}

bool BrowserView::eventFilter(QObject* watched, QEvent* event) {
    if (owner_ != nullptr &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        if (owner_->OnPreKey(static_cast<QKeyEvent*>(event))) {
            return true;
        }
    }
    return QWebEngineView::eventFilter(watched, event);
}

}  // namespace orvex::cefqt
