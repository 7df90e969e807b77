#include "suite/components/FileFinderComponent.h"

#include "suite/components/Coclasses.h"

namespace qm::suite {

// The search itself is not plugged in yet: the arguments are checked and the search reports
// nothing.
STDMETHODIMP FileFinderComponent::FindFiles(char* root, const char** includeMasks, LONG arg3,
                                            FinderCallback onFileFound, void* fileContext,
                                            FinderCallback onFolderEntered, void* folderContext,
                                            const char** excludeMasks, LONG arg9, LONG arg10, LONG arg11,
                                            LONG arg12, LONG arg13, LONG arg14, LONG arg15, LONG arg16,
                                            LONG arg17) {
    return GuardCall(L"FileFinderComponent", __uuidof(IFileFinderComponent), [&] {
        if (!root) throw ComFailure(E_POINTER, L"FindFiles was given no root folder.");
        if (!*root) throw ComFailure(E_INVALIDARG, L"FindFiles was given an empty root folder.");
        if (!onFileFound || !onFolderEntered) throw ComFailure(E_POINTER, L"FindFiles was given no callback.");
        return S_OK;
    });
}

HRESULT CreateFileFinderComponent(const IID& iid, void** object) noexcept {
    return CreateAndQuery<FileFinderComponent>(iid, object);
}

}  // namespace qm::suite
