// RenderBridge: the render side of one browser. The render-process handler binds a context's
// global object; the bridge turns those bindings into a script that runs at the creation of
// every frame's document, and brings the page's calls back (over a QWebChannel in the top frame;
// sub-frames relay through the top frame with postMessage) to the bound handlers.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <map>

#include "platform/cef/cef_app.h"

namespace orvex::cefqt {

class QtBrowser;

class RenderBridge : public QObject {
    Q_OBJECT

  public:
    // Asks the handler once (with the browser's main frame) which members it sets on a global
    // object, so the page script can define them in every context. GUI thread.
    RenderBridge(QtBrowser* browser, CefRefPtr<CefRenderProcessHandler> handler, QObject* parent);

    // The script to run at document creation in every frame; empty when nothing is bound.
    const QString& BindingScript() const { return script_; }
    // The browser is closing: every context is released.
    void Detach();

    // Called by the page script, on the GUI thread.
    Q_INVOKABLE void contextCreated(const QString& contextId, const QString& url, bool isMain);
    Q_INVOKABLE void contextReleased(const QString& contextId);
    Q_INVOKABLE void invoke(const QString& contextId, const QString& name,
                            const QVariantList& arguments);
    // A frame of another origin posted what looks like a relayed call: it is dropped, with a
    // debug line.
    Q_INVOKABLE void foreignCall(const QString& origin, const QString& name);

  private:
    void releaseAll();

    QtBrowser* browser_;
    CefRefPtr<CefRenderProcessHandler> handler_;
    QString script_;
    struct Context {
        CefRefPtr<CefV8Context> context;
        CefRefPtr<CefFrame> frame;
    };
    std::map<QString, Context> contexts_;
};

// The page script for the given bound function names (exposed for tests).
QString BuildBindingScript(const QStringList& functionNames);

}  // namespace orvex::cefqt
