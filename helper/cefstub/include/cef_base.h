#pragma once

// Reference counting and smart pointer of the CEF C++ API, reduced to what the
// helper and the stand-in runtime use. Objects that CEF may hold across its
// threads count their references atomically and delete themselves on the last
// release.

#include <atomic>
#include <cstddef>
#include <string>
#include <utility>

#include "include/internal/cef_types.h"

class CefBaseRefCounted {
public:
    virtual void AddRef() const = 0;
    // True when this call released the last reference (the object is gone).
    virtual bool Release() const = 0;
    virtual bool HasOneRef() const = 0;
    virtual bool HasAtLeastOneRef() const = 0;

protected:
    virtual ~CefBaseRefCounted() {}
};

class CefRefCount {
public:
    CefRefCount() : ref_count_(0) {}
    CefRefCount(const CefRefCount &) = delete;
    CefRefCount &operator=(const CefRefCount &) = delete;

    void AddRef() const { ref_count_.fetch_add(1, std::memory_order_relaxed); }
    // Acquire-release so that every write made before another thread's last
    // release is visible to the thread that deletes.
    bool Release() const { return ref_count_.fetch_sub(1, std::memory_order_acq_rel) == 1; }
    bool HasOneRef() const { return ref_count_.load(std::memory_order_acquire) == 1; }
    bool HasAtLeastOneRef() const { return ref_count_.load(std::memory_order_acquire) > 0; }

private:
    mutable std::atomic<int> ref_count_;
};

#define IMPLEMENT_REFCOUNTING(ClassName)                                            \
public:                                                                             \
    void AddRef() const override { ref_count_.AddRef(); }                           \
    bool Release() const override                                                   \
    {                                                                               \
        if (ref_count_.Release()) {                                                 \
            delete static_cast<const ClassName *>(this);                            \
            return true;                                                            \
        }                                                                           \
        return false;                                                               \
    }                                                                               \
    bool HasOneRef() const override { return ref_count_.HasOneRef(); }              \
    bool HasAtLeastOneRef() const override { return ref_count_.HasAtLeastOneRef(); } \
                                                                                    \
private:                                                                            \
    CefRefCount ref_count_

template <class T>
class CefRefPtr {
public:
    CefRefPtr() : ptr_(nullptr) {}
    CefRefPtr(std::nullptr_t) : ptr_(nullptr) {}
    CefRefPtr(T *p) : ptr_(p)
    {
        if (ptr_)
            ptr_->AddRef();
    }
    CefRefPtr(const CefRefPtr<T> &r) : CefRefPtr(r.ptr_) {}
    template <class U>
    CefRefPtr(const CefRefPtr<U> &r) : CefRefPtr(r.get()) {}
    CefRefPtr(CefRefPtr<T> &&r) noexcept : ptr_(r.ptr_) { r.ptr_ = nullptr; }
    ~CefRefPtr()
    {
        if (ptr_)
            ptr_->Release();
    }

    CefRefPtr<T> &operator=(T *p)
    {
        // Take the new reference first: p may be the object already held.
        if (p)
            p->AddRef();
        T *old = ptr_;
        ptr_ = p;
        if (old)
            old->Release();
        return *this;
    }
    CefRefPtr<T> &operator=(const CefRefPtr<T> &r) { return *this = r.ptr_; }
    CefRefPtr<T> &operator=(CefRefPtr<T> &&r) noexcept
    {
        CefRefPtr<T>(std::move(r)).swap(*this);
        return *this;
    }

    T *get() const { return ptr_; }
    operator T *() const { return ptr_; }
    T &operator*() const { return *ptr_; }
    T *operator->() const { return ptr_; }
    void swap(CefRefPtr<T> &r) noexcept { std::swap(ptr_, r.ptr_); }

private:
    T *ptr_;
};

// Pointer that CEF lends for the duration of one call only.
template <class T>
using CefRawPtr = T *;

// Text as CEF passes it; the helper only reads it.
class CefString {
public:
    CefString() {}
    CefString(const char *text) : text_(text ? text : "") {}
    CefString(const std::string &text) : text_(text) {}

    std::string ToString() const { return text_; }
    bool empty() const { return text_.empty(); }

private:
    std::string text_;
};
