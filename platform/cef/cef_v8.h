// Script values, functions, handlers and contexts of the render side (CefV8Value, CefV8Handler,
// CefV8Context). On this platform the page's script engine runs in Chromium's renderer, so the
// values here describe what the render-process handler puts on a context's global object; the
// browser layer turns them into the page's functions and brings calls back to the handlers.
#pragma once

#include <map>
#include <vector>

#include "platform/cef/cef_base.h"
#include "platform/cef/cef_types.h"

class CefBrowser;
class CefFrame;
class CefV8Value;
using CefV8ValueList = std::vector<CefRefPtr<CefV8Value>>;

// What a bound function calls. Execute runs on the render thread (here: the GUI thread).
class CefV8Handler : public virtual CefBaseRefCounted {
  public:
    // Returns true when the call was handled; `retval` and `exception` may be set.
    virtual bool Execute(const CefString& name, CefRefPtr<CefV8Value> object,
                         const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
                         CefString& exception) = 0;
};

// A script value: undefined, null, bool, int, double, string, object or function.
class CefV8Value : public virtual CefBaseRefCounted {
  public:
    static CefRefPtr<CefV8Value> CreateUndefined();
    static CefRefPtr<CefV8Value> CreateNull();
    static CefRefPtr<CefV8Value> CreateBool(bool value);
    static CefRefPtr<CefV8Value> CreateInt(int32_t value);
    static CefRefPtr<CefV8Value> CreateDouble(double value);
    static CefRefPtr<CefV8Value> CreateString(const CefString& value);
    static CefRefPtr<CefV8Value> CreateObject();
    static CefRefPtr<CefV8Value> CreateArray(int length);
    static CefRefPtr<CefV8Value> CreateFunction(const CefString& name,
                                                CefRefPtr<CefV8Handler> handler);

    bool IsValid() const { return true; }
    bool IsUndefined() const { return type_ == Type::Undefined; }
    bool IsNull() const { return type_ == Type::Null; }
    bool IsBool() const { return type_ == Type::Bool; }
    bool IsInt() const { return type_ == Type::Int; }
    bool IsDouble() const { return type_ == Type::Int || type_ == Type::Double; }
    bool IsString() const { return type_ == Type::String; }
    bool IsObject() const {
        return type_ == Type::Object || type_ == Type::Array || type_ == Type::Function;
    }
    bool IsArray() const { return type_ == Type::Array; }
    bool IsFunction() const { return type_ == Type::Function; }

    bool GetBoolValue() const { return type_ == Type::Bool && bool_; }
    int32_t GetIntValue() const { return type_ == Type::Int ? int_ : 0; }
    double GetDoubleValue() const;
    // The text of a string value; empty for every other type (as the library answers).
    CefString GetStringValue() const { return type_ == Type::String ? string_ : CefString(); }
    int GetArrayLength() const { return type_ == Type::Array ? arrayLength_ : 0; }
    CefString GetFunctionName() const { return name_; }
    CefRefPtr<CefV8Handler> GetFunctionHandler() const { return handler_; }

    // Object members. Setting replaces an existing member unless it is read-only; false on a
    // value that is not an object.
    bool HasValue(const CefString& key) const;
    CefRefPtr<CefV8Value> GetValue(const CefString& key) const;
    bool SetValue(const CefString& key, CefRefPtr<CefV8Value> value, PropertyAttribute attribute);
    bool DeleteValue(const CefString& key);
    // Member keys in the order they were first set.
    bool GetKeys(std::vector<CefString>& keys) const;

  private:
    enum class Type { Undefined, Null, Bool, Int, Double, String, Object, Array, Function };
    struct Member {
        CefRefPtr<CefV8Value> value;
        PropertyAttribute attribute = V8_PROPERTY_ATTRIBUTE_NONE;
    };
    explicit CefV8Value(Type type) : type_(type) {}

    Type type_;
    bool bool_ = false;
    int32_t int_ = 0;
    double double_ = 0;
    int arrayLength_ = 0;
    CefString string_;
    CefString name_;
    CefRefPtr<CefV8Handler> handler_;
    std::map<CefString, Member> members_;
    std::vector<CefString> keyOrder_;

    IMPLEMENT_REFCOUNTING(CefV8Value);
};

// One script context: a frame's document with its global object. Render thread only.
class CefV8Context : public virtual CefBaseRefCounted {
  public:
    CefV8Context(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame);
    ~CefV8Context() override;

    // The innermost entered context of the calling thread, or null outside any call.
    static CefRefPtr<CefV8Context> GetCurrentContext();
    static CefRefPtr<CefV8Context> GetEnteredContext() { return GetCurrentContext(); }
    static bool InContext() { return GetCurrentContext() != nullptr; }

    bool IsValid() const { return valid_; }
    CefRefPtr<CefBrowser> GetBrowser() const;
    CefRefPtr<CefFrame> GetFrame() const;
    CefRefPtr<CefV8Value> GetGlobal() const { return global_; }
    bool Enter();
    bool Exit();
    bool IsSame(CefRefPtr<CefV8Context> that) const { return that.get() == this; }
    // The context's document is gone; it can no longer be entered.
    void Invalidate() { valid_ = false; }

  private:
    CefRefPtr<CefBrowser> browser_;
    CefRefPtr<CefFrame> frame_;
    CefRefPtr<CefV8Value> global_;
    bool valid_ = true;

    IMPLEMENT_REFCOUNTING(CefV8Context);
};
