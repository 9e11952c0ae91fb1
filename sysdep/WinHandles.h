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

    // The caller owns what it gets back.
    [[nodiscard]] value_type release() noexcept { return std::exchange(value_, Traits::invalid()); }

    // Closes what is held and takes `v`. The last-error value is left as the
    // caller had it: a reset between a failed call and the caller's
    // GetLastError must not change what the caller reads.
    void reset(value_type v = Traits::invalid()) noexcept {
        if (Traits::valid(value_)) {
            const DWORD error = GetLastError();
            Traits::close(value_);
            SetLastError(error);
        }
        value_ = v;
    }

    // Closes what is held now and says whether the close worked; on failure
    // GetLastError tells why. True when nothing was held.
    [[nodiscard]] bool close() noexcept {
        const bool closed = !Traits::valid(value_) || Traits::close(value_);
        value_ = Traits::invalid();
        return closed;
    }

private:
    value_type value_;
};

struct KernelHandleTraits {   // events, mappings, threads, processes: null means none
    using type = HANDLE;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool close(type h) noexcept { return CloseHandle(h) != FALSE; }
};

struct RegKeyTraits {
    using type = HKEY;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr; }
    static bool close(type h) noexcept {
        const LONG rc = RegCloseKey(h);  // reports its error as its result
        if (rc != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(rc));
        return rc == ERROR_SUCCESS;
    }
};

struct ScHandleTraits {
    using type = SC_HANDLE;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr; }
    static bool close(type h) noexcept { return CloseServiceHandle(h) != FALSE; }
};

struct MappedViewTraits {
    using type = void*;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type p) noexcept { return p != nullptr; }
    static bool close(type p) noexcept { return UnmapViewOfFile(p) != FALSE; }
};

struct ModuleTraits {  // a library loaded with LoadLibrary
    using type = HMODULE;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type m) noexcept { return m != nullptr; }
    static bool close(type m) noexcept { return FreeLibrary(m) != FALSE; }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueHKey = UniqueResource<RegKeyTraits>;
using UniqueScHandle = UniqueResource<ScHandleTraits>;
using UniqueView = UniqueResource<MappedViewTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;

}  // namespace orx
