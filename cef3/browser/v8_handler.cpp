#include "cef3/browser/v8_handler.h"

#include "platform/cef/cef_browser.h"

bool V8Handler::Execute(const CefString& name, CefRefPtr<CefV8Value>,
                        const CefV8ValueList& arguments, CefRefPtr<CefV8Value>&, CefString&) {
    CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
    CefRefPtr<CefListValue> list = message->GetArgumentList();
    list->SetSize(arguments.size());
    for (size_t i = 0; i < arguments.size(); ++i) {
        list->SetString(i, arguments[i]->GetStringValue());
    }
    if (context && context->GetBrowser()) {
        context->GetBrowser()->SendProcessMessage(PID_BROWSER, message);
    }
    return true;
}
