// The pieces every coclass of the components' DLL shares: the module's object count, a COM
// object base (reference count, QueryInterface over its interface list, ISupportErrorInfo), the
// one error helper, and the guard that keeps C++ exceptions inside each method.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <unknwn.h>

#include <atomic>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace qm::suite {

// Live objects plus LockServer locks; DllCanUnloadNow answers from it.
void ModuleAddRef() noexcept;
void ModuleRelease() noexcept;
long ModuleCount() noexcept;

// Leaves rich error information for the calling thread (description, source = the component's
// name, the interface's IID) and returns `code`, so a method can `return Fail(...)`.
HRESULT SetError(HRESULT code, const wchar_t* source, const IID& iid, std::wstring_view description) noexcept;

// Thrown inside a method body to fail with a code and a description; the guard turns it into
// the method's result and its error information.
class ComFailure {
public:
    ComFailure(HRESULT code, std::wstring description) : code_(code), description_(std::move(description)) {}
    HRESULT Code() const noexcept { return code_; }
    const std::wstring& Description() const noexcept { return description_; }

private:
    HRESULT code_;
    std::wstring description_;
};

// Runs a method body (returning HRESULT) so that no exception escapes: ComFailure gives its own
// code and text, bad_alloc E_OUTOFMEMORY, anything else E_UNEXPECTED. A failure code returned by
// the body without a description still gets error information naming the code.
template <typename Body>
HRESULT GuardCall(const wchar_t* source, const IID& iid, Body&& body) noexcept {
    try {
        const HRESULT result = body();
        if (FAILED(result)) return SetError(result, source, iid, L"");
        return result;
    } catch (const ComFailure& failure) {
        return SetError(failure.Code(), source, iid, failure.Description());
    } catch (const std::bad_alloc&) {
        return SetError(E_OUTOFMEMORY, source, iid, L"Out of memory.");
    } catch (...) {
        return SetError(E_UNEXPECTED, source, iid, L"Unexpected internal error.");
    }
}

// A COM object implementing `Interfaces...` (each derived from IUnknown) plus ISupportErrorInfo,
// which answers S_OK for every interface in the list. Derived classes are created with `new`
// (reference count 1) and handed out with QueryInterface. Counts are atomic: the objects are
// registered "Both" and the scan worker calls them from its own thread.
template <typename... Interfaces>
class ComObject : public Interfaces..., public ISupportErrorInfo {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == __uuidof(IUnknown)) {
            *object = static_cast<IUnknown*>(static_cast<ISupportErrorInfo*>(this));
        } else if (iid == __uuidof(ISupportErrorInfo)) {
            *object = static_cast<ISupportErrorInfo*>(this);
        } else if (iid == __uuidof(IMarshal) && freeThreadedMarshaler_) {
            // Inner object of the aggregation: it returns its own IMarshal, already counted.
            return freeThreadedMarshaler_->QueryInterface(iid, object);
        } else {
            (TryInterface<Interfaces>(iid, object) || ...);
        }
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references_); }
    STDMETHODIMP_(ULONG) Release() override {
        const long left = --references_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return ((iid == __uuidof(Interfaces)) || ...) ? S_OK : S_FALSE;
    }

protected:
    ComObject() noexcept { ModuleAddRef(); }
    virtual ~ComObject() {
        if (freeThreadedMarshaler_) freeThreadedMarshaler_->Release();
        ModuleRelease();
    }

    // For objects whose every method is safe from any thread: aggregating the free-threaded
    // marshaler makes a pointer marshalled to another apartment (the scan worker's) the object
    // itself, instead of a proxy that would need the main thread to pump messages. Without it
    // the object still works; marshalling just is not offered.
    void OfferFreeThreadedMarshaling() noexcept {
        if (!freeThreadedMarshaler_) {
            ::CoCreateFreeThreadedMarshaler(static_cast<IUnknown*>(static_cast<ISupportErrorInfo*>(this)),
                                            &freeThreadedMarshaler_);
        }
    }

private:
    template <typename Interface>
    bool TryInterface(REFIID iid, void** object) noexcept {
        if (iid != __uuidof(Interface)) return false;
        *object = static_cast<Interface*>(this);
        return true;
    }

    std::atomic<long> references_{1};
    IUnknown* freeThreadedMarshaler_ = nullptr;  // the aggregated inner object, if offered
};

// Creates `T` and asks it for `iid`; the creation reference is dropped either way.
template <typename T, typename... Args>
HRESULT CreateAndQuery(const IID& iid, void** object, Args&&... args) noexcept {
    if (!object) return E_POINTER;
    *object = nullptr;
    T* created = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!created) return E_OUTOFMEMORY;
    const HRESULT result = created->QueryInterface(iid, object);
    created->Release();
    return result;
}

// The text of a BSTR argument; a null BSTR is the empty text, as OLE Automation defines it.
inline std::wstring_view BstrView(BSTR text) noexcept {
    return text ? std::wstring_view(text, ::SysStringLen(text)) : std::wstring_view();
}

// A new BSTR for an out-parameter; throws bad_alloc when the system allocator fails.
inline BSTR AllocBstr(std::wstring_view text) {
    BSTR result = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!result) throw std::bad_alloc();
    return result;
}

}  // namespace qm::suite
