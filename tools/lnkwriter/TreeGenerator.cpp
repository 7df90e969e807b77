#include "tools/lnkwriter/TreeGenerator.h"

#include "tools/lnkwriter/LinkWriter.h"

#include <algorithm>
#include <fstream>

namespace qm::lnkwriter {

namespace {

namespace fs = std::filesystem;

// The kinds in the order links are given them: working links are the most common, as on a
// real disk, and every kind turns up in any tree of 16 links or more.
constexpr LinkKind kCycle[] = {
    LinkKind::WorkingLocal,      LinkKind::BrokenLocal,     LinkKind::WorkingLocal,   LinkKind::Advertised,
    LinkKind::WorkingFolder,     LinkKind::BrokenVanishedFolder, LinkKind::WorkingLocal, LinkKind::ShellObject,
    LinkKind::WorkingEnvironment, LinkKind::BrokenIdList,   LinkKind::AbsentDrive,    LinkKind::WorkingRelative,
    LinkKind::DeadShare,         LinkKind::BrokenEnvironment, LinkKind::WorkingLocal, LinkKind::NotALink,
};

constexpr uint32_t kTargets = 64;  // existing target files, shared by many links as real ones are

fs::path FromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

void WriteFile(const fs::path& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) throw fs::filesystem_error("cannot write", path, std::make_error_code(std::errc::io_error));
}

struct Folder {
    std::string relative;  // UTF-8, backslash-separated, "" for the root
    uint32_t depth = 0;
};

std::string Join(const std::string& a, const std::string& b) { return a.empty() ? b : a + "\\" + b; }

fs::path HostPath(const TreeShape& shape, const std::string& relative) {
    std::string slashed = relative;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    return slashed.empty() ? shape.root : shape.root / FromUtf8(slashed);
}

}  // namespace

const char* KindName(LinkKind kind) {
    switch (kind) {
        case LinkKind::BrokenLocal: return "broken, local path";
        case LinkKind::BrokenVanishedFolder: return "broken, folder gone";
        case LinkKind::BrokenIdList: return "broken, IDList only";
        case LinkKind::BrokenEnvironment: return "broken, environment target";
        case LinkKind::WorkingLocal: return "working, local path";
        case LinkKind::WorkingFolder: return "working, folder target";
        case LinkKind::WorkingEnvironment: return "working, environment target";
        case LinkKind::WorkingRelative: return "working through its relative path";
        case LinkKind::Advertised: return "advertised";
        case LinkKind::ShellObject: return "shell object";
        case LinkKind::AbsentDrive: return "absent drive";
        case LinkKind::DeadShare: return "dead network share";
        case LinkKind::NotALink: return "not a shell link";
        case LinkKind::Count: break;
    }
    return "?";
}

bool IsBroken(LinkKind kind) {
    return kind == LinkKind::BrokenLocal || kind == LinkKind::BrokenVanishedFolder || kind == LinkKind::BrokenIdList ||
           kind == LinkKind::BrokenEnvironment;
}

TreeResult GenerateTree(const TreeShape& shape) {
    TreeResult result;
    fs::create_directories(shape.root);

    // Folders: the target folder first, then a tree eight wide; some names hidden-looking (Wine
    // marks dot names hidden) or outside ASCII.
    std::vector<Folder> folders{{"", 0}, {"targets", 1}};
    fs::create_directories(HostPath(shape, "targets"));
    for (uint32_t i = 0; i < kTargets; ++i) {
        WriteFile(HostPath(shape, "targets\\t" + std::to_string(i) + ".exe"), "MZ", 2);
    }
    for (uint32_t i = 2; i < std::max<uint32_t>(shape.folders, 2); ++i) {
        const Folder& parent = folders[(i - 2) / 8 == 1 ? 0 : (i - 2) / 8];  // never inside "targets"
        std::string name = "d" + std::to_string(i);
        if (i % 97 == 0) name = ".hidden" + std::to_string(i);
        if (i % 41 == 0) name = "Ordner \xC3\xBC \xE6\x97\xA5\xE6\x9C\xAC " + std::to_string(i);
        Folder folder{Join(parent.relative, name), parent.depth + 1};
        fs::create_directory(HostPath(shape, folder.relative));
        folders.push_back(std::move(folder));
    }
    result.folders = folders.size();

    for (uint32_t i = 0; i < shape.files; ++i) {
        const Folder& folder = folders[(i * 2654435761u) % folders.size()];
        const char* extension = (i % 3 == 0) ? ".txt" : (i % 3 == 1) ? ".dat" : ".exe";
        WriteFile(HostPath(shape, Join(folder.relative, "f" + std::to_string(i) + extension)), "0123456", i % 7);
    }
    result.files = shape.files + kTargets;

    const std::string target = shape.windowsRoot + "\\targets";
    for (uint32_t i = 0; i < shape.links; ++i) {
        const Folder& folder = folders[(i * 7919u + 3) % folders.size()];
        LinkKind kind = kCycle[i % (sizeof kCycle / sizeof kCycle[0])];
        if (kind == LinkKind::AbsentDrive && !shape.absentDrive) kind = LinkKind::WorkingLocal;
        const std::string targetName = "t" + std::to_string(i % kTargets) + ".exe";
        std::string name = (i % 7 == 0) ? "Verkn\xC3\xBCpfung \xE2\x9C\x93 " + std::to_string(i) : "link" + std::to_string(i);
        name += (i % 11 == 0) ? ".LNK" : ".lnk";

        LinkFields link;
        link.description = KindName(kind);
        switch (kind) {
            case LinkKind::WorkingLocal:
                link.localBasePath = target + "\\" + targetName;
                link.idListPath = link.localBasePath;
                break;
            case LinkKind::WorkingFolder:
                link.localBasePath = target + "\\";
                link.targetAttributes = 0x10;
                break;
            case LinkKind::WorkingEnvironment:
                link.environmentTarget = "%SystemRoot%\\system32";
                link.localBasePath = "C:\\Windows\\system32";
                break;
            case LinkKind::WorkingRelative: {
                link.localBasePath = shape.windowsRoot + "\\moved away\\" + targetName;
                std::string up;
                for (uint32_t d = 0; d < folder.depth; ++d) up += "..\\";
                link.relativePath = (up.empty() ? ".\\" : up) + "targets\\" + targetName;
                break;
            }
            case LinkKind::BrokenLocal:
                link.localBasePath = target + "\\gone" + std::to_string(i) + ".exe";
                break;
            case LinkKind::BrokenVanishedFolder:
                link.localBasePath = shape.windowsRoot + "\\uninstalled " + std::to_string(i % 13) + "\\app.exe";
                break;
            case LinkKind::BrokenIdList:
                link.idListPath = target + "\\gone-item" + std::to_string(i) + ".doc";
                break;
            case LinkKind::BrokenEnvironment:
                link.environmentTarget = "%SystemDrive%\\qm-removed-" + std::to_string(i) + "\\tool.exe";
                break;
            case LinkKind::Advertised:
                link.localBasePath = "C:\\Windows\\Installer\\{90120000-0011-0000-0000-0000000FF1CE}\\gone.exe";
                link.darwinId = "w_1^VX!!!!!!!!!MKKSkEXCELFiles>tW{~$4Q]c@II=l2xaTO5Z";
                break;
            case LinkKind::ShellObject:
                link.idListControlPanel = true;
                break;
            case LinkKind::AbsentDrive:
                link.localBasePath = std::string(1, shape.absentDrive) + ":\\Photos\\holiday.jpg";
                link.driveType = 2;  // DRIVE_REMOVABLE
                break;
            case LinkKind::DeadShare:
                link.netName = "\\\\qm-no-such-host\\share";
                link.commonPathSuffix = "docs\\plan.txt";
                break;
            case LinkKind::NotALink:
            case LinkKind::Count:
                break;
        }
        const fs::path path = HostPath(shape, Join(folder.relative, name));
        if (kind == LinkKind::NotALink) {
            std::string junk = "not a shell link " + std::to_string(i);
            WriteFile(path, junk.data(), junk.size());
        } else {
            std::vector<unsigned char> bytes = BuildLink(link);
            WriteFile(path, bytes.data(), bytes.size());
        }
        ++result.perKind[static_cast<int>(kind)];
        if (IsBroken(kind)) result.broken.push_back(Join(shape.windowsRoot, Join(folder.relative, name)));
    }
    result.links = shape.links;
    std::sort(result.broken.begin(), result.broken.end());
    return result;
}

}  // namespace qm::lnkwriter
