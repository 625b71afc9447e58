#include "cef3/browser/client_app_render.h"

#include "cef3/browser/page_bridge.h"
#include "cef3/browser/v8_handler.h"

void ClientAppRender::OnContextCreated(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                       CefRefPtr<CefV8Context> context) {
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    CefRefPtr<CefV8Handler> handler = new V8Handler();
    for (const std::string& name : orvex::InstalledPageBridge().functionNames) {
        CefString key{name};
        global->SetValue(key, CefV8Value::CreateFunction(key, handler), V8_PROPERTY_ATTRIBUTE_NONE);
    }
}
