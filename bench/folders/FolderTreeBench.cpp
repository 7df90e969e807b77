// Time to fill the folder tree, per node, against a bare FindFirstFileEx listing of the same
// folders in the same run. Two cases: opening a folder whose children hold 20,000 subfolders in
// all, and building the tree for a root that holds 5,000 folders. Each is measured for the model
// alone and with a real tree-view control taking every node, once as the folder page reads:
// the listing on a loader thread, the answers taken into the model on this one; and once more
// with the duplicate test done as a linear scan of the path table, to show what the hash index
// saves.
//
// Usage: folder_tree_bench [children grandchildren-per-child root-folders runs]
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "folders/FolderEnumerator.h"
#include "folders/FolderLoader.h"
#include "folders/FolderTree.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
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

void MakeFolder(const std::string& path) { ::CreateDirectoryW(qm::Widen(path).c_str(), nullptr); }

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    qm::FindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
    if (find) {
        do {
            const std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
        } while (::FindNextFileW(find.Get(), &entry));
    }
    ::RemoveDirectoryW(path.c_str());
}

// The baseline: every entry of each folder, nothing kept.
std::size_t BareListing(const std::vector<std::string>& folders) {
    std::size_t entries = 0;
    for (const std::string& folder : folders) {
        WIN32_FIND_DATAW record;
        qm::FindHandle find(::FindFirstFileExW(qm::Widen(folder + "\\*").c_str(), FindExInfoBasic, &record,
                                               FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find) continue;
        do ++entries;
        while (::FindNextFileW(find.Get(), &record));
    }
    return entries;
}

// Puts every node the model adds into a tree-view control, as the folder page does.
class TreeViewMirror : public qm::folders::CheckTree::Observer {
public:
    TreeViewMirror(HWND tree, qm::folders::FolderTree& model) : tree_(tree), model_(model) {}
    void NodeAdded(qm::folders::CheckTree::NodeId node) override {
        const auto parent = model_.Ticks().Parent(node);
        const std::wstring text = qm::Widen(model_.Text(node));
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent == qm::folders::CheckTree::kNone ? TVI_ROOT : items_[parent];
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
        insert.item.pszText = const_cast<wchar_t*>(text.c_str());
        insert.item.lParam = node;
        insert.item.state = INDEXTOSTATEIMAGEMASK(1);
        insert.item.stateMask = TVIS_STATEIMAGEMASK;
        items_.push_back(reinterpret_cast<HTREEITEM>(::SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert))));
    }
    void StateChanged(qm::folders::CheckTree::NodeId, qm::folders::CheckState) override {}

private:
    HWND tree_;
    qm::folders::FolderTree& model_;
    std::vector<HTREEITEM> items_;
};

// The same lister, with the duplicate test done the slow way: each path compared against every
// path listed before. Only for comparison.
qm::folders::SubfolderLister QuadraticLister() {
    auto seen = std::make_shared<std::vector<std::string>>();
    return [seen](const std::string& folder, std::vector<std::string>& out) {
        std::vector<std::string> listed;
        qm::folders::ListSubfolders(folder, listed);
        for (std::string& path : listed) {
            if (std::find(seen->begin(), seen->end(), path) != seen->end()) continue;
            seen->push_back(path);
            out.push_back(std::move(path));
        }
    };
}

// Waits for every answer of `loader` and hands each to `apply` on this thread, as the page does.
void TakeAnswers(qm::folders::FolderLoader& loader, std::size_t expected,
                 const std::function<void(const qm::folders::FolderLoader::Answer&)>& apply) {
    for (std::size_t taken = 0; taken < expected;) {
        std::vector<qm::folders::FolderLoader::Answer> answers = loader.TakeAnswers();
        if (answers.empty()) ::Sleep(0);
        for (const auto& answer : answers) apply(answer);
        taken += answers.size();
    }
}

struct Figures {
    double bare = 0;
    double model = 0;
    double withView = 0;
    double loaderThread = 0;
    double quadratic = 0;
    std::size_t nodes = 0;
};

void Print(const char* title, const Figures& f) {
    const double n = static_cast<double>(f.nodes);
    std::printf("%s: %zu nodes\n", title, f.nodes);
    std::printf("  bare FindFirstFileEx listing : %8.2f ms  %7.3f us/node\n", f.bare * 1e3, f.bare * 1e6 / n);
    std::printf("  folder tree model            : %8.2f ms  %7.3f us/node  ratio %.2f\n", f.model * 1e3,
                f.model * 1e6 / n, f.model / f.bare);
    std::printf("  model + tree-view control    : %8.2f ms  %7.3f us/node  ratio %.2f\n", f.withView * 1e3,
                f.withView * 1e6 / n, f.withView / f.bare);
    std::printf("  loader thread + model        : %8.2f ms  %7.3f us/node  ratio %.2f\n", f.loaderThread * 1e3,
                f.loaderThread * 1e6 / n, f.loaderThread / f.bare);
    if (f.quadratic > 0)
        std::printf("  model, linear duplicate test : %8.2f ms  %7.3f us/node  ratio %.2f\n", f.quadratic * 1e3,
                    f.quadratic * 1e6 / n, f.quadratic / f.bare);
}

HWND MakeTreeView() {
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
    return ::CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 0, 0,
                             400, 400, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const int children = argc > 1 ? std::atoi(argv[1]) : 100;
    const int perChild = argc > 2 ? std::atoi(argv[2]) : 200;
    const int rootFolders = argc > 3 ? std::atoi(argv[3]) : 5000;
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;

    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::string base = qm::Narrow(temp) + "qm-folder-bench-" + std::to_string(::GetCurrentProcessId());
    const std::string wide = base + "\\wide";  // a drive-like root with one folder to open
    const std::string flat = base + "\\flat";  // a root holding many folders
    std::printf("making %d x %d and %d folders under %s ...\n", children, perChild, rootFolders, base.c_str());
    MakeFolder(base);
    MakeFolder(wide);
    MakeFolder(flat);
    MakeFolder(wide + "\\open");
    std::vector<std::string> childFolders;
    for (int c = 0; c < children; ++c) {
        childFolders.push_back(wide + "\\open\\child" + std::to_string(c));
        MakeFolder(childFolders.back());
        for (int g = 0; g < perChild; ++g) MakeFolder(childFolders.back() + "\\folder" + std::to_string(g));
    }
    for (int f = 0; f < rootFolders; ++f) MakeFolder(flat + "\\folder" + std::to_string(f));

    qm::WindowHandle treeView(MakeTreeView());
    if (!treeView) std::printf("(no tree-view control: its row stays empty)\n");

    const qm::folders::SubfolderLister lister = qm::folders::ListSubfolders;
    const std::vector<qm::folders::DriveInfo> wideDrive = {{"Bench", wide + "\\", "B:"}};
    const std::vector<qm::folders::DriveInfo> flatDrive = {{"Bench", flat + "\\", "B:"}};

    // Opening "open": the model reads each child's subfolders.
    auto openWide = [&](qm::folders::FolderTree& tree) {
        tree.Build("Computer", wideDrive);
        const auto drive = tree.Ticks().Children(tree.Ticks().TopLevel().front())[0];
        tree.PrepareExpand(drive);  // loads "open"'s children
        const auto open = tree.Ticks().Children(drive)[0];
        return Seconds([&] { tree.PrepareExpand(open); });
    };
    auto buildFlat = [&](qm::folders::FolderTree& tree) { return Seconds([&] { tree.Build("Computer", flatDrive); }); };

    // The same two through the loader's threads (a bound never reached).
    const qm::folders::DiskAccess disk{nullptr, [](const std::string&) { return std::optional<qm::folders::DriveInfo>(); }, lister};
    auto openWideThreaded = [&](qm::folders::FolderTree& tree) {
        tree.Build("Computer", wideDrive);
        const auto drive = tree.Ticks().Children(tree.Ticks().TopLevel().front())[0];
        tree.PrepareExpand(drive);
        const auto open = tree.Ticks().Children(drive)[0];
        qm::folders::FolderLoader loader(disk, std::chrono::hours(1));
        return Seconds([&] {
            const std::vector<qm::folders::CheckTree::NodeId> asked = tree.BeginExpand(open);
            std::vector<std::string> folders;
            for (const auto node : asked) folders.push_back(tree.Path(node));
            loader.ListFolders(std::move(folders));
            TakeAnswers(loader, asked.size(),
                        [&](const qm::folders::FolderLoader::Answer& answer) { tree.ApplyListing(asked[answer.index], answer.subfolders); });
        });
    };
    auto buildFlatThreaded = [&](qm::folders::FolderTree& tree) {
        qm::folders::FolderLoader loader({nullptr, [&](const std::string&) { return std::optional(flatDrive[0]); }, lister},
                                std::chrono::hours(1));
        return Seconds([&] {
            tree.Reset("Computer");
            loader.QueryDrive(flatDrive[0].rootPath);
            TakeAnswers(loader, 1, [&](const qm::folders::FolderLoader::Answer& answer) {
                tree.ApplyListing(tree.AddDrive(*answer.drive), answer.subfolders);
            });
        });
    };

    BareListing(childFolders);  // warm the file system's caches once
    BareListing({flat});

    Figures opening, building;
    std::vector<double> bare, model, view, threaded;
    for (int run = 0; run < runs; ++run) {
        bare.push_back(Seconds([&] { BareListing(childFolders); }));
        qm::folders::FolderTree tree(lister);
        const std::size_t before = 0;
        model.push_back(openWide(tree));
        opening.nodes = tree.Ticks().Size() - before - 2 - static_cast<std::size_t>(children) - 1;
        if (treeView) {
            ::SendMessageW(treeView.Get(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
            qm::folders::FolderTree viewed(lister);
            TreeViewMirror mirror(treeView.Get(), viewed);
            viewed.Ticks().SetObserver(&mirror);
            view.push_back(openWide(viewed));
        }
        qm::folders::FolderTree loaded(lister);
        threaded.push_back(openWideThreaded(loaded));
    }
    opening.bare = Median(bare);
    opening.model = Median(model);
    opening.withView = view.empty() ? 0 : Median(view);
    opening.loaderThread = Median(threaded);
    {
        qm::folders::FolderTree slow(QuadraticLister());
        opening.quadratic = openWide(slow);
    }
    Print("opening a folder whose children hold the subfolders", opening);

    bare.clear();
    model.clear();
    view.clear();
    threaded.clear();
    for (int run = 0; run < runs; ++run) {
        bare.push_back(Seconds([&] { BareListing({flat}); }));
        qm::folders::FolderTree tree(lister);
        model.push_back(buildFlat(tree));
        building.nodes = tree.Ticks().Size() - 2;
        if (treeView) {
            ::SendMessageW(treeView.Get(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
            qm::folders::FolderTree viewed(lister);
            TreeViewMirror mirror(treeView.Get(), viewed);
            viewed.Ticks().SetObserver(&mirror);
            view.push_back(buildFlat(viewed));
        }
        qm::folders::FolderTree loaded(lister);
        threaded.push_back(buildFlatThreaded(loaded));
    }
    building.bare = Median(bare);
    building.model = Median(model);
    building.withView = view.empty() ? 0 : Median(view);
    building.loaderThread = Median(threaded);
    {
        qm::folders::FolderTree slow(QuadraticLister());
        building.quadratic = buildFlat(slow);
    }
    Print("building the tree for a root holding the folders", building);
    std::printf("(medians of %d runs; goal: model within 3x of the bare listing)\n", runs);

    RemoveTree(qm::Widen(base));
    return 0;
}
