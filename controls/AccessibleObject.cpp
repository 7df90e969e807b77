#include "controls/AccessibleObject.h"

#include "base/win/SystemText.h"

#include <oleacc.h>

#include <atomic>

namespace qm::controls {

namespace {

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// Delegates to the system's object for the window, except for what the control's facts say.
class AccessibleObject final : public IAccessible, public IOleWindow {
public:
    AccessibleObject(HWND window, IAccessible* standard, AccessibleLink facts)
        : window_(window), standard_(standard), facts_(std::move(facts)) {}
    AccessibleObject(const AccessibleObject&) = delete;
    AccessibleObject& operator=(const AccessibleObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (!out) return E_POINTER;
        if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
        } else if (id == __uuidof(IOleWindow)) {
            *out = static_cast<IOleWindow*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: readers call the interface directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IOleWindow: how a reader finds the window of an object.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = window_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        const AccessibleFacts* facts = Facts();
        if (!facts) return RPC_E_DISCONNECTED;
        if (!count) return E_POINTER;
        if (const int items = facts->AccessibleItemCount(); items >= 0) {
            *count = items;
            return S_OK;
        }
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        if (const int item = Item(child); item > 0) {
            *out = nullptr;
            return S_FALSE;  // a simple element: this object answers for it
        }
        return standard_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        const AccessibleFacts* facts = Facts();
        if (!facts) return RPC_E_DISCONNECTED;
        if (!name) return E_POINTER;
        std::wstring text;
        if (IsSelf(child)) {
            text = facts->AccessibleName();
            if (text.empty()) return standard_->get_accName(child, name);
        } else if (const int item = Item(child); item > 0) {
            text = facts->AccessibleItemName(item);
        } else {
            return standard_->get_accName(child, name);
        }
        *name = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (Item(child) > 0) return Nothing(value);
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        if (Item(child) > 0) return Nothing(text);
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        const AccessibleFacts* facts = Facts();
        if (!facts) return RPC_E_DISCONNECTED;
        if (!role) return E_POINTER;
        long answer = 0;
        if (IsSelf(child))
            answer = facts->AccessibleRole();
        else if (const int item = Item(child); item > 0)
            answer = facts->AccessibleItemRole(item);
        if (answer == 0) return standard_->get_accRole(child, role);
        role->vt = VT_I4;
        role->lVal = answer;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        const AccessibleFacts* facts = Facts();
        if (!facts) return RPC_E_DISCONNECTED;
        if (!state) return E_POINTER;
        const int item = Item(child);
        if (item <= 0) return standard_->get_accState(child, state);
        state->vt = VT_I4;
        state->lVal = facts->AccessibleItemState(item);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        if (Item(child) > 0) return Nothing(help);
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        if (Item(child) > 0) return Nothing(keys);
        return standard_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return standard_->get_accFocus(focus); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        return standard_->get_accSelection(selection);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (Item(child) > 0) return Nothing(action);
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        if (Item(child) > 0) return DISP_E_MEMBERNOTFOUND;
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        const AccessibleFacts* facts = Facts();
        if (!facts) return RPC_E_DISCONNECTED;
        const int item = Item(child);
        if (item <= 0) return standard_->accLocation(left, top, width, height, child);
        if (!left || !top || !width || !height) return E_POINTER;
        RECT place{};
        if (!facts->AccessibleItemPlace(item, place)) return S_FALSE;
        *left = place.left;
        *top = place.top;
        *width = place.right - place.left;
        *height = place.bottom - place.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (Item(child) > 0) return DISP_E_MEMBERNOTFOUND;
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~AccessibleObject() { standard_->Release(); }

    const AccessibleFacts* Facts() const { return facts_ ? *facts_ : nullptr; }
    // The item a child id names (1 to the count), or 0.
    int Item(const VARIANT& child) const {
        const AccessibleFacts* facts = Facts();
        if (!facts || child.vt != VT_I4 || child.lVal <= 0) return 0;
        return child.lVal <= facts->AccessibleItemCount() ? static_cast<int>(child.lVal) : 0;
    }
    static HRESULT Nothing(BSTR* out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        return S_FALSE;
    }

    std::atomic<ULONG> references_{1};
    HWND window_;
    IAccessible* standard_;  // owned
    AccessibleLink facts_;
};

}  // namespace

LRESULT ServeAccessibleObject(HWND window, WPARAM wParam, const AccessibleLink& facts) {
    IAccessible* standard = nullptr;
    if (FAILED(::CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* object = new AccessibleObject(window, standard, facts);
    const LRESULT result = ::LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
    object->Release();  // the result holds its own reference
    return result < 0 ? 0 : result;
}

std::wstring WithoutMnemonic(const std::wstring& text) {
    std::wstring plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;  // the next character stays, "&&" as one
        plain += text[i];
    }
    return plain;
}

std::wstring LabelBefore(HWND control) {
    HWND before = ::GetWindow(control, GW_HWNDPREV);
    if (!before) return {};
    wchar_t className[16] = {};
    ::GetClassNameW(before, className, 16);
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(before, GWL_STYLE));
    if (::lstrcmpiW(className, L"Static") != 0 || (style & SS_TYPEMASK) > SS_RIGHT) return {};
    return WithoutMnemonic(WindowText(before));
}

}  // namespace qm::controls
