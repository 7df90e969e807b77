#include "suite/lnk/ShellLinkEditor.h"

#include "base/PathSplit.h"
#include "base/Utf.h"
#include "suite/lnk/ByteFields.h"
#include "suite/lnk/LinkFormat.h"
#include "suite/lnk/PropertyStore.h"
#include "suite/lnk/ShellLink.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

namespace qm::lnk {

using namespace format;
using namespace bytes;

namespace {

using Bytes = std::vector<unsigned char>;

void Set64(Bytes& out, size_t at, uint64_t v) {
    Set32(out, at, static_cast<uint32_t>(v));
    Set32(out, at + 4, static_cast<uint32_t>(v >> 32));
}
void Append(Bytes& out, const unsigned char* data, size_t size) { out.insert(out.end(), data, data + size); }

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

// The single-byte form of a text: ASCII kept, every other character '?'.
std::string AnsiOf(std::string_view utf8) {
    std::string out;
    for (char16_t unit : Utf8ToUtf16(utf8)) {
        if (unit >= 0xDC00 && unit <= 0xDFFF) continue;  // second half of a pair: one '?' per character
        out += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return out;
}

void PutAnsiZ(Bytes& out, std::string_view utf8) {
    const std::string ansi = AnsiOf(utf8);
    Append(out, reinterpret_cast<const unsigned char*>(ansi.data()), ansi.size());
    out.push_back(0);
}
void PutUtf16(Bytes& out, std::string_view utf8) {
    for (char16_t unit : Utf8ToUtf16(utf8)) Put16(out, unit);
}
void PutUtf16Z(Bytes& out, std::string_view utf8) {
    PutUtf16(out, utf8);
    Put16(out, 0);
}
void Align2(Bytes& out) {
    if (out.size() % 2) out.push_back(0);
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

// ---- Paths ----------------------------------------------------------------------------------

// A full path taken apart, the drive letter in upper case as the shell writes it; Kind::Other
// also for a path with "." or ".." in it, which no link should name.
PathParts SplitTarget(std::string_view path) {
    PathParts parts = SplitFullPath(path);
    if (std::any_of(parts.parts.begin(), parts.parts.end(), [](const std::string& part) { return part == "." || part == ".."; }))
        return {};
    if (parts.kind == PathParts::Kind::Drive) parts.root[0] = FoldAscii(parts.root[0]);
    return parts;
}

// The folder that holds the target; a folder target is its own working folder.
std::string TargetFolder(const PathParts& target, bool isFolder) {
    if (isFolder || target.parts.empty()) return target.Full();
    return target.Join(target.parts.size() - 1);
}

// The path from `folder` to `target` as the shell writes it (".\x.exe", "..\b\x.exe"), or
// nullopt when they lie under different roots.
std::optional<std::string> RelativePath(std::string_view folder, const PathParts& target) {
    const PathParts from = SplitTarget(folder);
    if (from.kind == PathParts::Kind::Other || !SameText(from.root, target.root)) return std::nullopt;
    size_t common = 0;
    while (common < from.parts.size() && common < target.parts.size() && SameText(from.parts[common], target.parts[common]))
        ++common;
    std::string relative;
    for (size_t i = common; i < from.parts.size(); ++i) relative += "..\\";
    if (relative.empty()) relative = ".\\";
    for (size_t i = common; i < target.parts.size(); ++i) {
        relative += target.parts[i];
        if (i + 1 < target.parts.size()) relative += "\\";
    }
    if (common == target.parts.size()) relative.pop_back();  // the target is the folder or above it
    return relative;
}

// ---- The sections of the old file -----------------------------------------------------------

struct Range {
    size_t begin = 0, end = 0;
    bool present = false;
};

struct Block {
    size_t begin, end;
    uint32_t signature;
};

struct Layout {
    uint32_t flags = 0;
    Range idList, linkInfo;
    Range strings[5];  // description, relative path, working directory, arguments, icon location
    std::vector<Block> blocks;
    size_t tail = 0;  // the terminal block and anything after it, copied as it is
};

constexpr uint32_t kStringFlags[5] = {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation};
enum StringIndex { kDescription, kRelativePath, kWorkingDir, kArguments, kIconLocation };

// Locates the sections of a file that ParseShellLink accepted, so every size read here was
// already checked; the checks are repeated so that this walk stands on its own.
std::optional<Layout> Walk(const unsigned char* data, size_t size) {
    Layout layout;
    if (size < kHeaderSize) return std::nullopt;
    layout.flags = Get32(data + kLinkFlagsOffset);
    size_t pos = kHeaderSize;
    auto has = [&](size_t at, size_t count) { return at <= size && count <= size - at; };
    if (layout.flags & kHasLinkTargetIdList) {
        if (!has(pos, 2) || !has(pos + 2, Get16(data + pos))) return std::nullopt;
        layout.idList = {pos, pos + 2 + Get16(data + pos), true};
        pos = layout.idList.end;
    }
    if (layout.flags & kHasLinkInfo) {
        if (!has(pos, 4) || Get32(data + pos) < 4 || !has(pos, Get32(data + pos))) return std::nullopt;
        layout.linkInfo = {pos, pos + Get32(data + pos), true};
        pos = layout.linkInfo.end;
    }
    const size_t unit = (layout.flags & kIsUnicode) ? 2 : 1;
    for (int i = 0; i < 5; ++i) {
        if (!(layout.flags & kStringFlags[i])) continue;
        if (!has(pos, 2) || !has(pos + 2, unit * Get16(data + pos))) return std::nullopt;
        layout.strings[i] = {pos, pos + 2 + unit * Get16(data + pos), true};
        pos = layout.strings[i].end;
    }
    while (has(pos, 4)) {
        const uint32_t blockSize = Get32(data + pos);
        if (blockSize < 4) break;
        if (blockSize < 8 || !has(pos, blockSize)) return std::nullopt;
        layout.blocks.push_back({pos, pos + blockSize, Get32(data + pos + 4)});
        pos += blockSize;
    }
    layout.tail = pos;
    return layout;
}

// ---- New sections ---------------------------------------------------------------------------

Bytes FileEntryItem(const std::string& name, bool folder) {
    Bytes item;
    Put16(item, 0);  // size, set below
    item.push_back(folder ? 0x31 : 0x32);
    item.push_back(0);
    Put32(item, 0);  // file size
    Put32(item, 0);  // modification date and time
    Put16(item, folder ? 0x10 : 0x20);
    std::string primary = AnsiOf(name);
    std::replace(primary.begin(), primary.end(), '?', '_');
    Append(item, reinterpret_cast<const unsigned char*>(primary.data()), primary.size());
    item.push_back(0);
    Align2(item);
    // A version-3 0xBEEF0004 extension block with the Unicode long name.
    const size_t block = item.size();
    Put16(item, 0);  // block size, set below
    Put16(item, 3);
    Put32(item, kFileEntryExtensionSignature);
    Put32(item, 0);  // creation date and time
    Put32(item, 0);  // access date and time
    Put16(item, 0x14);
    Put16(item, 0);  // no localised name
    PutUtf16Z(item, name);
    Put16(item, static_cast<uint32_t>(block));  // offset of the first extension block
    Set16(item, block, static_cast<uint32_t>(item.size() - block));
    Set16(item, 0, static_cast<uint32_t>(item.size()));
    return item;
}

// My Computer, the drive, one file-entry item per component; nullopt when it would not fit the
// list's 16-bit size.
std::optional<Bytes> DriveIdList(const PathParts& target, bool isFolder) {
    Bytes list;
    Put16(list, 20);
    list.push_back(0x1F);
    list.push_back(0x50);
    Append(list, kMyComputerClsid, 16);
    Put16(list, 25);
    list.push_back(0x2F);
    Bytes drive(22, 0);
    drive[0] = static_cast<unsigned char>(target.root[0]);
    drive[1] = ':';
    drive[2] = '\\';
    Append(list, drive.data(), drive.size());
    for (size_t i = 0; i < target.parts.size(); ++i) {
        const Bytes item = FileEntryItem(target.parts[i], isFolder || i + 1 < target.parts.size());
        if (item.size() > 0xFFFF) return std::nullopt;
        Append(list, item.data(), item.size());
    }
    Put16(list, 0);  // terminal item
    if (list.size() > 0xFFFF) return std::nullopt;
    Bytes out;
    Put16(out, static_cast<uint32_t>(list.size()));
    Append(out, list.data(), list.size());
    return out;
}

Bytes VolumeId(const NewTarget& target) {
    Bytes volume;
    Put32(volume, 0);  // size, set below
    Put32(volume, target.driveType);
    Put32(volume, target.driveSerialNumber);
    if (IsAscii(target.volumeLabel)) {
        Put32(volume, 0x10);
        PutAnsiZ(volume, target.volumeLabel);
    } else {
        Put32(volume, 0x14);  // the ANSI label offset says: look at the Unicode one
        Put32(volume, 0x14);
        PutUtf16Z(volume, target.volumeLabel);
    }
    Set32(volume, 0, static_cast<uint32_t>(volume.size()));
    return volume;
}

Bytes NetworkLink(const std::string& netName) {
    const bool unicode = !IsAscii(netName);
    Bytes net;
    Put32(net, 0);                        // size, set below
    Put32(net, 2);                        // ValidNetType
    Put32(net, unicode ? 0x1C : 0x14);    // NetNameOffset
    Put32(net, 0);                        // DeviceNameOffset: no device
    Put32(net, 0x00020000);               // WNNC_NET_LANMAN
    if (unicode) {
        Put32(net, 0);  // NetNameOffsetUnicode, set below
        Put32(net, 0);  // DeviceNameOffsetUnicode: none
    }
    PutAnsiZ(net, netName);
    if (unicode) {
        Align2(net);
        Set32(net, 20, static_cast<uint32_t>(net.size()));
        PutUtf16Z(net, netName);
    }
    Set32(net, 0, static_cast<uint32_t>(net.size()));
    return net;
}

// LinkInfo of a drive path (the whole path as local base path, an empty suffix, as the shell
// writes it) or of a UNC path (the share as net name, the rest as suffix).
Bytes LinkInfo(const NewTarget& target, const PathParts& split) {
    const bool unc = split.kind == PathParts::Kind::Unc;
    const std::string suffix = unc && !split.parts.empty() ? split.Full().substr(split.root.size() + 1) : "";
    const std::string basePath = unc ? "" : target.path;
    const bool unicode = !IsAscii(basePath) || !IsAscii(suffix);
    const uint32_t headerSize = unicode ? 0x24 : 0x1C;
    Bytes info(headerSize, 0);
    Set32(info, 4, headerSize);
    if (!unc) {
        Set32(info, 8, 1);  // VolumeIDAndLocalBasePath
        Set32(info, 12, static_cast<uint32_t>(info.size()));
        const Bytes volume = VolumeId(target);
        Append(info, volume.data(), volume.size());
        Set32(info, 16, static_cast<uint32_t>(info.size()));
        PutAnsiZ(info, basePath);
    } else {
        Set32(info, 8, 2);  // CommonNetworkRelativeLinkAndPathSuffix
        Set32(info, 20, static_cast<uint32_t>(info.size()));
        const Bytes net = NetworkLink(split.root);
        Append(info, net.data(), net.size());
    }
    Set32(info, 24, static_cast<uint32_t>(info.size()));
    PutAnsiZ(info, suffix);
    if (unicode) {
        if (!unc) {
            Align2(info);
            Set32(info, 28, static_cast<uint32_t>(info.size()));
            PutUtf16Z(info, basePath);
        }
        Align2(info);
        Set32(info, 32, static_cast<uint32_t>(info.size()));
        PutUtf16Z(info, suffix);
    }
    Set32(info, 0, static_cast<uint32_t>(info.size()));
    return info;
}

// A counted string in the link's encoding; false when it cannot hold the text.
bool PutCountedString(Bytes& out, std::string_view utf8, bool unicode) {
    if (unicode) {
        const std::u16string wide = Utf8ToUtf16(utf8);
        if (wide.size() > 0xFFFF) return false;
        Put16(out, static_cast<uint32_t>(wide.size()));
        for (char16_t unit : wide) Put16(out, unit);
        return true;
    }
    // A link without IsUnicode keeps its strings in a code page it does not name: only ASCII
    // is certain to read back as written.
    if (!IsAscii(utf8) || utf8.size() > 0xFFFF) return false;
    Put16(out, static_cast<uint32_t>(utf8.size()));
    Append(out, reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size());
    return true;
}

// An environment-style block holding `path` in both forms; nullopt when it does not fit.
std::optional<Bytes> PathBlock(uint32_t signature, const std::string& path) {
    const std::u16string wide = Utf8ToUtf16(path);
    const std::string ansi = AnsiOf(path);
    if (wide.size() >= kPathBlockChars || ansi.size() >= kPathBlockChars) return std::nullopt;
    Bytes block;
    Put32(block, kPathBlockSize);
    Put32(block, signature);
    Bytes ansiField(kPathBlockChars, 0);
    std::copy(ansi.begin(), ansi.end(), ansiField.begin());
    Append(block, ansiField.data(), ansiField.size());
    Bytes wideField;
    PutUtf16(wideField, path);
    wideField.resize(2 * kPathBlockChars, 0);
    Append(block, wideField.data(), wideField.size());
    return block;
}

// The text of an environment-style block: its Unicode form, else its ANSI form.
std::string PathBlockText(const unsigned char* block, size_t size) {
    if (size < kPathBlockSize) return {};
    size_t units = 0;
    while (units < kPathBlockChars && Get16(block + 8 + kPathBlockChars + 2 * units) != 0) ++units;
    if (units) return Utf16LeBytesToUtf8(block + 8 + kPathBlockChars, units);
    size_t len = 0;
    while (len < kPathBlockChars && block[8 + len] != 0) ++len;
    return AnsiOf(std::string_view(reinterpret_cast<const char*>(block + 8), len));
}

// Whether `bytes` spell `text` in ASCII case-insensitive single-byte or UTF-16LE form.
bool Spells(const unsigned char* bytes, size_t size, std::string_view text) {
    if (text.empty()) return false;
    const std::u16string wide = Utf8ToUtf16(text);
    auto fold = [](uint32_t c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; };
    for (size_t at = 0; at < size; ++at) {
        if (text.size() <= size - at) {
            size_t i = 0;
            while (i < text.size() && fold(bytes[at + i]) == fold(static_cast<unsigned char>(text[i]))) ++i;
            if (i == text.size()) return true;
        }
        if (2 * wide.size() <= size - at) {
            size_t i = 0;
            while (i < wide.size() && fold(Get16(bytes + at + 2 * i)) == fold(wide[i])) ++i;
            if (i == wide.size()) return true;
        }
    }
    return false;
}

RetargetResult Fail(std::string why) {
    RetargetResult result;
    result.error = std::move(why);
    return result;
}

}  // namespace

std::string LinkTargetPath(const ShellLinkInfo& link, const std::function<std::string(const std::string&)>& expandVariables) {
    if (!link.environmentTarget.empty())
        return expandVariables ? expandVariables(link.environmentTarget) : link.environmentTarget;
    const bool useLinkInfo = link.hasLinkInfo && !(link.linkFlags & kForceNoLinkInfo);
    if (useLinkInfo && link.hasVolumeId) {
        const std::string local = link.LocalPath();
        if (!local.empty() && link.localBasePathIsLossy && link.idListIsFileSystem && !link.idListPath.empty())
            return link.idListPath;
        if (!local.empty()) return local;
    }
    if (useLinkInfo && link.hasNetwork) {
        const std::string network = link.NetworkPath();
        if (!network.empty()) return network;
    }
    return link.idListIsFileSystem ? link.idListPath : std::string();
}

RetargetResult RetargetShellLink(const unsigned char* data, size_t size, const NewTarget& target,
                                 const RetargetContext& context) {
    if (!data || size > kMaxLinkFileSize) return Fail("not a shell link the editor can read");
    const ShellLinkInfo old = ParseShellLink(data, size);
    if (old.status == ParseStatus::NotShellLink) return Fail("not a shell link");
    if (old.status != ParseStatus::Ok) return Fail("malformed shell link: " + old.error);
    const std::optional<Layout> layout = Walk(data, size);
    if (!layout) return Fail("malformed shell link");
    const PathParts split = SplitTarget(target.path);
    if (split.kind == PathParts::Kind::Other) return Fail("the new target is not a full path");

    // Every name under which a reader could still find the old target.
    std::vector<std::string> oldNames;
    auto addName = [&](const std::string& name) {
        if (name.size() > 3 && !SameText(name, target.path)) oldNames.push_back(name);
    };
    addName(old.LocalPath());
    addName(old.NetworkPath());
    addName(old.idListPath);
    addName(old.environmentTarget);
    addName(LinkTargetPath(old, context.expandVariables));
    auto namesOldTarget = [&](const std::string& text) {
        if (text.empty()) return false;
        const std::string expanded = context.expandVariables ? context.expandVariables(text) : text;
        return std::any_of(oldNames.begin(), oldNames.end(),
                           [&](const std::string& name) { return SameText(text, name) || SameText(expanded, name); });
    };

    const bool unicode = (layout->flags & kIsUnicode) != 0;
    uint32_t flags = layout->flags & ~(kForceNoLinkInfo | kHasLinkTargetIdList | kHasRelativePath);
    Bytes out(data, data + kHeaderSize);

    // Target list: rebuilt for a drive path.
    if (split.kind == PathParts::Kind::Drive) {
        if (std::optional<Bytes> list = DriveIdList(split, target.isFolder)) {
            flags |= kHasLinkTargetIdList;
            Append(out, list->data(), list->size());
        }
    }
    const Bytes info = LinkInfo(target, split);
    flags |= kHasLinkInfo;
    Append(out, info.data(), info.size());

    // String data, in its fixed order.
    const std::optional<std::string> relative = RelativePath(context.linkFolder, split);
    for (int i = 0; i < 5; ++i) {
        const Range& kept = layout->strings[i];
        std::optional<std::string> text;  // set: write this text instead of the old bytes
        if (i == kRelativePath) {
            // Written only where the link had one: it is the shell's way back to a moved target.
            if (!kept.present || !relative) continue;
            text = *relative;
            flags |= kHasRelativePath;
        } else if (i == kWorkingDir && kept.present && context.folderExists && !old.workingDir.empty()) {
            const std::string expanded = context.expandVariables ? context.expandVariables(old.workingDir) : old.workingDir;
            if (!context.folderExists(expanded)) text = TargetFolder(split, target.isFolder);
        } else if (i == kIconLocation && kept.present && namesOldTarget(old.iconLocation)) {
            text = target.path;
        }
        if (!kept.present) continue;
        if (text) {
            if (!PutCountedString(out, *text, unicode)) return Fail("the link's string data cannot hold the new path");
        } else {
            Append(out, data + kept.begin, kept.end - kept.begin);
        }
    }

    // Property-store values that name the old target (its path, or the folder and name the shell
    // shows of it) name the new one; the application's identity stays as it is, whatever it spells.
    const PathParts oldTarget = SplitTarget(LinkTargetPath(old, context.expandVariables));
    const PropertyRewrite rewriteProperty = [&](const StoredProperty& property) -> std::optional<std::string> {
        if (!property.isText || property.text.empty() || property.format == kAppUserModelFormat) return std::nullopt;
        if (namesOldTarget(property.text)) return target.path;
        if (oldTarget.parts.empty() || split.parts.empty()) return std::nullopt;
        if (property.format == kItemFolderFormat && property.id == kItemFolderPathDisplayId &&
            SameText(property.text, oldTarget.Join(oldTarget.parts.size() - 1)))
            return split.Join(split.parts.size() - 1);
        if (property.format == kStorageFormat && property.id == kItemNameDisplayId && SameText(property.text, oldTarget.parts.back()))
            return split.parts.back();
        return std::nullopt;
    };
    const auto spellsOldTarget = [&](const unsigned char* bytes, size_t blockSize) {
        return std::any_of(oldNames.begin(), oldNames.end(), [&](const std::string& name) { return Spells(bytes + 8, blockSize - 8, name); });
    };

    // Extra data.
    for (const Block& block : layout->blocks) {
        const unsigned char* bytes = data + block.begin;
        const size_t blockSize = block.end - block.begin;
        switch (block.signature) {
        case kEnvironmentBlock:
            if (std::optional<Bytes> fresh = PathBlock(kEnvironmentBlock, target.path)) {
                Append(out, fresh->data(), fresh->size());
            } else {
                flags &= ~kHasExpString;
            }
            continue;
        case kIconEnvironmentBlock:
            if (namesOldTarget(PathBlockText(bytes, blockSize))) {
                if (std::optional<Bytes> fresh = PathBlock(kIconEnvironmentBlock, target.path)) {
                    Append(out, fresh->data(), fresh->size());
                } else {
                    flags &= ~kHasExpIcon;
                }
                continue;
            }
            break;
        case kTrackerBlock:
        case kKnownFolderBlock:
        case kSpecialFolderBlock:
        case kVistaIdListBlock:
            continue;  // they lead to the old target (its object id, or offsets into the old IDList)
        case kConsoleBlock:
        case kConsoleFeBlock:
        case kDarwinBlock:
        case kShimBlock:
            break;  // settings of the link itself, not of its target
        case kPropertyStoreBlock:
            if (const std::optional<Bytes> store = RewritePropertyStore(bytes + 8, blockSize - 8, rewriteProperty)) {
                Put32(out, static_cast<uint32_t>(8 + store->size()));
                Put32(out, kPropertyStoreBlock);
                Append(out, store->data(), store->size());
                continue;
            }
            if (spellsOldTarget(bytes, blockSize)) continue;  // a store that cannot be read is taken as a whole
            break;
        default:
            if (spellsOldTarget(bytes, blockSize)) continue;
            break;
        }
        Append(out, bytes, blockSize);
    }
    Append(out, data + layout->tail, size - layout->tail);
    if (size == layout->tail) Put32(out, 0);  // a file that ended without its terminal block gets one

    // Header: the new flags and what it records of the target.
    Set32(out, kLinkFlagsOffset, flags);
    Set32(out, kFileAttributesOffset, target.attributes);
    Set64(out, kCreationTimeOffset, target.creationTime);
    Set64(out, kAccessTimeOffset, target.accessTime);
    Set64(out, kWriteTimeOffset, target.writeTime);
    Set32(out, kFileSizeOffset, static_cast<uint32_t>(target.size));  // the size's low 32 bits

    if (out.size() > kMaxLinkFileSize) return Fail("the new link is too large");
    // What was written must read back as a link to the new target, under every name.
    const ShellLinkInfo check = ParseShellLink(out.data(), out.size());
    if (check.status != ParseStatus::Ok) return Fail("the new link does not read back: " + check.error);
    const bool named = LinkTargetPath(check) == target.path &&
                       (check.idListPath.empty() || check.idListPath == split.Full()) &&
                       (check.environmentTarget.empty() || check.environmentTarget == target.path);
    if (!named) return Fail("the new link does not name the new target");
    RetargetResult result;
    result.ok = true;
    result.bytes = std::move(out);
    return result;
}

}  // namespace qm::lnk
