#include "suite/components/FileFinderComponent.h"

#include "base/Utf.h"
#include "suite/components/Coclasses.h"
#include "suite/finder/Engine.h"

namespace qm::suite {

// The arguments' meaning is documented in suite/finder/FindOptions.h.
STDMETHODIMP FileFinderComponent::FindFiles(char* root, const char** includeMasks, LONG arg3,
                                            FinderCallback onFileFound, void* fileContext,
                                            FinderCallback onFolderEntered, void* folderContext,
                                            const char** excludeMasks, LONG arg9, LONG arg10, LONG arg11,
                                            LONG arg12, LONG arg13, LONG arg14, LONG arg15, LONG arg16,
                                            LONG arg17) {
    return GuardCall(L"FileFinderComponent", __uuidof(IFileFinderComponent), [&]() -> HRESULT {
        if (!root) throw ComFailure(E_POINTER, L"FindFiles was given no root folder.");
        if (!*root) throw ComFailure(E_INVALIDARG, L"FindFiles was given an empty root folder.");

        finder::FindArguments arguments;
        arguments.includeMasks = includeMasks;
        arguments.maxDepth = arg3;
        arguments.excludeMasks = excludeMasks;
        arguments.followReparse = arg9;
        arguments.recurse = arg10;
        arguments.skipHidden = arg11;
        arguments.skipSystem = arg12;
        arguments.maxReports = arg13;
        arguments.reserved14 = arg14;
        arguments.checkTargets = arg15;
        arguments.probeTimeoutMs = arg16;
        arguments.reserved17 = arg17;
        std::string error;
        std::optional<finder::FindOptions> options = finder::ParseFindArguments(arguments, error);
        if (!options) throw ComFailure(E_INVALIDARG, Widen("FindFiles: " + error + "."));

        finder::FindRequest request;
        request.root = root;
        request.options = std::move(*options);
        request.onFileFound = onFileFound;
        request.fileContext = fileContext;
        request.onFolderEntered = onFolderEntered;
        request.folderContext = folderContext;
        finder::FindResult result = finder::RunFind(request);
        if (FAILED(result.code)) throw ComFailure(result.code, Widen(result.message));
        return static_cast<HRESULT>(result.code);
    });
}

HRESULT CreateFileFinderComponent(const IID& iid, void** object) noexcept {
    return CreateAndQuery<FileFinderComponent>(iid, object);
}

}  // namespace qm::suite
