// Owners for Win32 handles, GDI objects, COM strings and locks: each written once, move-only,
// with the right empty value for its kind. Every part of the program and the components' DLL
// uses these instead of closing things by hand.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace qm {

// Traits: `Type`, `Invalid()` and `Close(Type)`.
template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Type value) noexcept : value_(value) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Type Get() const noexcept { return value_; }
    bool IsValid() const noexcept { return value_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Gives up ownership without closing.
    Type Release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    // Closes what it held (if anything) and takes `value`.
    void Reset(Type value = Traits::Invalid()) noexcept {
        Type old = std::exchange(value_, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

    // For out-parameters: closes what it held first, so nothing leaks.
    Type* Put() noexcept {
        Reset();
        return &value_;
    }

private:
    Type value_ = Traits::Invalid();
};

namespace handle_traits {
template <typename T, auto CloseFn>
struct NullIsEmpty {
    using Type = T;
    static constexpr Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { CloseFn(h); }
};
struct File {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct Find {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::FindClose(h); }
};
inline void DeleteGdi(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void CloseKernel(HANDLE h) noexcept { ::CloseHandle(h); }
inline void UnloadModule(HMODULE h) noexcept { ::FreeLibrary(h); }
inline void DestroyIconHandle(HICON h) noexcept { ::DestroyIcon(h); }
inline void DestroyMenuHandle(HMENU h) noexcept { ::DestroyMenu(h); }
inline void DeleteMemoryDc(HDC h) noexcept { ::DeleteDC(h); }
inline void DestroyImageList(HIMAGELIST h) noexcept { ::ImageList_Destroy(h); }
inline void DestroyWindowHandle(HWND h) noexcept { ::DestroyWindow(h); }
inline void CloseRegistryKey(HKEY h) noexcept { ::RegCloseKey(h); }
inline void FreeTaskMemory(PWSTR p) noexcept { ::CoTaskMemFree(p); }
inline void FreeLocalMemory(HLOCAL h) noexcept { ::LocalFree(h); }
}  // namespace handle_traits

// Kernel objects whose failure value is null (threads, events, mutexes).
using KernelHandle = UniqueHandle<handle_traits::NullIsEmpty<HANDLE, handle_traits::CloseKernel>>;
// CreateFile's failure value is INVALID_HANDLE_VALUE.
using FileHandle = UniqueHandle<handle_traits::File>;
using FindHandle = UniqueHandle<handle_traits::Find>;
using ModuleHandle = UniqueHandle<handle_traits::NullIsEmpty<HMODULE, handle_traits::UnloadModule>>;
using IconHandle = UniqueHandle<handle_traits::NullIsEmpty<HICON, handle_traits::DestroyIconHandle>>;
using MenuHandle = UniqueHandle<handle_traits::NullIsEmpty<HMENU, handle_traits::DestroyMenuHandle>>;
using MemoryDcHandle = UniqueHandle<handle_traits::NullIsEmpty<HDC, handle_traits::DeleteMemoryDc>>;
using ImageListHandle = UniqueHandle<handle_traits::NullIsEmpty<HIMAGELIST, handle_traits::DestroyImageList>>;
using WindowHandle = UniqueHandle<handle_traits::NullIsEmpty<HWND, handle_traits::DestroyWindowHandle>>;
using RegistryKey = UniqueHandle<handle_traits::NullIsEmpty<HKEY, handle_traits::CloseRegistryKey>>;
// A text the shell allocated with the COM task allocator (SHGetKnownFolderPath).
using TaskMemoryText = UniqueHandle<handle_traits::NullIsEmpty<PWSTR, handle_traits::FreeTaskMemory>>;
// A block the system allocated with LocalAlloc (CommandLineToArgvW).
using LocalMemory = UniqueHandle<handle_traits::NullIsEmpty<HLOCAL, handle_traits::FreeLocalMemory>>;

// Any GDI object (bitmap, font, brush, pen); typed access through Get<T>().
class GdiObject : public UniqueHandle<handle_traits::NullIsEmpty<HGDIOBJ, handle_traits::DeleteGdi>> {
public:
    using UniqueHandle::UniqueHandle;
    template <typename T>
    T As() const noexcept { return static_cast<T>(Get()); }
};

// Selects an object into a DC for one scope and puts the old one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~SelectObjectScope() { ::SelectObject(dc_, old_); }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window's DC from GetDC, released with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() { if (dc_) ::ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A BSTR owner (SysAllocString / SysFreeString).
class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(std::wstring_view text) : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { ::SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            ::SysFreeString(value_);
            value_ = std::exchange(other.value_, nullptr);
        }
        return *this;
    }

    BSTR Get() const noexcept { return value_; }
    BSTR Release() noexcept { return std::exchange(value_, nullptr); }
    // For out-parameters: frees what it held first.
    BSTR* Put() noexcept {
        ::SysFreeString(std::exchange(value_, nullptr));
        return &value_;
    }
    // A null BSTR reads as the empty text.
    std::wstring_view View() const noexcept { return value_ ? std::wstring_view(value_, ::SysStringLen(value_)) : std::wstring_view(); }

private:
    BSTR value_ = nullptr;
};

// A VARIANT owner (VariantInit / VariantClear).
class Variant {
public:
    Variant() noexcept { ::VariantInit(&value_); }
    ~Variant() { ::VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* Put() noexcept {
        ::VariantClear(&value_);
        return &value_;
    }
    const VARIANT& Get() const noexcept { return value_; }

private:
    VARIANT value_;
};

// A critical section and its scoped lock.
class CriticalSection {
public:
    CriticalSection() noexcept { ::InitializeCriticalSection(&section_); }
    ~CriticalSection() { ::DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() noexcept { ::EnterCriticalSection(&section_); }
    void Leave() noexcept { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CriticalSection& section) noexcept : section_(section) { section_.Enter(); }
    ~CriticalSectionLock() { section_.Leave(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CriticalSection& section_;
};

// The system's critical-error boxes ("insert a disk") off for the calling thread while the
// guard lives: asking an empty removable drive would otherwise pop one up.
class QuietCriticalErrors {
public:
    QuietCriticalErrors() noexcept { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
    ~QuietCriticalErrors() { ::SetThreadErrorMode(previous_, nullptr); }
    QuietCriticalErrors(const QuietCriticalErrors&) = delete;
    QuietCriticalErrors& operator=(const QuietCriticalErrors&) = delete;

private:
    DWORD previous_ = 0;
};

// COM initialisation for one thread's lifetime; uninitialises only if it succeeded.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : result_(::CoInitializeEx(nullptr, model)) {}
    ~ComApartment() { if (SUCCEEDED(result_)) ::CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT Result() const noexcept { return result_; }

private:
    HRESULT result_;
};

}  // namespace qm
