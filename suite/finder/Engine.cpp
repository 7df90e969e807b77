#include "suite/finder/Engine.h"

#include "base/Utf.h"
#include "base/win/Handle.h"
#include "suite/finder/WindowsFileSystem.h"
#include "suite/lnk/ShellLink.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
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

bool EndsWithLnk(const wchar_t* name) {
    size_t length = std::wcslen(name);
    if (length < 4) return false;
    const wchar_t* tail = name + length - 4;
    return tail[0] == L'.' && (tail[1] | 0x20) == L'l' && (tail[2] | 0x20) == L'n' && (tail[3] | 0x20) == L'k';
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

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (length && text) {
        message = Narrow(std::wstring_view(text, length));
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) message.pop_back();
    }
    if (text) ::LocalFree(text);
    if (message.empty()) message = "system error " + std::to_string(error);
    return message;
}

// Reads one shortcut file: nullopt when it is not one (too small, offline, unreadable, not a
// shell link). Used from the read-ahead thread; touches nothing shared.
std::optional<lnk::ShellLinkInfo> ReadLink(const std::wstring& path, const Entry& file, std::vector<unsigned char>& buffer) {
    // Offline and cloud placeholder files would be fetched by reading them: leave them be.
    // (FILE_ATTRIBUTE_RECALL_ON_OPEN and _ON_DATA_ACCESS: not in every SDK's headers.)
    constexpr DWORD kNotHere = FILE_ATTRIBUTE_OFFLINE | 0x00040000 | 0x00400000;
    // Smaller than a shell-link header: not a shortcut, and not worth opening.
    constexpr uint64_t kHeaderSize = 0x4C;
    if (file.size < kHeaderSize || (file.attributes & kNotHere)) return std::nullopt;

    FileHandle handle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle) return std::nullopt;  // locked or unreadable: nothing to say about it
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(file.size, lnk::kMaxLinkFileSize));
    buffer.resize(wanted);
    size_t got = 0;
    while (got < wanted) {
        DWORD read = 0;
        if (!::ReadFile(handle.Get(), buffer.data() + got, static_cast<DWORD>(wanted - got), &read, nullptr) || read == 0) break;
        got += read;
    }
    handle.Reset();
    lnk::ShellLinkInfo link = lnk::ParseShellLink(buffer.data(), got);
    if (link.status != lnk::ParseStatus::Ok) return std::nullopt;
    return link;
}

// The files of one folder that are to be judged, and what reading them gave.
struct FileBatch {
    std::wstring extendedFolder;
    std::string folder;
    std::vector<Entry> files;  // sorted
    std::vector<std::optional<lnk::ShellLinkInfo>> links;  // one per file once read
};

// Reads the shortcut files of one folder while the walk lists the next: under Wine both wait
// mostly on the wineserver, so the reads hide behind the listing. One batch at a time; the
// thread never calls a callback, so the callbacks keep their one-at-a-time order.
class ReadAhead {
public:
    ReadAhead() = default;
    ~ReadAhead() {
        cancel_ = true;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    void Start(FileBatch& batch) {
        if (!thread_.joinable()) thread_ = std::thread([this] { Serve(); });
        std::lock_guard<std::mutex> lock(mutex_);
        batch_ = &batch;
        done_ = false;
        wake_.notify_all();
    }
    // Waits for the batch given to Start; rethrows what the thread ran into (out of memory).
    // With `cancel` the thread leaves the rest of the batch unread (the search is stopping).
    void Finish(bool cancel = false) {
        if (cancel) cancel_ = true;
        std::unique_lock<std::mutex> lock(mutex_);
        finished_.wait(lock, [this] { return done_; });
        batch_ = nullptr;
        cancel_ = false;
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    }

private:
    void Serve() {
        std::vector<unsigned char> buffer;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || (batch_ && !done_); });
            if (quit_) return;
            FileBatch& batch = *batch_;
            lock.unlock();
            std::exception_ptr failure;
            try {
                batch.links.clear();
                for (const Entry& file : batch.files) {
                    if (cancel_) break;
                    batch.links.push_back(ReadLink(JoinWide(batch.extendedFolder, file.name), file, buffer));
                }
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            failure_ = failure;
            done_ = true;
            finished_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    FileBatch* batch_ = nullptr;
    bool done_ = true;
    bool quit_ = false;
    std::atomic<bool> cancel_{false};
    std::exception_ptr failure_;
    std::thread thread_;  // last: started after, and joined before, everything it uses
};

class Walk {
public:
    Walk(const FindRequest& request, FileSystem& system) : request_(request), cache_(system) {}

    FindResult Run();

private:
    struct Folder {
        std::wstring extendedPath;  // "\\?\" form, for the API
        std::string path;           // as reported
        uint32_t depth = 0;
        Entry self;                 // its own directory entry, for the folder callback
        std::vector<Entry> files;       // sorted; to be judged
        std::vector<Entry> subfolders;  // sorted; entered in this order
        size_t next = 0;
    };
    enum class Step { Go, Stop, Unlisted };

    Step List(Folder& folder);
    Step Enter(const Folder& folder);
    void BeginFiles(Folder& folder);
    Step ReportFiles();
    bool Report(FinderCallback callback, void* context, const std::string& path, const Entry& entry, const std::string& name);
    bool Wanted(const wchar_t* name) const;

    const FindRequest& request_;
    ScanCache cache_;
    FindStats stats_;
    DWORD lastListError_ = ERROR_SUCCESS;
    FileBatch batch_;          // the files of the folder entered last
    bool reading_ = false;     // batch_ is with the read-ahead thread
    ReadAhead readAhead_;      // last: its thread ends before the members above go
};

bool Walk::Wanted(const wchar_t* name) const {
    const std::vector<std::string>& masks = request_.options.includeMasks;
    if (masks.size() == 1 && masks[0] == "*.lnk") return EndsWithLnk(name);  // no conversion per file
    return MatchesAnyMask(Narrow(name), masks);
}

bool Walk::Report(FinderCallback callback, void* context, const std::string& path, const Entry& entry,
                  const std::string& name) {
    if (!callback) return true;
    return callback(path.c_str(), 0, NarrowFindData(entry, name), context) != 0;
}

// Lists a folder: its wanted files and the subfolders to enter, both sorted. No callback.
Walk::Step Walk::List(Folder& folder) {
    WIN32_FIND_DATAW data;
    FindHandle find(::FindFirstFileExW((folder.extendedPath + (folder.extendedPath.back() == L'\\' ? L"*" : L"\\*")).c_str(),
                                       FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        lastListError_ = ::GetLastError();
        return Step::Unlisted;
    }
    ++stats_.folders;
    const FindOptions& options = request_.options;
    const bool descend = options.recurse && (options.maxDepth == 0 || folder.depth < options.maxDepth);
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
            if (Wanted(name)) folder.files.push_back(EntryFrom(data));
        }
    } while (::FindNextFileW(find.Get(), &data));
    if (::GetLastError() != ERROR_NO_MORE_FILES) ++stats_.unlisted;  // cut short: what was listed still counts
    find.Reset();
    std::sort(folder.files.begin(), folder.files.end(), NameBefore);
    std::sort(folder.subfolders.begin(), folder.subfolders.end(), NameBefore);
    return Step::Go;
}

Walk::Step Walk::Enter(const Folder& folder) {
    if (!request_.onFolderEntered) return Step::Go;
    size_t slash = folder.path.find_last_of('\\');
    std::string name = (folder.depth == 0 || slash == std::string::npos) ? folder.path : folder.path.substr(slash + 1);
    return Report(request_.onFolderEntered, request_.folderContext, folder.path, folder.self, name) ? Step::Go : Step::Stop;
}

// Hands the folder's files to the read-ahead thread (when they need reading at all).
void Walk::BeginFiles(Folder& folder) {
    batch_.extendedFolder = folder.extendedPath;
    batch_.folder = folder.path;
    batch_.files = std::move(folder.files);
    batch_.links.clear();
    reading_ = request_.options.checkTargets && !batch_.files.empty();
    if (reading_ && !request_.options.readAhead) {
        std::vector<unsigned char> buffer;
        for (const Entry& file : batch_.files) batch_.links.push_back(ReadLink(JoinWide(batch_.extendedFolder, file.name), file, buffer));
        reading_ = false;
    } else if (reading_) {
        readAhead_.Start(batch_);
    }
}

// Judges and reports the files handed over by the last BeginFiles, in name order.
Walk::Step Walk::ReportFiles() {
    if (reading_) {
        readAhead_.Finish();
        reading_ = false;
    }
    const FindOptions& options = request_.options;
    for (size_t i = 0; i < batch_.files.size(); ++i) {
        const Entry& file = batch_.files[i];
        if (options.checkTargets) {
            if (i >= batch_.links.size() || !batch_.links[i]) continue;
            const lnk::ShellLinkInfo& link = *batch_.links[i];
            ++stats_.shortcuts;
            if (JudgeShortcut(link, batch_.folder, cache_).verdict != Verdict::Broken) continue;
        }
        std::string name = Narrow(file.name);
        ++stats_.reported;
        if (!Report(request_.onFileFound, request_.fileContext, JoinNarrow(batch_.folder, name), file, name)) return Step::Stop;
        if (options.maxReports != 0 && stats_.reported >= options.maxReports) return Step::Stop;
    }
    batch_.files.clear();
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
    top.self.attributes = attributes.dwFileAttributes;
    top.self.created = attributes.ftCreationTime;
    top.self.accessed = attributes.ftLastAccessTime;
    top.self.written = attributes.ftLastWriteTime;

    if (error != ERROR_SUCCESS || List(top) == Step::Unlisted) {
        if (error == ERROR_SUCCESS) error = lastListError_;
        result.code = HRESULT_FROM_WIN32(error);
        if (SUCCEEDED(result.code)) result.code = E_FAIL;
        result.message = "cannot search \"" + root.path + "\": " + SystemMessage(error);
        result.stats = stats_;
        return result;
    }

    // Each round: the folder entered last has its files read on the read-ahead thread while
    // the next folder is listed; then its files are reported and the next folder entered. The
    // callbacks come in the same order as a plain depth-first walk: a folder, its files, the
    // next folder.
    std::vector<Folder> stack;
    Folder current = std::move(top);
    Step step = Enter(current);
    while (step == Step::Go) {
        BeginFiles(current);
        if (!current.subfolders.empty()) stack.push_back(std::move(current));

        bool haveNext = false;
        Folder next;
        while (!haveNext && !stack.empty()) {
            Folder& parent = stack.back();
            if (parent.next == parent.subfolders.size()) {
                stack.pop_back();
                continue;
            }
            const Entry& entry = parent.subfolders[parent.next++];
            next = Folder();
            next.extendedPath = JoinWide(parent.extendedPath, entry.name);
            next.path = JoinNarrow(parent.path, Narrow(entry.name));
            next.depth = parent.depth + 1;
            next.self = entry;
            if (List(next) == Step::Unlisted) {
                ++stats_.unlisted;
                continue;
            }
            haveNext = true;
        }

        step = ReportFiles();
        if (step != Step::Go || !haveNext) break;
        current = std::move(next);
        step = Enter(current);
    }
    if (reading_) {
        readAhead_.Finish(/*cancel=*/true);  // stopped while the last batch was being read
        reading_ = false;
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
