// QuillMendScan.exe FOLDER... - the broken-shortcut search from the command line, for scripts,
// benchmarks and end-to-end tests. It searches each folder through the FileFinderComponent with
// the same arguments and the same kind of callbacks as the scan page, and prints the full path
// of each broken shortcut on standard output, one per line, UTF-8, nothing else. With --details
// each line also holds, after a tab each, the target judged missing and the search's reason.
// --format=csv or --format=jsonl writes a report instead (base/ShortcutReport.h): path, folder,
// name, target, reason and the moved-target search's suggestion with its confidence. Those rows
// are written once each folder's search and the suggestions for its findings are done.
//
// Exit codes (the usage text lists them too): 0 every folder searched to its end; 1 bad command
// line; 2 a folder could not be searched or the component failed; 3 every folder searched, but
// some folder below one of them could not be listed (access denied, gone meanwhile), so the
// list may be incomplete. 2 wins over 3. Either way a message goes to standard error, and the
// other folders are still searched and their findings printed; with 3 the message names the
// first folders that could not be listed and says how many there were. --stats adds counts
// (also of the files that could not be read as shortcuts) and times on standard error.
// --ignore-list XMLFILE leaves out the shortcuts the program's ignore list
// names (a module XML document, host/IgnoreListStore.h); one that can't be read ends the run
// with code 2 before any search, since a report of everything is not what was asked for.
// --usual-places adds the usual places of the calling user to the folders, --all-users those
// of every user profile on the machine (scan/cli/UsualPlaceRoots.h); the report then ends in a
// profile column naming the profile each shortcut came from.
#include "base/IgnoreList.h"
#include "base/ShortcutReport.h"
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "host/Components.h"
#include "host/IgnoreListStore.h"
#include "scan/cli/UsualPlaceRoots.h"

#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kExitComplete = 0;
constexpr int kExitUsage = 1;
constexpr int kExitFailed = 2;
constexpr int kExitPartial = 3;

// Writes UTF-8 text to a standard handle: wide console output when it is a console (whatever
// its code page), the bytes themselves when it is a file or a pipe.
class Output {
public:
    explicit Output(DWORD which) : handle_(::GetStdHandle(which)) {
        DWORD mode = 0;
        console_ = handle_ && handle_ != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle_, &mode);
    }
    ~Output() { Flush(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void Write(std::string_view text) {
        pending_.append(text);
        if (pending_.size() >= 64 * 1024) Flush();
    }
    // False once a write failed (a closed pipe): there is no point searching on.
    bool Flush() {
        if (pending_.empty() || !handle_ || handle_ == INVALID_HANDLE_VALUE) {
            pending_.clear();
            return ok_;
        }
        if (console_) {
            std::wstring wide = qm::Widen(pending_);
            DWORD written = 0;
            ok_ = ::WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) && ok_;
        } else {
            size_t done = 0;
            while (done < pending_.size()) {
                DWORD written = 0;
                if (!::WriteFile(handle_, pending_.data() + done, static_cast<DWORD>(pending_.size() - done), &written, nullptr) ||
                    written == 0) {
                    ok_ = false;
                    break;
                }
                done += written;
            }
        }
        pending_.clear();
        return ok_;
    }
    bool Ok() const { return ok_; }

private:
    HANDLE handle_;
    bool console_ = false;
    bool ok_ = true;
    std::string pending_;
};

enum class Format { Paths, Csv, JsonLines };

struct Search {
    Output* out = nullptr;
    bool details = false;
    // With a report format the findings are kept until the suggestions are known.
    bool collect = false;
    const qm::IgnoreList* ignore = nullptr;  // null: report everything
    std::vector<qm::ShortcutReportRow> rows;
    uint64_t folders = 0;
    uint64_t broken = 0;
    uint64_t ignored = 0;
    uint64_t unreadable = 0;                 // files that could not be read as shortcuts
    uint64_t unlisted = 0;                   // folders below the root that could not be listed
    std::vector<std::string> unlistedNamed;  // the first of them, each with the system's reason
};

// The first folders that could not be listed are named on standard error; beyond these a count.
constexpr size_t kUnlistedNamed = 10;

// What the search passed over (FindFiles' reportProblems), or null for an ordinary report.
const char* ProblemOf(const FinderReport* report, const char* reason) {
    if (!report || report->size < offsetof(FinderReport, detail) + sizeof report->detail || !report->reason ||
        std::strcmp(report->reason, reason) != 0)
        return nullptr;
    return report->detail ? report->detail : "";
}

int __cdecl OnFileFound(const char* path, const FinderReport* report, WIN32_FIND_DATAA, void* context) {
    Search& search = *static_cast<Search*>(context);
    if (ProblemOf(report, "Unreadable")) {
        ++search.unreadable;
        return 1;
    }
    if (search.ignore && path && search.ignore->Ignores(path)) {
        ++search.ignored;
        return 1;
    }
    ++search.broken;
    if (search.collect) {
        search.rows.push_back({path ? path : "", report && report->target ? report->target : "",
                               report && report->reason ? report->reason : "", {}, {}});
        return 1;
    }
    search.out->Write(path ? path : "");
    if (search.details) {
        search.out->Write("\t");
        search.out->Write(report && report->target ? report->target : "");
        search.out->Write("\t");
        search.out->Write(report && report->reason ? report->reason : "");
    }
    search.out->Write("\r\n");
    return search.out->Ok() ? 1 : 0;
}

int __cdecl OnFolderEntered(const char* path, const FinderReport* report, WIN32_FIND_DATAA, void* context) {
    Search& search = *static_cast<Search*>(context);
    if (const char* why = ProblemOf(report, "Unlisted")) {
        if (++search.unlisted <= kUnlistedNamed) search.unlistedNamed.push_back(std::string(path ? path : "") + " (" + why + ")");
        return 1;
    }
    ++search.folders;
    return 1;
}

// Fills in where the targets of the rows went. Raises ComponentError when that search failed.
void AddSuggestions(const qm::host::FileFinderComponent& finder, std::vector<qm::ShortcutReportRow>& rows) {
    if (rows.empty()) return;
    std::vector<std::string> paths;
    paths.reserve(rows.size());
    for (const qm::ShortcutReportRow& row : rows) paths.push_back(row.path);
    std::vector<qm::host::MovedTarget> moved;
    finder.SuggestTargets(paths, moved, nullptr, nullptr);
    for (size_t i = 0; i < rows.size() && i < moved.size(); ++i) {
        rows[i].suggestion = moved[i].suggestion;
        rows[i].confidence = moved[i].suggestion.empty() ? "" : moved[i].confidence;
    }
}

void Usage(Output& err) {
    err.Write("usage: QuillMendScan [--stats] [--details | --format=csv|jsonl] [--ignore-list XMLFILE]\r\n"
              "                     [--usual-places | --all-users] [FOLDER...]\r\n"
              "Prints the full path of every broken shortcut below each FOLDER, one per line;\r\n"
              "--details adds the missing target and the reason, each after a tab.\r\n"
              "--format=csv writes a table instead (UTF-8 with a byte-order mark, RFC 4180, a header\r\n"
              "row), --format=jsonl one JSON object per line; both hold for each broken shortcut its\r\n"
              "path, folder, name, target, reason, suggestion and confidence (the last two empty when\r\n"
              "no new target was found).\r\n"
              "--ignore-list leaves out the shortcuts and folders that the ignore list in XMLFILE (the\r\n"
              "program's module XML file) names.\r\n"
              "--usual-places also searches the places where the calling user's shortcuts live (desktops,\r\n"
              "Start menus, pinned items, Quick Launch, SendTo, Startup; not Recent items); --all-users\r\n"
              "those of every user profile and of all users (run it as administrator), and the report\r\n"
              "gets a last column, profile, naming the profile (\"All Users\" for the shared places).\r\n"
              "--stats adds, on standard error, each FOLDER's counts of folders, broken shortcuts and\r\n"
              "files not readable as shortcuts, and its time.\r\n"
              "Exit code: 0 every folder searched completely; 1 bad command line; 2 a FOLDER could not\r\n"
              "be searched, the search failed or the ignore list could not be read; 3 some folder below\r\n"
              "a FOLDER could not be listed, so the list may be incomplete (standard error names the\r\n"
              "first of them and their count).\r\n");
}

std::string Seconds(std::chrono::steady_clock::duration elapsed) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", std::chrono::duration<double>(elapsed).count());
    return text;
}

int Run() {
    Output out(STD_OUTPUT_HANDLE);
    Output err(STD_ERROR_HANDLE);

    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<qm::scan::PlaceRoot> folders;
    enum class Places { None, Caller, AllUsers } places = Places::None;
    bool stats = false;
    bool details = false;
    Format format = Format::Paths;
    std::string ignoreFile;
    bool optionsEnded = false;
    for (int i = 1; argv && i < argc; ++i) {
        std::string arg = qm::Narrow(argv[i]);
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--stats") {
            stats = true;
        } else if (!optionsEnded && arg == "--details") {
            details = true;
        } else if (!optionsEnded && (arg == "--format=csv" || arg == "--format=jsonl")) {
            format = arg == "--format=csv" ? Format::Csv : Format::JsonLines;
        } else if (!optionsEnded && arg == "--ignore-list" && i + 1 < argc) {
            ignoreFile = qm::Narrow(argv[++i]);
        } else if (!optionsEnded && arg.rfind("--ignore-list=", 0) == 0 && arg.size() > 14) {
            ignoreFile = arg.substr(14);
        } else if (!optionsEnded && (arg == "--usual-places" || arg == "--all-users")) {
            const Places asked = arg == "--all-users" ? Places::AllUsers : Places::Caller;
            if (places != Places::None && places != asked) {
                err.Write("QuillMendScan: --usual-places and --all-users exclude each other\r\n");
                ::LocalFree(argv);
                return kExitUsage;
            }
            places = asked;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h" || arg == "/?")) {
            Usage(out);
            ::LocalFree(argv);
            return kExitComplete;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            err.Write("QuillMendScan: unknown option " + arg + "\r\n");
            Usage(err);
            ::LocalFree(argv);
            return kExitUsage;
        } else {
            folders.push_back({std::move(arg), {}});
        }
    }
    if (argv) ::LocalFree(argv);
    if ((folders.empty() && places == Places::None) || (details && format != Format::Paths)) {
        if (details && format != Format::Paths) err.Write("QuillMendScan: --details goes only with the plain list\r\n");
        Usage(err);
        return kExitUsage;
    }

    qm::ComApartment apartment;
    if (FAILED(apartment.Result())) {
        err.Write("QuillMendScan: COM could not be initialised\r\n");
        return kExitFailed;
    }
    qm::host::FileFinderComponent finder;
    if (HRESULT created = qm::host::FileFinderComponent::Create(finder); FAILED(created)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(created));
        err.Write(std::string("QuillMendScan: the file finder component could not be created (") + code + ")\r\n");
        return kExitFailed;
    }

    qm::IgnoreList ignore;
    if (!ignoreFile.empty()) {
        try {
            qm::host::XmlStoreComponent store;
            if (FAILED(qm::host::XmlStoreComponent::Create(store))) throw qm::host::ComponentError(E_FAIL, "the XML store could not be created");
            store.Load(ignoreFile);
            ignore = qm::host::LoadIgnoreList(store);
        } catch (const qm::host::ComponentError& error) {
            err.Write("QuillMendScan: the ignore list cannot be read: " + error.Message() + "\r\n");
            return kExitFailed;
        }
    }

    if (places != Places::None) {
        const std::vector<qm::scan::PlaceRoot> found =
            places == Places::AllUsers ? qm::scan::UsualPlaceRootsOfAllUsers() : qm::scan::UsualPlaceRootsOfCaller();
        folders.insert(folders.end(), found.begin(), found.end());
    }
    const bool profileColumn = places == Places::AllUsers;

    if (format == Format::Csv) {
        out.Write(qm::kUtf8ByteOrderMark);
        out.Write(qm::CsvHeader(profileColumn));
    }
    int exitCode = kExitComplete;
    Search total;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [folder, profile] : folders) {
        Search search;
        search.out = &out;
        search.details = details;
        search.collect = format != Format::Paths;
        search.ignore = ignoreFile.empty() ? nullptr : &ignore;
        const auto folderStart = std::chrono::steady_clock::now();
        try {
            if (finder.FindBrokenShortcuts(folder, OnFileFound, OnFolderEntered, &search, /*reportProblems=*/true) == S_FALSE) {
                out.Flush();
                err.Write("QuillMendScan: " + folder + ": " + std::to_string(search.unlisted) +
                          (search.unlisted == 1 ? " folder" : " folders") +
                          " below it could not be listed, so the list may be incomplete:\r\n");
                for (const std::string& named : search.unlistedNamed) err.Write("  " + named + "\r\n");
                if (search.unlisted > search.unlistedNamed.size())
                    err.Write("  and " + std::to_string(search.unlisted - search.unlistedNamed.size()) + " more\r\n");
                if (exitCode == kExitComplete) exitCode = kExitPartial;
            }
        } catch (const qm::host::ComponentError& error) {
            out.Flush();
            err.Write("QuillMendScan: " + folder + ": " + error.Message() + "\r\n");
            exitCode = kExitFailed;
        }
        if (search.collect) {
            try {
                AddSuggestions(finder, search.rows);
            } catch (const qm::host::ComponentError& error) {
                err.Write("QuillMendScan: " + folder + ": no suggestions, the search for moved targets failed: " +
                          error.Message() + "\r\n");
            }
            for (const qm::ShortcutReportRow& row : search.rows) {
                const std::optional<std::string_view> column =
                    profileColumn ? std::optional<std::string_view>(profile) : std::nullopt;
                out.Write(format == Format::Csv ? qm::CsvRecord(row, column) : qm::JsonLine(row, column));
            }
        }
        if (stats) {
            err.Write(folder + ": " + std::to_string(search.folders) + " folders, " + std::to_string(search.broken) +
                      " broken shortcuts, " + std::to_string(search.unreadable) + " files not readable as shortcuts, " +
                      Seconds(std::chrono::steady_clock::now() - folderStart) + " s\r\n");
        }
        total.folders += search.folders;
        total.broken += search.broken;
        total.unreadable += search.unreadable;
        if (!out.Flush()) {
            err.Write("QuillMendScan: standard output could not be written\r\n");
            return kExitFailed;
        }
    }
    if (stats && folders.size() > 1) {
        err.Write("total: " + std::to_string(total.folders) + " folders, " + std::to_string(total.broken) +
                  " broken shortcuts, " + std::to_string(total.unreadable) + " files not readable as shortcuts, " +
                  Seconds(std::chrono::steady_clock::now() - start) + " s\r\n");
    }
    return exitCode;
}

}  // namespace

int main() {
    try {
        return Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "QuillMendScan: %s\n", error.what());
        return kExitFailed;
    }
}
