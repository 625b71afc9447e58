#include "platform/cef/cef_values.h"

CefRefPtr<CefListValue> CefListValue::Create() {
    return new CefListValue();
}

bool CefListValue::SetSize(size_t size) {
    if (readOnly_) {
        return false;
    }
    values_.resize(size);
    return true;
}

bool CefListValue::Remove(size_t index) {
    if (readOnly_ || index >= values_.size()) {
        return false;
    }
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

CefValueType CefListValue::GetType(size_t index) const {
    if (index >= values_.size()) {
        return VTYPE_INVALID;
    }
    switch (values_[index].index()) {
        case 0:
            return VTYPE_NULL;
        case 1:
            return VTYPE_BOOL;
        case 2:
            return VTYPE_INT;
        case 3:
            return VTYPE_DOUBLE;
        default:
            return VTYPE_STRING;
    }
}

bool CefListValue::GetBool(size_t index) const {
    const bool* value = index < values_.size() ? std::get_if<bool>(&values_[index]) : nullptr;
    return value != nullptr && *value;
}

int CefListValue::GetInt(size_t index) const {
    const int* value = index < values_.size() ? std::get_if<int>(&values_[index]) : nullptr;
    return value != nullptr ? *value : 0;
}

double CefListValue::GetDouble(size_t index) const {
    const double* value = index < values_.size() ? std::get_if<double>(&values_[index]) : nullptr;
    return value != nullptr ? *value : 0.0;
}

CefString CefListValue::GetString(size_t index) const {
    const CefString* value =
        index < values_.size() ? std::get_if<CefString>(&values_[index]) : nullptr;
    return value != nullptr ? *value : CefString();
}

bool CefListValue::set(size_t index, Value value) {
    if (readOnly_) {
        return false;
    }
    if (index >= values_.size()) {
        values_.resize(index + 1);
    }
    values_[index] = std::move(value);
    return true;
}

bool CefListValue::SetNull(size_t index) {
    return set(index, std::monostate{});
}

bool CefListValue::SetBool(size_t index, bool value) {
    return set(index, value);
}

bool CefListValue::SetInt(size_t index, int value) {
    return set(index, value);
}

bool CefListValue::SetDouble(size_t index, double value) {
    return set(index, value);
}

bool CefListValue::SetString(size_t index, const CefString& value) {
    return set(index, value);
}

CefRefPtr<CefListValue> CefListValue::Copy() const {
    CefRefPtr<CefListValue> copy = Create();
    copy->values_ = values_;
    return copy;
}

CefProcessMessage::CefProcessMessage(const CefString& name)
    : name_(name), arguments_(CefListValue::Create()) {}

CefRefPtr<CefProcessMessage> CefProcessMessage::Create(const CefString& name) {
    return new CefProcessMessage(name);
}

CefRefPtr<CefProcessMessage> CefProcessMessage::Copy() const {
    CefRefPtr<CefProcessMessage> copy = Create(name_);
    copy->arguments_ = arguments_->Copy();
    return copy;
}

CefRefPtr<CefProcessMessage> CefProcessMessage::CopyForDelivery() const {
    CefRefPtr<CefProcessMessage> copy = Copy();
    copy->arguments_->SetReadOnly();
    return copy;
}
