// V8Handler: what the bridge functions call. It forwards the call to the browser process as a
// process message named after the function, with each argument's string value in order.
#pragma once

#include "platform/cef/cef_v8.h"

class V8Handler : public CefV8Handler {
  public:
    // Sends the message through the current context's browser and returns true at once, leaving
    // the return value and the exception untouched (the page sees undefined). Render thread.
    bool Execute(const CefString& name, CefRefPtr<CefV8Value> object,
                 const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
                 CefString& exception) override;

    IMPLEMENT_REFCOUNTING(V8Handler);
};
