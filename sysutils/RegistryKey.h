// An owned registry key handle: closed when the owner goes, on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace ovs {

class TRegistryKey {
public:
    TRegistryKey() = default;
    explicit TRegistryKey(HKEY key) : key_(key) {}
    ~TRegistryKey() { reset(); }
    TRegistryKey(const TRegistryKey&) = delete;
    TRegistryKey& operator=(const TRegistryKey&) = delete;
    TRegistryKey(TRegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    TRegistryKey& operator=(TRegistryKey&& other) noexcept {
        if (this != &other) {
            reset();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }

    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }
    // For the out-parameter of RegOpenKeyExA and friends.
    HKEY* put() {
        reset();
        return &key_;
    }
    void reset() {
        if (key_) RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

} // namespace ovs
