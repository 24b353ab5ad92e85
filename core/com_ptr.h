#pragma once
#include <unknwn.h>

#include <utility>

// Owner of one reference to a COM interface: released exactly once, never copied.
template <typename Interface> class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(Interface* pointer) : pointer_(pointer) {} // takes over that reference
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        reset(std::exchange(other.pointer_, nullptr));
        return *this;
    }
    ~ComPtr() { reset(); }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void** out() { // for functions that hand back a new reference through a void**
        reset();
        return reinterpret_cast<void**>(&pointer_);
    }
    void reset(Interface* pointer = nullptr) {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
        pointer_ = pointer;
    }

private:
    Interface* pointer_ = nullptr;
};
