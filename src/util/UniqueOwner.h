// Move-only owners for Win32 handles; each closes its handle exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace qeb {

template <typename Traits>
class UniqueOwner {
public:
    using Value = typename Traits::Value;

    UniqueOwner() noexcept : m_value(Traits::Empty()) {}
    explicit UniqueOwner(Value value) noexcept : m_value(value) {}
    ~UniqueOwner() { Reset(); }

    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    UniqueOwner(UniqueOwner&& other) noexcept : m_value(other.Release()) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    Value Get() const noexcept { return m_value; }
    bool IsValid() const noexcept { return Traits::IsValid(m_value); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Gives up ownership without closing.
    Value Release() noexcept { return std::exchange(m_value, Traits::Empty()); }

    void Reset(Value value = Traits::Empty()) noexcept {
        Value old = std::exchange(m_value, value);
        if (Traits::IsValid(old)) {
            Traits::Close(old);
        }
    }

    // For out-parameters of creation calls: closes what is held first.
    Value* Receive() noexcept {
        Reset();
        return &m_value;
    }

private:
    Value m_value;
};

struct KernelHandleTraits {
    using Value = HANDLE;
    static Value Empty() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr && v != INVALID_HANDLE_VALUE; }
    static void Close(Value v) { ::CloseHandle(v); }
};

// File handles use INVALID_HANDLE_VALUE, not null, for "none".
struct FileHandleTraits {
    using Value = HANDLE;
    static Value Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Value v) { return v != nullptr && v != INVALID_HANDLE_VALUE; }
    static void Close(Value v) { ::CloseHandle(v); }
};

struct FindHandleTraits {
    using Value = HANDLE;
    static Value Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Value v) { return v != nullptr && v != INVALID_HANDLE_VALUE; }
    static void Close(Value v) { ::FindClose(v); }
};

struct RegistryKeyTraits {
    using Value = HKEY;
    static Value Empty() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr; }
    static void Close(Value v) { ::RegCloseKey(v); }
};

struct PrivateHeapTraits {
    using Value = HANDLE;
    static Value Empty() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr; }
    static void Close(Value v) { ::HeapDestroy(v); }
};

struct LocalMemoryTraits {
    using Value = HLOCAL;
    static Value Empty() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr; }
    static void Close(Value v) { ::LocalFree(v); }
};

using UniqueHandle = UniqueOwner<KernelHandleTraits>;
using UniqueFileHandle = UniqueOwner<FileHandleTraits>;
using UniqueFindHandle = UniqueOwner<FindHandleTraits>;
using UniqueRegistryKey = UniqueOwner<RegistryKeyTraits>;
using UniquePrivateHeap = UniqueOwner<PrivateHeapTraits>;
using UniqueLocalMemory = UniqueOwner<LocalMemoryTraits>;

}  // namespace qeb
