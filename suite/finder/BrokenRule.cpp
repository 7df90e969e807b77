#include "suite/finder/BrokenRule.h"

#include <vector>

namespace qm::finder {

namespace {

// LinkFlags bits (MS-SHLLINK 2.1.1).
constexpr uint32_t kForceNoLinkInfo = 0x00000100;
// VolumeID drive types whose medium can be swapped.
constexpr uint32_t kDriveRemovable = 2;
constexpr uint32_t kDriveCdRom = 5;

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::vector<std::string_view> SplitComponents(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

Judgement Decide(Verdict verdict, Reason reason, std::string target = {}) {
    return Judgement{verdict, reason, std::move(target)};
}

// The link's own target, the way the shell picks it; empty when it has no file-system path.
// `error` set means the target can't be known (an unset variable).
std::string PickTarget(const lnk::ShellLinkInfo& link, FileSystem& fs, bool& unsetVariable, bool& uncertainName) {
    unsetVariable = false;
    uncertainName = false;
    if (!link.environmentTarget.empty()) {
        std::optional<std::string> expanded = ExpandVariables(link.environmentTarget, fs);
        if (!expanded) {
            unsetVariable = true;
            return link.environmentTarget;
        }
        return *expanded;
    }
    const bool useLinkInfo = link.hasLinkInfo && !(link.linkFlags & kForceNoLinkInfo);
    if (useLinkInfo && link.hasVolumeId) {
        std::string local = link.LocalPath();
        if (!local.empty() && link.localBasePathIsLossy) {
            // An ANSI base path written under another code page decodes to the wrong name; the
            // IDList's Unicode path names the same target correctly. Without one the name we
            // check may not be the target's, so a miss proves nothing.
            if (link.idListIsFileSystem && !link.idListPath.empty()) return link.idListPath;
            uncertainName = true;
        }
        if (!local.empty()) return local;
    }
    if (useLinkInfo && link.hasNetwork) {
        std::string network = link.NetworkPath();
        if (!network.empty()) return network;
    }
    if (link.idListIsFileSystem) return link.idListPath;
    return {};
}

// True when the drive's medium can change and now holds another volume than the one the link
// recorded for that letter.
bool HoldsOtherVolume(const lnk::ShellLinkInfo& link, char drive, const DriveState& state) {
    if (!link.hasVolumeId || link.driveSerialNumber == 0) return false;
    const bool swappable = state.kind == DriveKind::Removable || link.driveType == kDriveRemovable ||
                           link.driveType == kDriveCdRom;
    if (!swappable) return false;
    PathRoot recorded = ClassifyPath(link.localBasePath);
    if (recorded.kind != PathRoot::Kind::Drive || recorded.drive != drive) return false;
    return !state.serialKnown || state.serial != link.driveSerialNumber;
}

}  // namespace

const char* ReasonName(Reason reason) {
    switch (reason) {
        case Reason::TargetExists: return "target exists";
        case Reason::TargetNameUncertain: return "target name written in an unknown code page";
        case Reason::RelativePathExists: return "relative path leads to an existing item";
        case Reason::TargetMissing: return "target missing";
        case Reason::Advertised: return "advertised installer shortcut";
        case Reason::NoFileSystemPath: return "no file-system target";
        case Reason::UnsetVariable: return "environment variable not set";
        case Reason::NotAbsolute: return "target is not a full path";
        case Reason::DriveAbsent: return "drive absent";
        case Reason::DriveNotReady: return "drive not ready";
        case Reason::OtherVolume: return "another volume in the drive";
        case Reason::NetworkSilent: return "network location does not answer";
        case Reason::TargetUnknown: return "target state unknown";
    }
    return "?";
}

std::optional<std::string> ExpandVariables(std::string_view text, FileSystem& fs) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        size_t open = text.find('%', i);
        if (open == std::string_view::npos) break;
        size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) break;
        std::string_view name = text.substr(open + 1, close - open - 1);
        out.append(text.substr(i, open - i));
        if (name.empty() || name.find_first_of("\\/:") != std::string_view::npos) {
            // "%%" or a '%' inside a path: literal text, not a variable.
            out.append(text.substr(open, close - open));
            i = close;
            continue;
        }
        std::optional<std::string> value = fs.EnvironmentVariable(std::string(name));
        if (!value) return std::nullopt;
        out.append(*value);
        i = close + 1;
    }
    out.append(text.substr(i));
    return out;
}

PathRoot ClassifyPath(std::string_view input) {
    std::string path(input);
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    if (path.rfind("\\\\?\\UNC\\", 0) == 0) {
        path.erase(2, 6);  // "\\?\UNC\server" -> "\\server"
    } else if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\??\\", 0) == 0) {
        path.erase(0, 4);
    }
    PathRoot root;
    if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':' && (path.size() == 2 || path[2] == '\\')) {
        root.kind = PathRoot::Kind::Drive;
        root.drive = UpperAscii(path[0]);
        if (path.size() == 2) path += '\\';
        while (path.size() > 3 && path.back() == '\\') path.pop_back();
    } else if (path.size() > 2 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\' && path[2] != '?' &&
               path[2] != '.') {
        size_t serverEnd = path.find('\\', 2);
        if (serverEnd != std::string::npos && serverEnd + 1 < path.size() && path[serverEnd + 1] != '\\') {
            size_t shareEnd = path.find('\\', serverEnd + 1);
            if (shareEnd == std::string::npos) shareEnd = path.size();
            root.kind = PathRoot::Kind::Unc;
            root.share = path.substr(0, shareEnd);
            while (path.size() > shareEnd && path.back() == '\\') path.pop_back();
        }
    }
    root.path = std::move(path);
    return root;
}

std::string ResolveRelative(std::string_view folder, std::string_view relative) {
    PathRoot absolute = ClassifyPath(relative);
    if (absolute.kind != PathRoot::Kind::Other) return absolute.path;

    PathRoot base = ClassifyPath(folder);
    std::string prefix;
    std::string_view rest;
    if (base.kind == PathRoot::Kind::Drive) {
        prefix = base.path.substr(0, 2);
        rest = std::string_view(base.path).substr(2);
    } else if (base.kind == PathRoot::Kind::Unc) {
        prefix = base.share;
        rest = std::string_view(base.path).substr(base.share.size());
    } else {
        return {};  // a link folder is always a full path; anything else resolves to nothing
    }
    std::string rel(relative);
    for (char& c : rel) {
        if (c == '/') c = '\\';
    }
    std::vector<std::string_view> parts;
    if (rel.empty() || rel[0] != '\\') parts = SplitComponents(rest);  // "\x" starts at the root
    for (std::string_view part : SplitComponents(rel)) {
        if (part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out = prefix;
    for (std::string_view part : parts) {
        out += '\\';
        out.append(part);
    }
    if (parts.empty()) out += '\\';
    return out;
}

Judgement JudgeShortcut(const lnk::ShellLinkInfo& link, std::string_view linkFolder, FileSystem& fs) {
    if (link.isDarwin) return Decide(Verdict::Unjudged, Reason::Advertised);

    bool unsetVariable = false;
    bool uncertainName = false;
    std::string target = PickTarget(link, fs, unsetVariable, uncertainName);
    if (unsetVariable) return Decide(Verdict::Unjudged, Reason::UnsetVariable, std::move(target));
    if (target.empty()) return Decide(Verdict::Unjudged, Reason::NoFileSystemPath);

    PathRoot root = ClassifyPath(target);
    switch (root.kind) {
        case PathRoot::Kind::Other:
            return Decide(Verdict::Unjudged, Reason::NotAbsolute, std::move(root.path));
        case PathRoot::Kind::Drive: {
            DriveState drive = fs.Drive(root.drive);
            if (drive.kind == DriveKind::Absent) return Decide(Verdict::Unjudged, Reason::DriveAbsent, root.path);
            if (drive.kind == DriveKind::NotReady) return Decide(Verdict::Unjudged, Reason::DriveNotReady, root.path);
            if (HoldsOtherVolume(link, root.drive, drive)) return Decide(Verdict::Unjudged, Reason::OtherVolume, root.path);
            if (drive.kind == DriveKind::Remote && !fs.Answers(std::string{root.drive, ':'})) {
                return Decide(Verdict::Unjudged, Reason::NetworkSilent, root.path);
            }
            break;
        }
        case PathRoot::Kind::Unc:
            if (!fs.Answers(root.share)) return Decide(Verdict::Unjudged, Reason::NetworkSilent, root.path);
            break;
    }

    switch (fs.Probe(root.path)) {
        case Presence::Exists: return Decide(Verdict::Working, Reason::TargetExists, root.path);
        case Presence::Unknown: return Decide(Verdict::Unjudged, Reason::TargetUnknown, root.path);
        case Presence::Missing: break;
    }
    if (!link.relativePath.empty()) {
        std::string relative = ResolveRelative(linkFolder, link.relativePath);
        if (!relative.empty() && fs.Probe(relative) == Presence::Exists) {
            return Decide(Verdict::Working, Reason::RelativePathExists, std::move(relative));
        }
    }
    if (uncertainName) return Decide(Verdict::Unjudged, Reason::TargetNameUncertain, root.path);
    return Decide(Verdict::Broken, Reason::TargetMissing, root.path);
}

}  // namespace qm::finder
