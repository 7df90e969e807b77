#include "suite/components/FileFinderComponent.h"

#include "base/Utf.h"
#include "suite/components/Coclasses.h"
#include "suite/finder/Engine.h"
#include "suite/finder/SuggestPhase.h"

namespace qm::suite {
namespace {

// Each thread's last search, for LastSearchCoverage: searches on other threads never mix in.
struct LastSearch {
    bool made = false;
    finder::FindStats stats;
};
thread_local LastSearch t_lastSearch;

}  // namespace

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
        arguments.reportProblems = arg14;
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
        t_lastSearch = {true, {}};
        finder::FindResult result = finder::RunFind(request);
        t_lastSearch.stats = result.stats;
        if (FAILED(result.code)) throw ComFailure(result.code, Widen(result.message));
        return static_cast<HRESULT>(result.code);
    });
}

STDMETHODIMP FileFinderComponent::SuggestTargets(const char** shortcutPaths, LONG count, MovedTargetCallback onReport,
                                                 MovedTargetProgress onProgress, void* context) {
    return GuardCall(L"FileFinderComponent", __uuidof(IMovedTargetFinder), [&]() -> HRESULT {
        if (count < 0) throw ComFailure(E_INVALIDARG, L"SuggestTargets was given a negative count.");
        if (!onReport) throw ComFailure(E_POINTER, L"SuggestTargets was given no report callback.");
        if (count > 0 && !shortcutPaths) throw ComFailure(E_POINTER, L"SuggestTargets was given no shortcut paths.");
        std::vector<std::string> paths;
        paths.reserve(static_cast<size_t>(count));
        for (LONG i = 0; i < count; ++i) {
            if (!shortcutPaths[i]) throw ComFailure(E_POINTER, L"SuggestTargets was given a null shortcut path.");
            paths.emplace_back(shortcutPaths[i]);
        }

        // The caller's one way to stop is its progress callback's answer: it is asked at every
        // point where the search looks at its stop (before each file it reads and each folder it
        // lists), with the count so far, so that a stop never waits for a long walk to end.
        bool stopped = false;
        LONG done = 0, total = count;
        const auto goOn = [&] {
            if (!stopped && onProgress && !onProgress(done, total, context)) stopped = true;
            return !stopped;
        };
        finder::SuggestOptions options;
        options.stopRequested = [&] { return !goOn(); };
        options.progress = [&](size_t shortcutsDone, size_t searched) {
            done = static_cast<LONG>(shortcutsDone);
            total = static_cast<LONG>(searched);
            goOn();
        };
        std::vector<finder::TargetSuggestion> suggestions = finder::SuggestForShortcutFiles(paths, options);
        if (stopped) return static_cast<HRESULT>(finder::kFindStopped);

        for (size_t i = 0; i < suggestions.size(); ++i) {
            const finder::TargetSuggestion& s = suggestions[i];
            const MovedTargetReport report{sizeof(MovedTargetReport), static_cast<LONG>(i), finder::GoneKindKey(s.gone.kind),
                                           s.gone.name.c_str(), s.gone.folder.c_str(), s.target.c_str(),
                                           finder::ConfidenceKey(s.confidence), finder::StrategyKey(s.strategy),
                                           s.gone.targetIsFolder ? 1 : 0};
            if (!onReport(&report, context)) return static_cast<HRESULT>(finder::kFindStopped);
        }
        return S_OK;
    });
}

STDMETHODIMP FileFinderComponent::JudgeShortcuts(const char** shortcutPaths, LONG count, ShortcutJudgementCallback onReport,
                                                 void* context) {
    return GuardCall(L"FileFinderComponent", __uuidof(IShortcutJudge), [&]() -> HRESULT {
        if (count < 0) throw ComFailure(E_INVALIDARG, L"JudgeShortcuts was given a negative count.");
        if (!onReport) throw ComFailure(E_POINTER, L"JudgeShortcuts was given no report callback.");
        if (count > 0 && !shortcutPaths) throw ComFailure(E_POINTER, L"JudgeShortcuts was given no shortcut paths.");
        std::vector<std::string> paths;
        for (LONG i = 0; i < count; ++i) {
            if (!shortcutPaths[i]) throw ComFailure(E_POINTER, L"JudgeShortcuts was given a null shortcut path.");
            paths.emplace_back(shortcutPaths[i]);
        }
        const std::vector<finder::BrokenLink> links = finder::JudgeShortcutFiles(paths);
        for (size_t i = 0; i < links.size(); ++i) {
            const finder::Judgement& judgement = links[i].judgement;
            const bool readable = links[i].read;
            const LONG verdict = !readable ? -1 : judgement.verdict == finder::Verdict::Broken ? 1 : 0;
            const ShortcutJudgementReport report{sizeof(ShortcutJudgementReport), static_cast<LONG>(i), verdict,
                                                 judgement.target.c_str(), readable ? finder::ReasonKey(judgement.reason) : ""};
            if (!onReport(&report, context)) return static_cast<HRESULT>(finder::kFindStopped);
        }
        return S_OK;
    });
}

STDMETHODIMP FileFinderComponent::LastSearchCoverage(FinderCoverage* coverage) {
    return GuardCall(L"FileFinderComponent", __uuidof(IFinderCoverage), [&]() -> HRESULT {
        if (!coverage) throw ComFailure(E_POINTER, L"LastSearchCoverage was given nowhere to write.");
        if (coverage->size < sizeof(FinderCoverage))
            throw ComFailure(E_INVALIDARG, L"LastSearchCoverage was given a record too small for its counts.");
        coverage->foldersSearched = t_lastSearch.stats.folders;
        coverage->shortcutsChecked = t_lastSearch.stats.shortcuts;
        return t_lastSearch.made ? S_OK : S_FALSE;
    });
}

HRESULT CreateFileFinderComponent(const IID& iid, void** object) noexcept {
    return CreateAndQuery<FileFinderComponent>(iid, object);
}

}  // namespace qm::suite
