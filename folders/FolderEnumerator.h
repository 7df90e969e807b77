// Lists the subfolders of a folder and reports them to a visitor: optionally recursive up to a
// depth limit, with attribute filters, excluded path fragments and wildcard masks that choose
// which folders are reported and with which tag. Files are never reported. Stateless; visitors
// run on the calling thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qm::folders {

// Mask text -> tag text. std::map keeps the masks in ascending byte order, the order in which
// they are tried; the first mask that matches a folder's name wins.
using MaskTable = std::map<std::string, std::string>;

// fullPath and name are UTF-8; tag is null for the entry visitor. The result is ignored.
using FolderVisitor = int (*)(const std::string& fullPath, const std::string& name, const std::string* tag,
                              const WIN32_FIND_DATAW& record, void* context);

struct FolderWalk {
    MaskTable masks;
    FolderVisitor visitor = nullptr;  // each subfolder whose lower-case name matches a lower-case mask
    void* visitorContext = nullptr;
    // An entry whose lower-case full path contains one of these (lowered too) is skipped,
    // together with everything under it.
    std::vector<std::string> exclusions;
    bool recurse = false;
    bool skipReadOnly = false;
    bool skipSystem = false;
    bool skipHidden = false;
    // Every directory entry, "." and ".." included, before any filter.
    FolderVisitor entryVisitor = nullptr;
    void* entryContext = nullptr;
    std::uint32_t maxDepth = 1;
};

// Lists `startFolder` (one trailing backslash is dropped, so "C:\" gives "C:\Windows") when
// `depth` is below walk.maxDepth. A folder that cannot be listed, or an empty start, reports
// nothing. With recursion,
// a folder that leads back to one of the folders being walked (a junction or link pointing up)
// is reported but not entered again.
void WalkFolders(const FolderWalk& walk, std::string_view startFolder, std::uint32_t depth = 0);

// `path` as the system calls take it: a full path too long for the classic 260-character limit
// gets the extended-length prefix (\\?\ or \\?\UNC\), which takes a path as it stands; shorter
// and relative paths, and prefixed ones, are returned unchanged. Listings use it, so folders
// deeper than the limit are listed as any other.
std::wstring ForSystemCall(const std::wstring& path);

// The full paths of the immediate subfolders of `folder`, hidden and system ones included,
// in the order the file system gives them.
void ListSubfolders(const std::string& folder, std::vector<std::string>& out);

}  // namespace qm::folders
