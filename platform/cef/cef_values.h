// CefListValue and CefProcessMessage: the named message with a list of values that travels
// between the render side and the browser side.
#pragma once

#include <mutex>
#include <variant>
#include <vector>

#include "platform/cef/cef_base.h"
#include "platform/cef/cef_types.h"

enum cef_value_type_t {
    VTYPE_INVALID = 0,
    VTYPE_NULL,
    VTYPE_BOOL,
    VTYPE_INT,
    VTYPE_DOUBLE,
    VTYPE_STRING
};
using CefValueType = cef_value_type_t;

// A list of simple values. Reading and writing one list from several threads at once is not
// supported (as in the library).
class CefListValue : public virtual CefBaseRefCounted {
  public:
    static CefRefPtr<CefListValue> Create();

    bool IsValid() const { return true; }
    bool IsReadOnly() const { return readOnly_; }
    size_t GetSize() const { return values_.size(); }
    // Growing fills with null values; shrinking drops the tail. False when read-only.
    bool SetSize(size_t size);
    bool Clear() { return SetSize(0); }
    bool Remove(size_t index);
    CefValueType GetType(size_t index) const;
    // Readers give the type's zero value for an index that is absent or of another type.
    bool GetBool(size_t index) const;
    int GetInt(size_t index) const;
    double GetDouble(size_t index) const;
    CefString GetString(size_t index) const;
    // Writers grow the list to hold `index`; false when read-only.
    bool SetNull(size_t index);
    bool SetBool(size_t index, bool value);
    bool SetInt(size_t index, int value);
    bool SetDouble(size_t index, double value);
    bool SetString(size_t index, const CefString& value);
    CefRefPtr<CefListValue> Copy() const;
    void SetReadOnly() { readOnly_ = true; }

  private:
    using Value = std::variant<std::monostate, bool, int, double, CefString>;
    bool set(size_t index, Value value);

    std::vector<Value> values_;
    bool readOnly_ = false;

    IMPLEMENT_REFCOUNTING(CefListValue);
};

// A named message with an argument list. Once sent it is read-only.
class CefProcessMessage : public virtual CefBaseRefCounted {
  public:
    static CefRefPtr<CefProcessMessage> Create(const CefString& name);

    bool IsValid() const { return true; }
    bool IsReadOnly() const { return arguments_->IsReadOnly(); }
    CefString GetName() const { return name_; }
    CefRefPtr<CefListValue> GetArgumentList() const { return arguments_; }
    // A writable copy with the same name and arguments.
    CefRefPtr<CefProcessMessage> Copy() const;
    // What sending does: the receiver gets a read-only copy.
    CefRefPtr<CefProcessMessage> CopyForDelivery() const;

  private:
    explicit CefProcessMessage(const CefString& name);

    CefString name_;
    CefRefPtr<CefListValue> arguments_;

    IMPLEMENT_REFCOUNTING(CefProcessMessage);
};
