#include "folders/FolderEnumerator.h"

#include "base/Utf.h"
#include "base/win/Handle.h"
#include "base/Wildcard.h"

#include <algorithm>

namespace qm::folders {
namespace {

std::wstring Lower(std::wstring text) {
    if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// What makes two paths the same folder, however they were reached (links, junctions).
struct FolderIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FolderIdentity&) const = default;
};

bool ReadIdentity(const std::wstring& path, FolderIdentity& identity) {
    // Backup semantics opens a folder; no access right is needed to read its identity.
    FileHandle folder(::CreateFileW(ForSystemCall(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder || !::GetFileInformationByHandle(folder.Get(), &info)) return false;
    identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

class Walker {
public:
    explicit Walker(const FolderWalk& walk) : walk_(walk) {
        for (const auto& [mask, tag] : walk.masks)
            masks_.push_back({Narrow(Lower(Widen(mask))), &tag, MatchesEverything(mask)});
        for (const std::string& exclusion : walk.exclusions) exclusions_.push_back(Lower(Widen(exclusion)));
    }

    void Walk(std::string folder, std::wstring wideFolder, std::uint32_t depth) {
        if (depth >= walk_.maxDepth) return;
        WIN32_FIND_DATAW record;
        FindHandle find(::FindFirstFileExW(ForSystemCall(wideFolder + L"\\*").c_str(), FindExInfoBasic, &record,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find) return;

        // Only a walk that will go deeper needs to know which folders it is inside.
        const bool descends = walk_.recurse && depth + 1 < walk_.maxDepth;
        FolderIdentity self;
        const bool onChain = descends && ReadIdentity(wideFolder, self);
        if (onChain) chain_.push_back(self);

        const std::wstring lowerFolder = exclusions_.empty() ? std::wstring() : Lower(wideFolder);
        do {
            Visit(folder, wideFolder, lowerFolder, record, depth, descends);
        } while (::FindNextFileW(find.Get(), &record));

        if (onChain) chain_.pop_back();
    }

private:
    struct PreparedMask {
        std::string lowered;
        const std::string* tag;
        bool matchesEverything;
    };

    void Visit(const std::string& folder, const std::wstring& wideFolder, const std::wstring& lowerFolder,
               const WIN32_FIND_DATAW& record, std::uint32_t depth, bool descends) {
        const DWORD attributes = record.dwFileAttributes;
        // A file is never reported and never entered, so it needs no further work.
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;

        const std::wstring_view wideName = record.cFileName;
        const std::string name = Narrow(wideName);
        const std::string fullPath = folder + "\\" + name;
        if (walk_.entryVisitor) walk_.entryVisitor(fullPath, name, nullptr, record, walk_.entryContext);

        if ((walk_.skipReadOnly && (attributes & FILE_ATTRIBUTE_READONLY)) ||
            (walk_.skipSystem && (attributes & FILE_ATTRIBUTE_SYSTEM)) ||
            (walk_.skipHidden && (attributes & FILE_ATTRIBUTE_HIDDEN)))
            return;

        if (!exclusions_.empty()) {
            const std::wstring lowerPath = lowerFolder + L"\\" + Lower(std::wstring(wideName));
            for (const std::wstring& exclusion : exclusions_)
                if (lowerPath.find(exclusion) != std::wstring::npos) return;
        }
        if (wideName == L"." || wideName == L"..") return;

        if (walk_.visitor) {
            std::string lowerName;
            bool lowered = false;
            for (const PreparedMask& mask : masks_) {
                if (!mask.matchesEverything) {
                    if (!lowered) {
                        lowerName = Narrow(Lower(std::wstring(wideName)));
                        lowered = true;
                    }
                    if (!MatchWildcard(mask.lowered, lowerName, WildcardRule::OneByteExact)) continue;
                }
                walk_.visitor(fullPath, name, mask.tag, record, walk_.visitorContext);
                break;
            }
        }

        if (descends) {
            std::wstring wideFullPath = wideFolder + L"\\" + std::wstring(wideName);
            FolderIdentity identity;
            if (!chain_.empty() && ReadIdentity(wideFullPath, identity) &&
                std::find(chain_.begin(), chain_.end(), identity) != chain_.end())
                return;  // leads back into a folder being walked: entering it would never end
            Walk(fullPath, std::move(wideFullPath), depth + 1);
        }
    }

    const FolderWalk& walk_;
    std::vector<PreparedMask> masks_;
    std::vector<std::wstring> exclusions_;
    std::vector<FolderIdentity> chain_;
};

std::string_view WithoutOneTrailingBackslash(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
}

int CollectFolderPath(const std::string& fullPath, const std::string&, const std::string*, const WIN32_FIND_DATAW&,
                      void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(fullPath);
    return 1;
}

}  // namespace

std::wstring ForSystemCall(const std::wstring& path) {
    // Folders must leave room for an 8.3 name below them; "\\*" is added to list them.
    constexpr std::size_t kClassicLimit = MAX_PATH - 12;
    if (path.size() < kClassicLimit || path.rfind(L"\\\\?\\", 0) == 0) return path;
    if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    if (path.size() > 2 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    return path;
}

void WalkFolders(const FolderWalk& walk, std::string_view startFolder, std::uint32_t depth) {
    // An empty text names no folder; taken as it is, it would list the current drive's root.
    if (depth >= walk.maxDepth || startFolder.empty()) return;
    const std::string folder(WithoutOneTrailingBackslash(startFolder));
    Walker walker(walk);
    walker.Walk(folder, Widen(folder), depth);
}

void ListSubfolders(const std::string& folder, std::vector<std::string>& out) {
    FolderWalk walk;
    walk.masks.emplace("*", "");
    walk.visitor = CollectFolderPath;
    walk.visitorContext = &out;
    walk.maxDepth = 1;
    WalkFolders(walk, folder, 0);
}

}  // namespace qm::folders
