#include "platform/cef/qt/render_bridge_qt.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include "platform/cef/qt/browser_qt.h"
#include "platform/win32/debug_output.h"
#include "support/gui_thread.h"

namespace orvex::cefqt {
namespace {

QString webChannelLibrary() {
    static const QString text = [] {
        QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }();
    return text;
}

// The script of every frame. Each document gets a context id; calls are queued until the top
// frame's channel is open. Arguments travel with their type so the handler sees script values.
// Sub-frames of the top frame's origin hand their messages to the top frame, whose listener
// forwards them. A frame of another origin (an advertisement, a hostile embed) gets no bridge
// functions, and whatever it posts that looks like a relayed call is dropped and reported: it
// must not reach the studio or send the program to cameras.
const char kScript[] = R"JS(
(function () {
  'use strict';
  // The engine may run a document-creation script twice for one document: the second run
  // would open a second channel on the same transport and break the first.
  if (document.__orvexRenderBridge) return;
  Object.defineProperty(document, '__orvexRenderBridge', {value: true});
  var NAMES = %1;
  var MARK = 'orvex-render-bridge';
  var isTop = window.top === window;
  if (!isTop) {
    var sameOrigin = false;
    try { sameOrigin = window.top.location.origin === location.origin; } catch (x) {}
    if (!sameOrigin) return;
  }
  var ctx = Math.random().toString(36).slice(2) + '.' + Date.now().toString(36);
  var queue = [];
  var bridge = null;
  function typed(v) {
    switch (typeof v) {
      case 'string': return ['s', v];
      case 'number':
        return Number.isInteger(v) && v >= -2147483648 && v <= 2147483647 ? ['i', v] : ['d', v];
      case 'boolean': return ['b', v];
      case 'undefined': return ['u'];
      case 'function': return ['f'];
      default: return v === null ? ['n'] : Array.isArray(v) ? ['a', v.length] : ['o'];
    }
  }
  function send(m) {
    if (m.k === 'c') bridge.invoke(m.ctx, m.name, m.args);
    else if (m.k === 'n') bridge.contextCreated(m.ctx, m.url, m.main);
    else if (m.k === 'r') bridge.contextReleased(m.ctx);
    else if (m.k === 'x') bridge.foreignCall(m.origin, m.name);
  }
  function deliver(m) {
    if (bridge) send(m); else queue.push(m);
  }
  // window.top is read at each post: a frame's first view of the top may be replaced.
  var post = isTop ? deliver : function (m) { m.mark = MARK; window.top.postMessage(m, '*'); };
  post({k: 'n', ctx: ctx, url: String(location.href), main: isTop});
  NAMES.forEach(function (name) {
    window[name] = function () {
      var args = [];
      for (var i = 0; i < arguments.length; i++) args.push(typed(arguments[i]));
      post({k: 'c', ctx: ctx, name: name, args: args});
      return undefined;
    };
  });
  window.addEventListener('pagehide', function () { post({k: 'r', ctx: ctx}); });
  window.addEventListener('pageshow', function (e) {
    if (e.persisted) post({k: 'n', ctx: ctx, url: String(location.href), main: isTop});
  });
  if (!isTop) return;
  window.addEventListener('message', function (e) {
    var d = e.data;
    if (!d || d.mark !== MARK) return;
    e.stopImmediatePropagation();
    if (e.origin !== location.origin) {
      deliver({k: 'x', origin: String(e.origin), name: String(d.name)});
      return;
    }
    var fromSubFrame = false;
    try { fromSubFrame = e.source !== window && e.source.top === window; } catch (x) {}
    if (fromSubFrame) deliver({k: d.k, ctx: d.ctx, url: d.url, main: false, name: d.name,
                               args: d.args});
  }, true);
  if (typeof qt === 'undefined' || !qt.webChannelTransport) return;
  var QWebChannel = (function () {
%2
    return QWebChannel;
  })();
  new QWebChannel(qt.webChannelTransport, function (channel) {
    bridge = channel.objects.orvexRenderBridge;
    var pending = queue;
    queue = [];
    pending.forEach(send);
  });
})();
)JS";

CefRefPtr<CefV8Value> scriptValue(const QVariant& item) {
    QVariantList pair = item.toList();
    QString type = pair.value(0).toString();
    QVariant value = pair.value(1);
    if (type == QLatin1String("s")) {
        return CefV8Value::CreateString(CefString(value.toString().toStdU16String()));
    }
    if (type == QLatin1String("i")) {
        return CefV8Value::CreateInt(static_cast<int32_t>(value.toLongLong()));
    }
    if (type == QLatin1String("d")) {
        return CefV8Value::CreateDouble(value.toDouble());
    }
    if (type == QLatin1String("b")) {
        return CefV8Value::CreateBool(value.toBool());
    }
    if (type == QLatin1String("n")) {
        return CefV8Value::CreateNull();
    }
    if (type == QLatin1String("f")) {
        return CefV8Value::CreateFunction(CefString(), nullptr);
    }
    if (type == QLatin1String("a")) {
        return CefV8Value::CreateArray(value.toInt());
    }
    if (type == QLatin1String("o")) {
        return CefV8Value::CreateObject();
    }
    return CefV8Value::CreateUndefined();
}

}  // namespace

QString BuildBindingScript(const QStringList& functionNames) {
    QString names = QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(functionNames)).toJson(QJsonDocument::Compact));
    return QString::fromUtf8(kScript).arg(names, webChannelLibrary());
}

RenderBridge::RenderBridge(QtBrowser* browser, CefRefPtr<CefRenderProcessHandler> handler,
                           QObject* parent)
    : QObject(parent), browser_(browser), handler_(handler) {
    if (!handler_) {
        return;
    }
    CefRefPtr<CefV8Context> probe = new CefV8Context(browser_, browser_->GetMainFrame());
    probe->Enter();
    handler_->OnContextCreated(browser_, browser_->GetMainFrame(), probe);
    probe->Exit();
    probe->Invalidate();
    std::vector<CefString> keys;
    probe->GetGlobal()->GetKeys(keys);
    QStringList names;
    for (const CefString& key : keys) {
        CefRefPtr<CefV8Value> value = probe->GetGlobal()->GetValue(key);
        if (value && value->IsFunction()) {
            names << QString::fromStdU16String(key.ToString16());
        }
    }
    if (!names.isEmpty()) {
        script_ = BuildBindingScript(names);
    }
}

void RenderBridge::releaseAll() {
    std::map<QString, Context> released;
    released.swap(contexts_);
    for (auto& [id, entry] : released) {
        if (handler_ && browser_ != nullptr) {
            handler_->OnContextReleased(browser_, entry.frame, entry.context);
        }
        entry.context->Invalidate();
    }
}

void RenderBridge::Detach() {
    releaseAll();
    browser_ = nullptr;
}

void RenderBridge::contextCreated(const QString& contextId, const QString& url, bool isMain) {
    ORVEX_ASSERT_GUI_THREAD();
    if (browser_ == nullptr || !handler_ || contexts_.count(contextId) != 0) {
        return;
    }
    CefRefPtr<CefFrame> frame =
        isMain ? browser_->GetMainFrame() : browser_->MakeSubFrame(CefString(url.toStdU16String()));
    CefRefPtr<CefV8Context> context = new CefV8Context(browser_, frame);
    contexts_[contextId] = Context{context, frame};
    context->Enter();
    handler_->OnContextCreated(browser_, frame, context);
    context->Exit();
}

void RenderBridge::contextReleased(const QString& contextId) {
    ORVEX_ASSERT_GUI_THREAD();
    auto it = contexts_.find(contextId);
    if (it == contexts_.end()) {
        return;
    }
    Context entry = it->second;
    contexts_.erase(it);
    if (handler_ && browser_ != nullptr) {
        handler_->OnContextReleased(browser_, entry.frame, entry.context);
    }
    entry.context->Invalidate();
}

void RenderBridge::foreignCall(const QString& origin, const QString& name) {
    ORVEX_ASSERT_GUI_THREAD();
    OutputDebugStringA(("bridge call from another origin dropped: " + origin.toStdString() + " " +
                        name.toStdString() + "\n")
                           .c_str());
}

void RenderBridge::invoke(const QString& contextId, const QString& name,
                          const QVariantList& arguments) {
    ORVEX_ASSERT_GUI_THREAD();
    auto it = contexts_.find(contextId);
    if (browser_ == nullptr || it == contexts_.end()) {
        return;
    }
    CefRefPtr<CefV8Context> context = it->second.context;
    CefRefPtr<CefV8Value> function =
        context->GetGlobal()->GetValue(CefString(name.toStdU16String()));
    if (!function || !function->IsFunction() || !function->GetFunctionHandler()) {
        return;
    }
    CefV8ValueList values;
    values.reserve(static_cast<size_t>(arguments.size()));
    for (const QVariant& argument : arguments) {
        values.push_back(scriptValue(argument));
    }
    CefRefPtr<CefV8Value> retval;
    CefString exception;
    if (context->Enter()) {
        function->GetFunctionHandler()->Execute(function->GetFunctionName(), context->GetGlobal(),
                                                values, retval, exception);
        context->Exit();
    }
}

}  // namespace orvex::cefqt
