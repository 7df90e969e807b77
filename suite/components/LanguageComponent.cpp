// Display texts by key from the language file. GetText is called from the main thread and from
// the scan worker at once: the table sits behind a reader/writer lock, readers share it.
// TranslateWindow looks each caption up under the lock but sets captions outside it, since
// WM_SETTEXT may run code (another thread's window procedure) that asks for a text itself.

#include "base/Utf.h"
#include "base/win/SystemText.h"
#include "base/win/WindowTree.h"
#include "suite/components/Coclasses.h"
#include "suite/components/ComObject.h"
#include "suite/components/FileIo.h"
#include "suite/include/QuillSuite.h"
#include "suite/text/LanguageFile.h"

#include <optional>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

namespace qm::suite {
namespace {

constexpr const wchar_t* kSource = L"LanguageComponent";

class LanguageComponent final : public ComObject<ILanguageComponent> {
public:
    LanguageComponent() noexcept { OfferFreeThreadedMarshaling(); }

    STDMETHODIMP Load(BSTR path) override {
        return GuardCall(kSource, __uuidof(ILanguageComponent), [&] {
            const std::wstring file(BstrView(path));
            if (file.empty()) throw ComFailure(E_INVALIDARG, L"No language file was named (the path is empty).");
            LanguageParseError error;
            std::optional<LanguageTable> table = ParseLanguageFile(ReadTextFile(file, L"language file"), error);
            const std::wstring where = error.line ? L" (line " + std::to_wstring(error.line) + L")" : L"";
            const std::wstring fault = L"The language file \"" + file + L"\" is damaged" + where + L": " + Widen(error.message) + L".";
            // No text at all: the texts the windows already show stay consistent with every
            // later GetText.
            if (!table) throw ComFailure(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), fault);
            {
                std::unique_lock lock(mutex_);
                texts_ = std::move(*table);
            }
            // A damaged line costs only itself: the other texts are in use, and the load still
            // fails, naming the line, so that the caller can say so.
            if (!error.message.empty()) throw ComFailure(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), fault);
            return S_OK;
        });
    }

    STDMETHODIMP GetText(BSTR key, BSTR* text) override {
        return GuardCall(kSource, __uuidof(ILanguageComponent), [&] {
            if (!text) throw ComFailure(E_POINTER, L"GetText was given no place for its result.");
            *text = nullptr;
            *text = AllocBstr(Lookup(BstrView(key)).value_or(std::wstring(BstrView(key))));
            return S_OK;
        });
    }

    STDMETHODIMP TranslateWindow(HWND window) override {
        return GuardCall(kSource, __uuidof(ILanguageComponent), [&] {
            if (!window || !::IsWindow(window)) {
                throw ComFailure(E_INVALIDARG, L"TranslateWindow was given no window, or one that no longer exists.");
            }
            for (HWND each : WindowAndDescendants(window)) {
                const std::wstring caption = WindowText(each);
                if (caption.empty()) continue;
                if (std::optional<std::wstring> translated = Lookup(caption)) ::SetWindowTextW(each, translated->c_str());
            }
            return S_OK;
        });
    }

private:
    // The display text of a key, or none when the file lacks it.
    std::optional<std::wstring> Lookup(std::wstring_view key) const {
        const std::string narrowKey = Narrow(key);
        std::shared_lock lock(mutex_);
        auto found = texts_.find(narrowKey);
        if (found == texts_.end()) return std::nullopt;
        return Widen(found->second);
    }

    mutable std::shared_mutex mutex_;
    LanguageTable texts_;
};

}  // namespace

HRESULT CreateLanguageComponent(const IID& iid, void** object) noexcept {
    return CreateAndQuery<LanguageComponent>(iid, object);
}

}  // namespace qm::suite
