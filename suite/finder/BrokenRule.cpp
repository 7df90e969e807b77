#include "suite/finder/BrokenRule.h"

#include "base/Text.h"

#include <vector>

namespace qm::finder {

namespace {

// LinkFlags bits (MS-SHLLINK 2.1.1).
constexpr uint32_t kIsUnicode = 0x00000080;
constexpr uint32_t kForceNoLinkInfo = 0x00000100;
// VolumeID drive types whose medium can be swapped.
constexpr uint32_t kDriveRemovable = 2;
constexpr uint32_t kDriveCdRom = 5;


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
// `lossy`: the path holds ANSI text that decodes right only under the code page it was written
// in, which the link does not record.
struct Target {
    std::string path;
    bool lossy = false;
    bool unsetVariable = false;  // an environment target naming an unset variable
};

Target PickTarget(const lnk::ShellLinkInfo& link, FileSystem& fs) {
    if (!link.environmentTarget.empty()) {
        std::optional<std::string> expanded = ExpandVariables(link.environmentTarget, fs);
        if (!expanded) return Target{link.environmentTarget, false, true};
        return Target{*expanded};
    }
    // The IDList's path spells the same target; with long names (Unicode) it is the exact name.
    const bool idListExact = link.idListIsFileSystem && !link.idListPath.empty() && !link.idListPathIsLossy;
    const bool useLinkInfo = link.hasLinkInfo && !(link.linkFlags & kForceNoLinkInfo);
    if (useLinkInfo && link.hasVolumeId) {
        std::string local = link.LocalPath();
        if (!local.empty()) {
            const bool lossy = link.localBasePathIsLossy || link.commonPathSuffixIsLossy;
            if (lossy && idListExact) return Target{link.idListPath};
            return Target{std::move(local), lossy};
        }
    }
    if (useLinkInfo && link.hasNetwork) {
        std::string network = link.NetworkPath();
        if (!network.empty()) {
            const bool lossy = link.netNameIsLossy || link.commonPathSuffixIsLossy;
            if (lossy && idListExact) return Target{link.idListPath};
            return Target{std::move(network), lossy};
        }
    }
    if (link.idListIsFileSystem) return Target{link.idListPath, link.idListPathIsLossy};
    return {};
}

// ---- Names written in an unknown code page -----------------------------------------------
// Bytes below 0x80 mean the same in every ANSI code page, and a double-byte character starts
// with a byte above 0x7F; so a lossy path is right up to its first such byte, and its
// components from there on are uncertain (even where they split: a second byte may be a
// backslash). '?' stands for a character the writer's code page did not have.

bool ExactText(std::string_view text) {
    for (char c : text) {
        if ((c & 0x80) != 0 || c == '?') return false;
    }
    return true;
}

// Whether `name`, a correct Unicode spelling, can be what an ANSI writer turned into `garbled`
// (decoded as Windows-1252, one character per byte): each ASCII character stays one byte, in
// order; each other character becomes one to four (one or two in the double-byte code pages,
// up to four where the ANSI code page is UTF-8).
bool CouldBeSpelledAs(std::string_view garbled, std::string_view name) {
    size_t bytes = 0;  // characters of `garbled`, each one byte of the original text
    for (char c : garbled) bytes += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    size_t ascii = 0, other = 0;
    size_t at = 0;  // ASCII characters of `name` must turn up in `garbled` in order
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            ++ascii;
            while (at < garbled.size() && AsciiUpper(garbled[at]) != AsciiUpper(c)) ++at;
            if (at == garbled.size()) return false;
            ++at;
        } else if ((u & 0xC0) != 0x80) {
            ++other;
        }
    }
    return ascii + other <= bytes && bytes <= ascii + 4 * other;
}

// A target's path as a root ("C:", "\\server\share") and components, each marked whether its
// spelling is certain.
struct SpelledPath {
    std::string root;
    bool rootExact = true;
    std::vector<std::string> parts;
    std::vector<bool> exact;

    std::string Join(size_t count) const {
        std::string out = root;
        for (size_t i = 0; i < count; ++i) out += "\\" + parts[i];
        if (count == 0) out += '\\';
        return out;
    }
    std::string Full() const { return Join(parts.size()); }
    // How many leading components are certain (all of them when nothing is uncertain).
    size_t ExactCount() const {
        size_t n = 0;
        while (n < parts.size() && exact[n]) ++n;
        return n;
    }
    bool AllExact() const { return rootExact && ExactCount() == parts.size(); }

    // Takes `names` as the spelling of the components from `at` on when each one fits: an
    // exact component must be the same name, an uncertain one a possible garbling of it.
    bool Restore(size_t at, const std::vector<std::string_view>& names) {
        if (!rootExact || at + names.size() > parts.size()) return false;
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string& part = parts[at + i];
            if (exact[at + i] ? !EqualsIgnoringAsciiCase(part, names[i]) : !CouldBeSpelledAs(part, names[i])) return false;
        }
        for (size_t i = 0; i < names.size(); ++i) {
            parts[at + i] = std::string(names[i]);
            exact[at + i] = true;
        }
        return true;
    }
};

SpelledPath Spell(const PathRoot& root, bool lossy) {
    SpelledPath spelled;
    std::string_view rest;
    if (root.kind == PathRoot::Kind::Drive) {
        spelled.root = root.path.substr(0, 2);
        rest = std::string_view(root.path).substr(2);
    } else {
        spelled.root = root.share;
        rest = std::string_view(root.path).substr(root.share.size());
    }
    spelled.rootExact = !lossy || ExactText(spelled.root);
    bool exact = spelled.rootExact;
    for (std::string_view part : SplitComponents(rest)) {
        exact = exact && (!lossy || ExactText(part));
        spelled.parts.emplace_back(part);
        spelled.exact.push_back(exact);
    }
    return spelled;
}

// Text from the link's string data is Unicode when the link says so; ANSI text is only as good
// as it is exact.
bool UnicodeText(const lnk::ShellLinkInfo& link, std::string_view text) {
    return (link.linkFlags & kIsUnicode) || ExactText(text);
}

// Mends the uncertain components of a lossy target from the Unicode names the link keeps
// elsewhere, the surest first: the relative path from the link's folder ends in the target's
// last components; the working directory is usually the target's folder.
void RestoreSpelling(SpelledPath& target, const lnk::ShellLinkInfo& link, FileSystem& fs) {
    if (target.AllExact()) return;
    if (!link.relativePath.empty() && UnicodeText(link, link.relativePath) &&
        ClassifyPath(link.relativePath).kind == PathRoot::Kind::Other) {
        std::string relative = link.relativePath;
        for (char& c : relative) {
            if (c == '/') c = '\\';
        }
        std::vector<std::string_view> names;
        bool wellFormed = true;
        for (std::string_view part : SplitComponents(relative)) {
            const bool dots = part == "." || part == "..";
            if (dots && !names.empty()) wellFormed = false;  // "a\..\b": not a plain way down
            if (!dots) names.push_back(part);
        }
        if (wellFormed && !names.empty() && names.size() <= target.parts.size()) {
            target.Restore(target.parts.size() - names.size(), names);
        }
    }
    if (target.AllExact() || link.workingDir.empty() || !UnicodeText(link, link.workingDir)) return;
    std::optional<std::string> expanded = ExpandVariables(link.workingDir, fs);
    if (!expanded) return;
    PathRoot folder = ClassifyPath(*expanded);
    if (folder.kind == PathRoot::Kind::Other) return;
    SpelledPath names = Spell(folder, false);
    if (!EqualsIgnoringAsciiCase(names.root, target.root) || names.parts.size() + 1 != target.parts.size()) return;
    target.Restore(0, std::vector<std::string_view>(names.parts.begin(), names.parts.end()));
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

const char* ReasonKey(Reason reason) {
    switch (reason) {
        case Reason::TargetExists: return "TargetExists";
        case Reason::RelativePathExists: return "RelativePathExists";
        case Reason::TargetMissing: return "TargetMissing";
        case Reason::Advertised: return "Advertised";
        case Reason::NoFileSystemPath: return "NoFileSystemPath";
        case Reason::UnsetVariable: return "UnsetVariable";
        case Reason::NotAbsolute: return "NotAbsolute";
        case Reason::DriveAbsent: return "DriveAbsent";
        case Reason::DriveNotReady: return "DriveNotReady";
        case Reason::OtherVolume: return "OtherVolume";
        case Reason::NetworkSilent: return "NetworkSilent";
        case Reason::TargetUnknown: return "TargetUnknown";
        case Reason::TargetNameUncertain: return "TargetNameUncertain";
    }
    return "Unknown";
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
        root.drive = AsciiUpper(path[0]);
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

namespace {

// The rule once a target path is known: its drive or share must be there and answer before a
// miss counts. `link` (null for an internet shortcut) adds what a shell link recorded: the
// volume it was on, its relative path. `literal` is a second spelling that also counts as the
// target when it exists.
Judgement JudgeTargetPath(PathRoot root, const SpelledPath& spelled, const lnk::ShellLinkInfo* link,
                          std::string_view linkFolder, const std::optional<std::string>& literal, FileSystem& fs) {
    if (root.kind == PathRoot::Kind::Drive) {
        DriveState drive = fs.Drive(root.drive);
        if (drive.kind == DriveKind::Absent) return Decide(Verdict::Unjudged, Reason::DriveAbsent, root.path);
        if (drive.kind == DriveKind::NotReady) return Decide(Verdict::Unjudged, Reason::DriveNotReady, root.path);
        if (link && HoldsOtherVolume(*link, root.drive, drive)) return Decide(Verdict::Unjudged, Reason::OtherVolume, root.path);
        if (drive.kind == DriveKind::Remote && !fs.Answers(std::string{root.drive, ':'})) {
            return Decide(Verdict::Unjudged, Reason::NetworkSilent, root.path);
        }
    } else if (!fs.Answers(root.share)) {
        return Decide(Verdict::Unjudged, Reason::NetworkSilent, root.path);
    }

    const bool uncertain = !spelled.AllExact();
    switch (fs.Probe(root.path)) {
        case Presence::Exists: return Decide(Verdict::Working, Reason::TargetExists, root.path);
        case Presence::Unknown:
            // An uncertain name may not even be a valid one: that says nothing of the target.
            if (!uncertain) return Decide(Verdict::Unjudged, Reason::TargetUnknown, root.path);
            break;
        case Presence::Missing: break;
    }
    if (literal) {
        switch (fs.Probe(ClassifyPath(*literal).path)) {
            case Presence::Exists: return Decide(Verdict::Working, Reason::TargetExists, ClassifyPath(*literal).path);
            case Presence::Unknown: return Decide(Verdict::Unjudged, Reason::TargetUnknown, root.path);
            case Presence::Missing: break;
        }
    }
    if (link && !link->relativePath.empty()) {
        std::string relative = ResolveRelative(linkFolder, link->relativePath);
        if (!relative.empty() && fs.Probe(relative) == Presence::Exists) {
            return Decide(Verdict::Working, Reason::RelativePathExists, std::move(relative));
        }
    }
    if (uncertain) {
        // Whatever the uncertain names really are, nothing can be inside a folder that is gone.
        const size_t certain = spelled.rootExact ? spelled.ExactCount() : 0;
        if (certain == 0 || fs.Probe(spelled.Join(certain)) != Presence::Missing) {
            return Decide(Verdict::Unjudged, Reason::TargetNameUncertain, root.path);
        }
    }
    return Decide(Verdict::Broken, Reason::TargetMissing, root.path);
}

}  // namespace

Judgement JudgeShortcut(const lnk::ShellLinkInfo& link, std::string_view linkFolder, FileSystem& fs) {
    if (link.isDarwin) return Decide(Verdict::Unjudged, Reason::Advertised);

    Target target = PickTarget(link, fs);
    if (target.unsetVariable) return Decide(Verdict::Unjudged, Reason::UnsetVariable, std::move(target.path));
    if (target.path.empty()) return Decide(Verdict::Unjudged, Reason::NoFileSystemPath);

    PathRoot root = ClassifyPath(target.path);
    if (root.kind == PathRoot::Kind::Other) return Decide(Verdict::Unjudged, Reason::NotAbsolute, std::move(root.path));
    SpelledPath spelled = Spell(root, target.lossy);
    if (target.lossy) {
        RestoreSpelling(spelled, link, fs);
        root.path = spelled.Full();
    }
    return JudgeTargetPath(std::move(root), spelled, &link, linkFolder, std::nullopt, fs);
}

Judgement JudgeInternetShortcut(const lnk::InternetShortcutInfo& shortcut, FileSystem& fs) {
    if (shortcut.status != lnk::UrlFileStatus::Ok) return Decide(Verdict::Unjudged, Reason::NoFileSystemPath);
    std::optional<lnk::UrlPath> target = lnk::PathFromUrl(shortcut.url);
    if (!target) return Decide(Verdict::Unjudged, Reason::NoFileSystemPath);
    PathRoot root = ClassifyPath(target->path);
    if (root.kind == PathRoot::Kind::Other) return Decide(Verdict::Unjudged, Reason::NotAbsolute, std::move(root.path));
    const SpelledPath spelled = Spell(root, target->lossy || shortcut.urlIsLossy);
    return JudgeTargetPath(std::move(root), spelled, nullptr, {}, target->literal, fs);
}

}  // namespace qm::finder
