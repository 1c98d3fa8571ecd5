// Owned Win32 handles: closed when the owner goes, on every path. One
// template, one small traits type per kind of handle.
#pragma once

#include <windows.h>

#include <utility>

namespace ovs {

template <class Traits>
class TUniqueHandle {
public:
    using Type = typename Traits::Type;

    TUniqueHandle() = default;
    explicit TUniqueHandle(Type handle) : handle_(handle) {}
    ~TUniqueHandle() { reset(); }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    TUniqueHandle(TUniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, Traits::Invalid());
        }
        return *this;
    }

    Type get() const { return handle_; }
    // Hands the handle over to a caller who closes it.
    Type release() { return std::exchange(handle_, Traits::Invalid()); }
    bool valid() const { return handle_ != Traits::Invalid(); }
    explicit operator bool() const { return valid(); }
    // For out-parameters: whatever was held is closed first.
    Type* put() {
        reset();
        return &handle_;
    }
    void reset(Type handle = Traits::Invalid()) {
        if (valid()) Traits::Close(handle_);
        handle_ = handle;
    }
    // Closes now and tells whether that worked: closing a written file may
    // flush, and its failure is a failure to write.
    bool close() {
        if (!valid()) return true;
        const bool ok = Traits::Close(std::exchange(handle_, Traits::Invalid()));
        return ok;
    }

private:
    Type handle_ = Traits::Invalid();
};

struct TFileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};

struct TFindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return FindClose(h) != FALSE; }
};

struct TRegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

struct TIconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return DestroyIcon(h) != FALSE; }
};

struct TMemoryDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return DeleteDC(h) != FALSE; }
};

struct TGdiBitmapTraits {
    using Type = HBITMAP;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return DeleteObject(h) != FALSE; }
};

// CreateFile's handle: INVALID_HANDLE_VALUE when there is none.
using TFileHandle = TUniqueHandle<TFileHandleTraits>;
// FindFirstFile's handle.
using TFindHandle = TUniqueHandle<TFindHandleTraits>;
// LoadImage's icon, CreateCompatibleDC's memory DC, a GDI bitmap.
using TIcon = TUniqueHandle<TIconTraits>;
using TMemoryDc = TUniqueHandle<TMemoryDcTraits>;
using TGdiBitmap = TUniqueHandle<TGdiBitmapTraits>;

} // namespace ovs
