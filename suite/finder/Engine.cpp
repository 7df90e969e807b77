#include "suite/finder/Engine.h"

#include "base/Utf.h"
#include "base/win/Handle.h"
#include "base/win/SystemText.h"
#include "suite/finder/WindowsFileSystem.h"
#include "suite/lnk/ShellLink.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace qm::finder {

namespace {

// What the walk keeps of a directory entry until it is reported or entered: far smaller than
// WIN32_FIND_DATAW, so a folder with a great many subfolders costs little memory.
struct Entry {
    std::wstring name;
    DWORD attributes = 0;
    FILETIME created{}, accessed{}, written{};
    uint64_t size = 0;
    DWORD reserved0 = 0;  // the reparse tag, when the entry is a reparse point
};

Entry EntryFrom(const WIN32_FIND_DATAW& data) {
    Entry entry;
    entry.name = data.cFileName;
    entry.attributes = data.dwFileAttributes;
    entry.created = data.ftCreationTime;
    entry.accessed = data.ftLastAccessTime;
    entry.written = data.ftLastWriteTime;
    entry.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.reserved0 = data.dwReserved0;
    return entry;
}

bool NameBefore(const Entry& a, const Entry& b) {
    // Ordinal with letter case ignored: the same order for an unchanged tree on any file system.
    int order = ::CompareStringOrdinal(a.name.c_str(), static_cast<int>(a.name.size()), b.name.c_str(),
                                       static_cast<int>(b.name.size()), TRUE);
    if (order != CSTR_EQUAL) return order == CSTR_LESS_THAN;
    return a.name < b.name;  // names differing only in case (possible on case-sensitive folders)
}

// Whether the name ends in ".xyz", `extension` being three lower-case ASCII letters.
bool EndsWith(const wchar_t* name, const char (&extension)[4]) {
    size_t length = std::wcslen(name);
    if (length < 4) return false;
    const wchar_t* tail = name + length - 4;
    return tail[0] == L'.' && (tail[1] | 0x20) == extension[0] && (tail[2] | 0x20) == extension[1] &&
           (tail[3] | 0x20) == extension[2];
}

std::wstring JoinWide(const std::wstring& folder, const std::wstring& name) {
    std::wstring path = folder;
    if (path.empty() || path.back() != L'\\') path += L'\\';
    path += name;
    return path;
}

std::string JoinNarrow(const std::string& folder, const std::string& name) {
    std::string path = folder;
    if (path.empty() || path.back() != '\\') path += '\\';
    path += name;
    return path;
}

// Copies UTF-8 text into a fixed field, cut at a character boundary, always terminated.
void CopyName(const std::string& name, char (&field)[MAX_PATH]) {
    size_t length = std::min(name.size(), size_t(MAX_PATH - 1));
    while (length < name.size() && length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
    std::memcpy(field, name.data(), length);
    field[length] = '\0';
}

WIN32_FIND_DATAA NarrowFindData(const Entry& entry, const std::string& name) {
    WIN32_FIND_DATAA data{};
    data.dwFileAttributes = entry.attributes;
    data.ftCreationTime = entry.created;
    data.ftLastAccessTime = entry.accessed;
    data.ftLastWriteTime = entry.written;
    data.nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(entry.size);
    data.dwReserved0 = entry.reserved0;
    CopyName(name, data.cFileName);
    return data;
}

std::string ErrorText(DWORD error) {
    std::string message = Narrow(SystemMessage(error));
    if (message.empty()) message = "system error " + std::to_string(error);
    return message;
}

class Walk {
public:
    Walk(const FindRequest& request, FileSystem& system)
        : request_(request), shortcutMasks_(request.options.includeMasks == kShortcutMasks), cache_(system) {}

    FindResult Run();

private:
    struct Folder {
        std::wstring extendedPath;  // "\\?\" form, for the API
        std::string path;           // as reported
        uint32_t depth = 0;
        std::vector<Entry> subfolders;  // sorted; entered in this order
        size_t next = 0;
    };
    enum class Step { Go, Stop, Unlisted };

    Step Visit(Folder& folder, const Entry& self);
    // False when the file is no broken shortcut; `unreadable` then says why it could not be read
    // as the shortcut its name says, or stays empty when it was read (or left unread on purpose).
    bool Judge(const Folder& folder, const Entry& file, const std::wstring& path, Judgement& judgement,
               std::string& unreadable);
    bool Report(FinderCallback callback, void* context, const std::string& path, const Entry& entry, const std::string& name,
                const FinderReport* report);
    // With reportProblems: tells the callback what the search passed over and why.
    bool ReportProblem(FinderCallback callback, void* context, const std::string& path, const Entry& entry,
                       const std::string& name, const char* reason, const std::string& detail);
    bool Wanted(const wchar_t* name) const;

    const FindRequest& request_;
    const bool shortcutMasks_;  // the default masks, matched without a conversion per file
    ScanCache cache_;
    FindStats stats_;
    DWORD lastListError_ = ERROR_SUCCESS;
    std::vector<unsigned char> buffer_;
};

bool Walk::Wanted(const wchar_t* name) const {
    if (shortcutMasks_) return EndsWith(name, "lnk") || EndsWith(name, "url");
    return MatchesAnyMask(Narrow(name), request_.options.includeMasks);
}

bool Walk::Report(FinderCallback callback, void* context, const std::string& path, const Entry& entry,
                  const std::string& name, const FinderReport* report) {
    if (!callback) return true;
    return callback(path.c_str(), report, NarrowFindData(entry, name), context) != 0;
}

bool Walk::ReportProblem(FinderCallback callback, void* context, const std::string& path, const Entry& entry,
                         const std::string& name, const char* reason, const std::string& detail) {
    if (!request_.options.reportProblems) return true;
    const FinderReport report{sizeof(FinderReport), "", reason, detail.c_str()};
    return Report(callback, context, path, entry, name, &report);
}

bool Walk::Judge(const Folder& folder, const Entry& file, const std::wstring& path, Judgement& judgement,
                 std::string& unreadable) {
    // Offline and cloud placeholder files would be fetched by reading them: leave them be.
    // (FILE_ATTRIBUTE_RECALL_ON_OPEN and _ON_DATA_ACCESS: not in every SDK's headers.)
    constexpr DWORD kNotHere = FILE_ATTRIBUTE_OFFLINE | 0x00040000 | 0x00400000;
    // Smaller than a shell-link header, or than "[InternetShortcut]" and a URL: not a shortcut,
    // and not worth opening.
    const bool internetShortcut = EndsWith(file.name.c_str(), "url");
    const uint64_t smallest = internetShortcut ? 24 : 0x4C;
    if (file.attributes & kNotHere) return false;
    if (file.size < smallest) {
        unreadable = "too short for a shortcut";
        return false;
    }

    FileHandle handle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle) {  // locked or unreadable: no readable shortcut, nothing to judge
        unreadable = ErrorText(::GetLastError());
        return false;
    }
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(file.size, lnk::kMaxLinkFileSize));
    buffer_.resize(wanted);
    size_t got = 0;
    while (got < wanted) {
        DWORD read = 0;
        if (!::ReadFile(handle.Get(), buffer_.data() + got, static_cast<DWORD>(wanted - got), &read, nullptr) || read == 0) break;
        got += read;
    }
    handle.Reset();

    if (internetShortcut) {
        lnk::InternetShortcutInfo shortcut = lnk::ParseInternetShortcut(buffer_.data(), got);
        if (shortcut.status != lnk::UrlFileStatus::Ok) {
            unreadable = "not an internet shortcut";
            return false;
        }
        ++stats_.shortcuts;
        judgement = JudgeInternetShortcut(shortcut, cache_);
        return judgement.verdict == Verdict::Broken;
    }
    lnk::ShellLinkInfo link = lnk::ParseShellLink(buffer_.data(), got);
    if (link.status != lnk::ParseStatus::Ok) {
        unreadable = link.error.empty() ? "not a shell link" : link.error;
        return false;
    }
    ++stats_.shortcuts;
    judgement = JudgeShortcut(link, folder.path, cache_);
    return judgement.verdict == Verdict::Broken;
}

Walk::Step Walk::Visit(Folder& folder, const Entry& self) {
    WIN32_FIND_DATAW data;
    FindHandle find(::FindFirstFileExW((folder.extendedPath + (folder.extendedPath.back() == L'\\' ? L"*" : L"\\*")).c_str(),
                                       FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    // A folder holding nothing at all, not even "." and ".." (an empty drive root), answers
    // "file not found": it was opened, so it is an empty folder. One that is gone answers
    // "path not found".
    const bool empty = !find && ::GetLastError() == ERROR_FILE_NOT_FOUND;
    if (!find && !empty) {
        lastListError_ = ::GetLastError();
        return Step::Unlisted;
    }
    ++stats_.folders;
    const auto folderName = [&folder] {
        const size_t slash = folder.path.find_last_of('\\');
        return (folder.depth == 0 || slash == std::string::npos) ? folder.path : folder.path.substr(slash + 1);
    };
    if (request_.onFolderEntered &&
        !Report(request_.onFolderEntered, request_.folderContext, folder.path, self, folderName(), nullptr))
        return Step::Stop;
    if (empty) return Step::Go;

    const FindOptions& options = request_.options;
    const bool descend = options.recurse && (options.maxDepth == 0 || folder.depth < options.maxDepth);
    std::vector<Entry> files;
    do {
        const wchar_t* name = data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
            if (!descend) continue;
            // Junctions and directory symbolic links are never entered: no cycle, no double report.
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            if (options.skipHidden && (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) continue;
            if (options.skipSystem && (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM)) continue;
            if (!options.excludeMasks.empty() && MatchesAnyMask(Narrow(name), options.excludeMasks)) continue;
            folder.subfolders.push_back(EntryFrom(data));
        } else {
            ++stats_.files;
            if (Wanted(name)) files.push_back(EntryFrom(data));
        }
    } while (::FindNextFileW(find.Get(), &data));
    if (const DWORD error = ::GetLastError(); error != ERROR_NO_MORE_FILES) {
        // Cut short: what was listed still counts.
        ++stats_.unlisted;
        if (!ReportProblem(request_.onFolderEntered, request_.folderContext, folder.path, self, folderName(), "Unlisted",
                           ErrorText(error)))
            return Step::Stop;
    }
    find.Reset();

    std::sort(files.begin(), files.end(), NameBefore);
    std::sort(folder.subfolders.begin(), folder.subfolders.end(), NameBefore);

    for (const Entry& file : files) {
        std::wstring extended = JoinWide(folder.extendedPath, file.name);
        Judgement judgement;
        std::string unreadable;
        if (options.checkTargets && !Judge(folder, file, extended, judgement, unreadable)) {
            if (!unreadable.empty() &&
                !ReportProblem(request_.onFileFound, request_.fileContext, JoinNarrow(folder.path, Narrow(file.name)), file,
                               Narrow(file.name), "Unreadable", unreadable))
                return Step::Stop;
            continue;
        }
        std::string name = Narrow(file.name);
        ++stats_.reported;
        // The details travel in the same call as the path they belong to.
        const FinderReport report{sizeof(FinderReport), judgement.target.c_str(), ReasonKey(judgement.reason), ""};
        if (!Report(request_.onFileFound, request_.fileContext, JoinNarrow(folder.path, name), file, name,
                    options.checkTargets ? &report : nullptr))
            return Step::Stop;
        if (options.maxReports != 0 && stats_.reported >= options.maxReports) return Step::Stop;
    }
    return Step::Go;
}

FindResult Walk::Run() {
    FindResult result;
    // A full, normalised path: relative roots and forward slashes are resolved here, so the
    // "\\?\" form below is valid.
    std::wstring wideRoot = Widen(request_.root);
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = wideRoot.empty() ? 0 : ::GetFullPathNameW(wideRoot.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) {
            result.code = E_INVALIDARG;
            result.message = "not a folder path: \"" + request_.root + "\"";
            return result;
        }
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    PathRoot root = ClassifyPath(Narrow(full));
    if (root.kind == PathRoot::Kind::Other) {
        result.code = E_INVALIDARG;
        result.message = "not a folder path: \"" + request_.root + "\"";
        return result;
    }

    Folder top;
    top.path = root.path;
    top.extendedPath = ToExtendedPath(root.path);
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    DWORD error = ERROR_SUCCESS;
    if (!::GetFileAttributesExW(top.extendedPath.c_str(), GetFileExInfoStandard, &attributes)) {
        error = ::GetLastError();
    } else if (!(attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = ERROR_DIRECTORY;
    }
    Entry self;
    self.attributes = attributes.dwFileAttributes;
    self.created = attributes.ftCreationTime;
    self.accessed = attributes.ftLastAccessTime;
    self.written = attributes.ftLastWriteTime;

    Step step = error == ERROR_SUCCESS ? Visit(top, self) : Step::Unlisted;
    if (step == Step::Unlisted) {
        if (error == ERROR_SUCCESS) error = lastListError_;
        result.code = HRESULT_FROM_WIN32(error);
        if (SUCCEEDED(result.code)) result.code = E_FAIL;
        result.message = "cannot search \"" + root.path + "\": " + ErrorText(error);
        result.stats = stats_;
        return result;
    }

    std::vector<Folder> stack;
    if (step == Step::Go && !top.subfolders.empty()) stack.push_back(std::move(top));
    while (step != Step::Stop && !stack.empty()) {
        Folder& parent = stack.back();
        if (parent.next == parent.subfolders.size()) {
            stack.pop_back();
            continue;
        }
        const Entry& entry = parent.subfolders[parent.next++];
        Folder child;
        child.extendedPath = JoinWide(parent.extendedPath, entry.name);
        child.path = JoinNarrow(parent.path, Narrow(entry.name));
        child.depth = parent.depth + 1;
        step = Visit(child, entry);
        if (step == Step::Unlisted) {
            ++stats_.unlisted;
            step = ReportProblem(request_.onFolderEntered, request_.folderContext, child.path, entry, Narrow(entry.name),
                                 "Unlisted", ErrorText(lastListError_))
                       ? Step::Go
                       : Step::Stop;
        }
        if (step == Step::Go && !child.subfolders.empty()) stack.push_back(std::move(child));  // `parent` is stale now
    }

    stats_.systemCalls = cache_.SystemCalls();
    result.stats = stats_;
    if (step == Step::Stop) {
        result.code = kFindStopped;
    } else {
        result.code = stats_.unlisted ? S_FALSE : S_OK;
    }
    return result;
}

}  // namespace

FindResult RunFind(const FindRequest& request, FileSystem* fileSystem) {
    WindowsFileSystem windows(request.options.probeTimeoutMs);
    Walk walk(request, fileSystem ? *fileSystem : windows);
    return walk.Run();
}

}  // namespace qm::finder
