// The backup centre's stand-in. The program only tells it where the suite keeps its copies; this
// module makes no copies itself, so the component keeps the folder, answers it back, and checks
// nothing more than that one was named (the suite creates the folder when it first backs
// something up).

#include "suite/components/Coclasses.h"
#include "suite/components/ComObject.h"
#include "suite/include/QuillSuite.h"

#include <mutex>
#include <string>

namespace qm::suite {
namespace {

class BackupComponent final : public ComObject<IBackupComponent> {
public:
    BackupComponent() noexcept { OfferFreeThreadedMarshaling(); }

    STDMETHODIMP SetBackupDir(BSTR directory) override {
        return GuardCall(L"BackupComponent", __uuidof(IBackupComponent), [&] {
            std::wstring folder(BstrView(directory));
            if (folder.empty()) throw ComFailure(E_INVALIDARG, L"No backup folder was named (the path is empty).");
            std::lock_guard lock(mutex_);
            directory_ = std::move(folder);
            return S_OK;
        });
    }

    STDMETHODIMP GetBackupDir(BSTR* directory) override {
        return GuardCall(L"BackupComponent", __uuidof(IBackupComponent), [&] {
            if (!directory) throw ComFailure(E_POINTER, L"GetBackupDir was given no place for its result.");
            *directory = nullptr;
            std::lock_guard lock(mutex_);
            *directory = AllocBstr(directory_);
            return S_OK;
        });
    }

private:
    std::mutex mutex_;
    std::wstring directory_;
};

}  // namespace

HRESULT CreateBackupComponent(const IID& iid, void** object) noexcept {
    return CreateAndQuery<BackupComponent>(iid, object);
}

}  // namespace qm::suite
