// An owned COM interface pointer, the one kind every part of the project
// holds interfaces in (the server, ovsinfo's XML reader, the demo and tests).
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace ovs {

// An owned COM interface pointer: released when the owner goes.
template <class I>
class TComPtr {
public:
    TComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit TComPtr(I* p) : p_(p) {}
    ~TComPtr() { reset(); }
    TComPtr(const TComPtr& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    TComPtr& operator=(const TComPtr& other) {
        if (this != &other) {
            if (other.p_) other.p_->AddRef();
            reset();
            p_ = other.p_;
        }
        return *this;
    }
    TComPtr(TComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    TComPtr& operator=(TComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    // Adds a reference of its own to a pointer the caller keeps.
    static TComPtr Retain(I* p) {
        if (p) p->AddRef();
        return TComPtr(p);
    }

    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: I** or void** of CoCreateInstance and friends.
    I** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    I* detach() { return std::exchange(p_, nullptr); }

private:
    I* p_ = nullptr;
};

} // namespace ovs
