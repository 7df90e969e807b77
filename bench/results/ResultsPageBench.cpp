// Filling the results page with N broken shortcuts (real files, read with the shell-link reader)
// and sorting it by each column, against a baseline in the same run: the same N rows inserted
// into a bare list view (three columns, no file reading, no icons). Medians of several runs.
// The bare list is also timed with its drawing switched off (WM_SETREDRAW), as the page fills
// its own: then it no longer updates its scroll bar for every row, the cheapest a list view
// takes the rows with their texts. And the page's own share is shown against the reading of
// the N files alone (the page reads each to leave out what is no longer a shortcut).
//
// Usage: results_page_bench [rows runs]   (run through tools/wine-run.sh; default 10000 3)
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "host/Components.h"
#include "results/ResultsPage.h"
#include "changes/ShortcutFile.h"
#include "tools/lnkwriter/LinkWriter.h"
#include "ui/AppModule.h"
#include "wizard/ResultStore.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    qm::FindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
    if (find) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\" + name);
            else
                ::DeleteFileW((path + L"\\" + name).c_str());
        } while (::FindNextFileW(find.Get(), &entry));
    }
    ::RemoveDirectoryW(path.c_str());
}

struct Row {
    std::wstring name, folder, target;
};

// The baseline: the same rows into a bare report-view list view.
double BareInsert(const std::vector<Row>& rows, bool redrawOff) {
    qm::WindowHandle list(::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 600, 400, nullptr, nullptr,
                                            ::GetModuleHandleW(nullptr), nullptr));
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = 150;
        ::SendMessageW(list.Get(), LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    return Seconds([&] {
        if (redrawOff) ::SendMessageW(list.Get(), WM_SETREDRAW, FALSE, 0);
        int index = 0;
        for (const Row& row : rows) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = index;
            item.pszText = const_cast<wchar_t*>(row.name.c_str());
            const int at = static_cast<int>(::SendMessageW(list.Get(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            item.iSubItem = 1;
            item.pszText = const_cast<wchar_t*>(row.folder.c_str());
            ::SendMessageW(list.Get(), LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&item));
            item.iSubItem = 2;
            item.pszText = const_cast<wchar_t*>(row.target.c_str());
            ::SendMessageW(list.Get(), LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&item));
            ++index;
        }
    });
}

// What the page cannot do without: every row's file read as a shortcut.
double ReadAll(const std::vector<Row>& rows) {
    return Seconds([&] {
        std::string target;
        for (const Row& row : rows) qm::changes::ReadShortcutTarget(qm::Narrow(row.folder + L"\\" + row.name), target);
    });
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    qm::ComApartment apartment;
    qm::ui::TheAppModule().Init(::GetModuleHandleW(nullptr));
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
    auto& components = qm::host::TheComponents();
    if (FAILED(qm::host::LanguageComponent::Create(components.language))) {
        std::fprintf(stderr, "the language component is missing (QuillSuite.dll beside the benchmark?)\n");
        return 1;
    }
    components.language.Load(QM_LANGUAGE_FILE);

    // N shortcuts to missing targets, 100 to a folder, names in a scrambled order.
    wchar_t current[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring base = std::wstring(current) + L"\\results-bench-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(base.c_str(), nullptr);
    std::printf("writing %d shortcuts under %s ...\n", count, qm::Narrow(base).c_str());
    std::vector<Row> rows;
    qm::wizard::ResultStore store;
    for (int i = 0; i < count; ++i) {
        const std::wstring folder = base + L"\\f" + std::to_wstring(i / 100 * 7919 % 1000);
        if (i % 100 == 0) ::CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring name = L"Shortcut " + std::to_wstring((i * 7727) % count) + L".lnk";
        const std::string target = "C:\\Programs\\App " + std::to_string((i * 131) % 997) + "\\app.exe";
        qm::lnkwriter::LinkFields linkFields;
        linkFields.localBasePath = target;
        linkFields.idListPath = target;
        const std::vector<unsigned char> bytes = qm::lnkwriter::BuildLink(linkFields);
        qm::FileHandle file(::CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        store.Append({qm::Narrow(name), qm::Narrow(folder), target, "TargetMissing"});
        rows.push_back({name, folder, qm::Widen(target.substr(0, target.rfind('\\')))});
    }

    std::vector<double> bare, bareQuiet, reads, fill, sorts[3];
    for (int run = 0; run < runs; ++run) {
        bare.push_back(BareInsert(rows, false));
        bareQuiet.push_back(BareInsert(rows, true));
        reads.push_back(ReadAll(rows));
        auto page = std::make_unique<qm::results::ResultsPage>(store);
        HPROPSHEETPAGE pages[] = {page->CreatePage()};
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof(header);
        header.dwFlags = PSH_MODELESS | PSH_WIZARD;
        header.hInstance = ::GetModuleHandleW(nullptr);
        header.nPages = 1;
        header.phpage = pages;
        HWND sheet = nullptr;
        // The sheet activates its page as it comes up: that is the first fill.
        const double first = Seconds([&] { sheet = reinterpret_cast<HWND>(::PropertySheetW(&header)); });
        Pump();
        if (!sheet || page->RowCount() != count) {
            std::fprintf(stderr, "the page shows %d rows, not %d\n", sheet ? page->RowCount() : -1, count);
            return 1;
        }
        // A second visit fills again (what a user sees coming back to the page).
        PSHNOTIFY notify{};
        notify.hdr.hwndFrom = sheet;
        notify.hdr.code = static_cast<UINT>(PSN_SETACTIVE);
        fill.push_back(Seconds([&] { ::SendMessageW(page->Window(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)); }));
        for (int column = 0; column < 3; ++column) sorts[column].push_back(Seconds([&] { page->List().SortByColumn(column); }));
        std::printf("run %d: bare insert %.3f s (drawing off %.3f s), reading the files %.3f s, first fill (with the "
                    "sheet) %.3f s, fill %.3f s, sorts %.3f %.3f %.3f s\n",
                    run + 1, bare.back(), bareQuiet.back(), reads.back(), first, fill.back(), sorts[0].back(),
                    sorts[1].back(), sorts[2].back());
        ::DestroyWindow(sheet);
        Pump();
    }
    const double bareMedian = Median(bare), bareQuietMedian = Median(bareQuiet), fillMedian = Median(fill);
    std::printf("%d rows, medians of %d runs:\n", count, runs);
    const auto line = [](const std::string& what, double seconds, const std::string& after) {
        std::printf("  %-38s %8.3f s%s\n", what.c_str(), seconds, after.c_str());
    };
    char ratios[160];
    std::snprintf(ratios, sizeof ratios, "  ratio %.2f (goal: at most 2); %.2f of the bare list with drawing off",
                  bareMedian > 0 ? fillMedian / bareMedian : 0.0, bareQuietMedian > 0 ? fillMedian / bareQuietMedian : 0.0);
    line("bare list-view insert (baseline):", bareMedian, "");
    line("the same with drawing off:", bareQuietMedian, "");
    line("reading the " + std::to_string(count) + " files alone:", Median(reads), "");
    line("page fill (reads the files, icons):", fillMedian, ratios);
    for (int column = 0; column < 3; ++column)
        line("sort by column " + std::to_string(column) + ":", Median(sorts[column]), "  (goal: under 0.5 s)");
    store.Clear();
    components.language.Reset();
    RemoveTree(base);
    return 0;
}
