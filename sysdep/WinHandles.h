// Owning wrappers for the Win32 handles used inside the service's own code.
// The C-style interfaces fixed for other programs (IPC channel handles, the
// registry helpers' booleans) stay as they are; these only keep our internals
// from leaking handles on early returns.
#pragma once

#include <windows.h>

#include <utility>

namespace orx {

template <typename Traits>
class UniqueResource {
public:
    using value_type = typename Traits::type;

    UniqueResource() noexcept : value_(Traits::invalid()) {}
    explicit UniqueResource(value_type v) noexcept : value_(v) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    value_type get() const noexcept { return value_; }
    value_type* put() noexcept { reset(); return &value_; }
    explicit operator bool() const noexcept { return Traits::valid(value_); }

    value_type release() noexcept { return std::exchange(value_, Traits::invalid()); }
    void reset(value_type v = Traits::invalid()) noexcept {
        if (Traits::valid(value_)) Traits::close(value_);
        value_ = v;
    }

private:
    value_type value_;
};

struct KernelHandleTraits {   // events, mappings, threads, processes: null means none
    using type = HANDLE;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { CloseHandle(h); }
};

struct RegKeyTraits {
    using type = HKEY;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr; }
    static void close(type h) noexcept { RegCloseKey(h); }
};

struct ScHandleTraits {
    using type = SC_HANDLE;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr; }
    static void close(type h) noexcept { CloseServiceHandle(h); }
};

struct MappedViewTraits {
    using type = void*;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type p) noexcept { return p != nullptr; }
    static void close(type p) noexcept { UnmapViewOfFile(p); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueHKey = UniqueResource<RegKeyTraits>;
using UniqueScHandle = UniqueResource<ScHandleTraits>;
using UniqueView = UniqueResource<MappedViewTraits>;

}  // namespace orx
