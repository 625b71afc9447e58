// The base of the browser library API on this platform: reference counting (CefRefPtr,
// IMPLEMENT_REFCOUNTING), the UTF-16 string CefString and the fatal check of the library's log.
#pragma once

#include <atomic>
#include <string>
#include <utility>

// Every library object is counted; interfaces derive from this base virtually so that a class
// implementing several of them has one count.
class CefBaseRefCounted {
  public:
    virtual void AddRef() const = 0;
    // Returns true when this call released the last reference (the object is gone).
    virtual bool Release() const = 0;
    virtual bool HasOneRef() const = 0;

  protected:
    virtual ~CefBaseRefCounted() = default;
};
using CefBase = CefBaseRefCounted;

// The counter behind IMPLEMENT_REFCOUNTING; safe to use from any thread.
class CefRefCount {
  public:
    void AddRef() const { count_.fetch_add(1, std::memory_order_relaxed); }
    bool Release() const { return count_.fetch_sub(1, std::memory_order_acq_rel) == 1; }
    bool HasOneRef() const { return count_.load(std::memory_order_acquire) == 1; }

  private:
    mutable std::atomic<int> count_{0};
};

#define IMPLEMENT_REFCOUNTING(ClassName)                \
  public:                                               \
    void AddRef() const override {                      \
        ref_count_.AddRef();                            \
    }                                                   \
    bool Release() const override {                     \
        if (ref_count_.Release()) {                     \
            delete static_cast<const ClassName*>(this); \
            return true;                                \
        }                                               \
        return false;                                   \
    }                                                   \
    bool HasOneRef() const override {                   \
        return ref_count_.HasOneRef();                  \
    }                                                   \
                                                        \
  private:                                              \
    CefRefCount ref_count_

// A counted reference. Copying and destroying it from any thread is safe; the object it points
// to decides which of its operations are.
template <class T>
class CefRefPtr {
  public:
    CefRefPtr() = default;
    CefRefPtr(std::nullptr_t) {}
    CefRefPtr(T* p) : ptr_(p) {
        if (ptr_ != nullptr) {
            ptr_->AddRef();
        }
    }
    CefRefPtr(const CefRefPtr& other) : CefRefPtr(other.ptr_) {}
    template <class U>
    CefRefPtr(const CefRefPtr<U>& other) : CefRefPtr(other.get()) {}
    CefRefPtr(CefRefPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ~CefRefPtr() {
        if (ptr_ != nullptr) {
            ptr_->Release();
        }
    }
    CefRefPtr& operator=(CefRefPtr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    T& operator*() const { return *ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    bool operator==(const CefRefPtr& other) const { return ptr_ == other.ptr_; }
    bool operator==(std::nullptr_t) const { return ptr_ == nullptr; }
    bool operator!=(std::nullptr_t) const { return ptr_ != nullptr; }

  private:
    T* ptr_ = nullptr;
};

// The library's string: UTF-16 text, made from and turned into UTF-8 narrow text.
class CefString {
  public:
    CefString() = default;
    CefString(const char* utf8);
    CefString(const std::string& utf8);
    CefString(std::u16string text) : text_(std::move(text)) {}
    CefString(const char16_t* text) : text_(text != nullptr ? text : u"") {}

    std::string ToString() const;  // UTF-8
    const std::u16string& ToString16() const { return text_; }
    const char16_t* c_str() const { return text_.c_str(); }
    size_t length() const { return text_.size(); }
    bool empty() const { return text_.empty(); }
    void clear() { text_.clear(); }

    bool operator==(const CefString& other) const { return text_ == other.text_; }
    bool operator!=(const CefString& other) const { return text_ != other.text_; }
    bool operator<(const CefString& other) const { return text_ < other.text_; }

  private:
    std::u16string text_;
};

// The library's fatal check: when `condition` is false, writes "Check failed: <expression>. "
// through the library's log at fatal severity and ends the process. Any thread.
void CefCheck(bool condition, const char* expression);
