// The skin engine's stand-in. The program's windows paint their own look (the skinned controls),
// so the least this component must do is accept the three calls in the order the wizard makes
// them: it remembers the attached window and the chosen skin and draws nothing. It still
// refuses what would be a real fault with a real engine: no window, a skin before any window,
// and a skin description file that does not exist (named in the message, so a wrong
// "SkinUIS" setting is easy to find).

#include "suite/components/Coclasses.h"
#include "suite/components/ComObject.h"
#include "suite/include/QuillSuite.h"

#include <mutex>
#include <string>

namespace qm::suite {
namespace {

constexpr const wchar_t* kSource = L"SkinComponent";

class SkinComponent final : public ComObject<ISkinComponent> {
public:
    SkinComponent() noexcept { OfferFreeThreadedMarshaling(); }

    STDMETHODIMP AttachWindow(HWND window) override {
        return GuardCall(kSource, __uuidof(ISkinComponent), [&] {
            if (!window || !::IsWindow(window)) {
                throw ComFailure(E_INVALIDARG, L"AttachWindow was given no window, or one that no longer exists.");
            }
            std::lock_guard lock(mutex_);
            window_ = window;
            return S_OK;
        });
    }

    STDMETHODIMP ApplySkin(BSTR skinRoot, BSTR skinDescription) override {
        return GuardCall(kSource, __uuidof(ISkinComponent), [&] {
            std::wstring description(BstrView(skinDescription));
            std::lock_guard lock(mutex_);
            if (!window_) throw ComFailure(E_UNEXPECTED, L"A skin was applied before a window was attached.");
            if (description.empty()) throw ComFailure(E_INVALIDARG, L"No skin description file was named (the path is empty).");
            const DWORD attributes = ::GetFileAttributesW(description.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                throw ComFailure(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
                                 L"The skin description file \"" + description + L"\" does not exist.");
            }
            skinRoot_ = BstrView(skinRoot);
            skinDescription_ = std::move(description);
            return S_OK;
        });
    }

    STDMETHODIMP UseNoSkin() override {
        return GuardCall(kSource, __uuidof(ISkinComponent), [&] {
            std::lock_guard lock(mutex_);
            skinRoot_.clear();
            skinDescription_.clear();
            return S_OK;
        });
    }

private:
    std::mutex mutex_;
    HWND window_ = nullptr;
    std::wstring skinRoot_;
    std::wstring skinDescription_;
};

}  // namespace

HRESULT CreateSkinComponent(const IID& iid, void** object) noexcept {
    return CreateAndQuery<SkinComponent>(iid, object);
}

}  // namespace qm::suite
