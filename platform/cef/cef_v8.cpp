#include "platform/cef/cef_v8.h"

#include <algorithm>

#include "platform/cef/cef_browser.h"

namespace {

thread_local std::vector<CefV8Context*> enteredContexts;

}  // namespace

CefRefPtr<CefV8Value> CefV8Value::CreateUndefined() {
    return new CefV8Value(Type::Undefined);
}

CefRefPtr<CefV8Value> CefV8Value::CreateNull() {
    return new CefV8Value(Type::Null);
}

CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) {
    CefRefPtr<CefV8Value> v = new CefV8Value(Type::Bool);
    v->bool_ = value;
    return v;
}

CefRefPtr<CefV8Value> CefV8Value::CreateInt(int32_t value) {
    CefRefPtr<CefV8Value> v = new CefV8Value(Type::Int);
    v->int_ = value;
    return v;
}

CefRefPtr<CefV8Value> CefV8Value::CreateDouble(double value) {
    CefRefPtr<CefV8Value> v = new CefV8Value(Type::Double);
    v->double_ = value;
    return v;
}

CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
    CefRefPtr<CefV8Value> v = new CefV8Value(Type::String);
    v->string_ = value;
    return v;
}

CefRefPtr<CefV8Value> CefV8Value::CreateObject() {
    return new CefV8Value(Type::Object);
}

CefRefPtr<CefV8Value> CefV8Value::CreateArray(int length) {
    CefRefPtr<CefV8Value> v = new CefV8Value(Type::Array);
    v->arrayLength_ = length < 0 ? 0 : length;
    return v;
}

CefRefPtr<CefV8Value> CefV8Value::CreateFunction(const CefString& name,
                                                 CefRefPtr<CefV8Handler> handler) {
    CefRefPtr<CefV8Value> v = new CefV8Value(Type::Function);
    v->name_ = name;
    v->handler_ = handler;
    return v;
}

double CefV8Value::GetDoubleValue() const {
    if (type_ == Type::Int) {
        return int_;
    }
    return type_ == Type::Double ? double_ : 0.0;
}

bool CefV8Value::HasValue(const CefString& key) const {
    return members_.count(key) != 0;
}

CefRefPtr<CefV8Value> CefV8Value::GetValue(const CefString& key) const {
    auto it = members_.find(key);
    return it == members_.end() ? nullptr : it->second.value;
}

bool CefV8Value::SetValue(const CefString& key, CefRefPtr<CefV8Value> value,
                          PropertyAttribute attribute) {
    if (!IsObject() || !value) {
        return false;
    }
    auto it = members_.find(key);
    if (it != members_.end()) {
        if (it->second.attribute & V8_PROPERTY_ATTRIBUTE_READONLY) {
            return false;
        }
        it->second = Member{value, attribute};
        return true;
    }
    members_[key] = Member{value, attribute};
    keyOrder_.push_back(key);
    return true;
}

bool CefV8Value::DeleteValue(const CefString& key) {
    auto it = members_.find(key);
    if (it == members_.end() || (it->second.attribute & V8_PROPERTY_ATTRIBUTE_DONTDELETE)) {
        return false;
    }
    members_.erase(it);
    keyOrder_.erase(std::remove(keyOrder_.begin(), keyOrder_.end(), key), keyOrder_.end());
    return true;
}

bool CefV8Value::GetKeys(std::vector<CefString>& keys) const {
    keys = keyOrder_;
    return IsObject();
}

CefV8Context::CefV8Context(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame)
    : browser_(browser), frame_(frame), global_(CefV8Value::CreateObject()) {}

CefV8Context::~CefV8Context() = default;

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
    return enteredContexts.empty() ? nullptr : enteredContexts.back();
}

CefRefPtr<CefBrowser> CefV8Context::GetBrowser() const {
    return browser_;
}

CefRefPtr<CefFrame> CefV8Context::GetFrame() const {
    return frame_;
}

bool CefV8Context::Enter() {
    if (!valid_) {
        return false;
    }
    enteredContexts.push_back(this);
    return true;
}

bool CefV8Context::Exit() {
    if (enteredContexts.empty() || enteredContexts.back() != this) {
        return false;
    }
    enteredContexts.pop_back();
    return true;
}
