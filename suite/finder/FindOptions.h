// What the arguments of IFileFinderComponent::FindFiles mean to the search engine.
//
// FindFiles(root, includeMasks, maxDepth, onFileFound, fileContext, onFolderEntered,
//           folderContext, excludeMasks, followReparse, recurse, skipHidden, skipSystem,
//           maxReports, reportProblems, checkTargets, probeTimeoutMs, reserved17)
//
//  1 root            Writable narrow buffer, UTF-8: the folder to search ("C:\" or "C:\Data",
//                    UNC and relative paths too; a trailing backslash is allowed). The engine
//                    only reads it; it never writes into the buffer.
//  2 includeMasks    File-name masks ('*' and '?', letter case ignored) of the files to look at.
//                    The list ends at its first empty string or null pointer, so the scan's
//                    array of two empty strings is an empty list, which means "*.lnk" and
//                    "*.url" (shell links and internet shortcuts). A null array is an empty
//                    list too.
//  3 maxDepth        How many folder levels below the root to enter; 0 means no limit.
//  4 onFileFound     Called for each reported file (see checkTargets), with fileContext.
//  6 onFolderEntered Called for each folder the search enters, the root included, once it is
//                    listed; never for "." or "..". May be null, as may onFileFound.
//  8 excludeMasks    Folder-name masks of folders not to enter, same list form as includeMasks;
//                    the scan's array of one empty string excludes nothing.
//  9 followReparse   Must be 0: junctions and symbolic links to folders are never entered,
//                    so a folder cycle can't loop and nothing is reported twice.
// 10 recurse         1 searches every folder below the root; 0 only the root itself.
// 11 skipHidden      0 searches hidden folders too; 1 leaves them out.
// 12 skipSystem      0 searches system folders too; 1 leaves them out.
// 13 maxReports      Stop after this many files were reported; 0 means no limit.
// 14 reportProblems  0 reports only what is described here. 1 also tells what the search had
//                    to pass over, through the same callbacks with a FinderReport whose reason
//                    says what it was and whose `detail` says why: onFolderEntered for each
//                    folder below the root that could not be listed, or only in part ("Unlisted";
//                    such a folder's files found before the listing broke off still count), and
//                    onFileFound for each file matching includeMasks that could not be read as
//                    the shortcut its name says ("Unreadable": not opened, too short or
//                    malformed; offline and cloud placeholder files are left unread, not
//                    reported). These reports count toward neither maxReports nor the result
//                    code's meaning.
// 15 checkTargets    1 reports only broken shortcuts: files that hold a shell link, or (named
//                    .url) an internet shortcut to a file: URL, whose target certainly no longer
//                    exists (suite/finder/BrokenRule.h has the rule). 0
//                    reports every file that matches includeMasks, as a plain file search.
// 16 probeTimeoutMs  Time bound of the one probe per network share and scan; 0 means the
//                    default, kDefaultProbeTimeoutMs.
// 17 reserved        Must be 0.
//
// The scan passes: root, {"", ""}, 0, OnFileFound, page, OnFolderEntered, page, {""}, 0, 1,
// 0, 0, 0, 0, 1, 0, 0 - every folder below the root, hidden and system ones included, no
// junction followed, every broken shortcut reported, the default probe time.
//
// A value outside what is listed gives E_INVALIDARG before anything is searched.
//
// Callbacks: the path is the entry's full UTF-8 path without any "\\?\" prefix, however long;
// the second argument is null for a folder entered, else the FinderReport of a broken shortcut
// (checkTargets) or of what the search passed over (reportProblems); the find data is the entry's, with cFileName holding its
// UTF-8 name (cut at a character boundary if longer than the field) and cAlternateFileName
// empty. The callbacks are called one at a time on the thread that called FindFiles, only
// before FindFiles returns, in an order that is the same for an unchanged tree: each folder is
// reported before its files, files and subfolders by name (ordinal, letter case ignored).
//
// Result: S_OK after a complete search; kFindStopped when a callback answered 0 or maxReports
// was reached; S_FALSE when the search ran to its end but some folder below the root could not
// be listed (access denied, vanished meanwhile); a failure code when the root can't be searched
// (missing, not a folder, not readable) or the arguments are wrong.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::finder {

// Short: a silent share only makes its links "unknown", never reported, so waiting longer buys
// nothing but a scan that stops answering its Stop button.
inline constexpr uint32_t kDefaultProbeTimeoutMs = 1500;
// FindFiles' success code for a search that a callback (or maxReports) ended early:
// MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_ITF, 0x201).
inline constexpr int32_t kFindStopped = 0x00040201;

// The files an empty mask list means: shell links and internet shortcuts.
inline const std::vector<std::string> kShortcutMasks{"*.lnk", "*.url"};

struct FindOptions {
    std::vector<std::string> includeMasks = kShortcutMasks;
    std::vector<std::string> excludeMasks;
    uint32_t maxDepth = 0;  // 0: no limit
    bool recurse = true;
    bool skipHidden = false;
    bool skipSystem = false;
    uint32_t maxReports = 0;  // 0: no limit
    bool reportProblems = false;
    bool checkTargets = true;
    uint32_t probeTimeoutMs = kDefaultProbeTimeoutMs;
};

// The integer arguments 3 and 9 to 17, in order.
struct FindArguments {
    const char* const* includeMasks = nullptr;
    long maxDepth = 0;
    const char* const* excludeMasks = nullptr;
    long followReparse = 0, recurse = 1, skipHidden = 0, skipSystem = 0, maxReports = 0,
         reportProblems = 0, checkTargets = 1, probeTimeoutMs = 0, reserved17 = 0;
};

// Turns FindFiles' arguments into options; nullopt (with the reason in `error`) when a value is
// outside what the engine supports.
std::optional<FindOptions> ParseFindArguments(const FindArguments& arguments, std::string& error);

// '*' matches any run of characters, '?' one character (one UTF-8 sequence); ASCII letters
// match without regard to case.
bool MatchesMask(std::string_view name, std::string_view mask);
bool MatchesAnyMask(std::string_view name, const std::vector<std::string>& masks);

}  // namespace qm::finder
