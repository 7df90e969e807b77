#include "tools/lnkwriter/LinkWriter.h"

#include "base/Utf.h"
#include "tools/lnkwriter/LinkBytes.h"

#include <algorithm>

namespace qm::lnkwriter {

namespace {

// LinkFlags beyond the ones LinkBytes.h names.
enum : uint32_t { kFlagForceNoLinkInfo = 0x100, kFlagExpString = 0x200, kFlagDarwinId = 0x1000 };

// 2020-01-01: the creation and access times of every link written, and its write time unless
// the shape gives one.
constexpr uint64_t kFileTime = 0x01D5C03BB4E6C000;
constexpr uint32_t kShowNormal = 1;

bool IsAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

// The ANSI form of a name: ASCII kept, anything else '?', as a non-Unicode code page would.
std::string AnsiOf(const std::string& utf8) {
    std::string out;
    for (char16_t unit : Utf8ToUtf16(utf8)) {
        if (unit >= 0xDC00 && unit <= 0xDFFF) continue;  // second half of a pair: one '?' per character
        out += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return out;
}

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

ByteVector TargetIdList(const LinkFields& shape) {
    std::vector<ByteVector> items;
    if (shape.idListControlPanel) {
        items.push_back(RootItem(kControlPanelClsid));
        // A control panel applet item: opaque to everything but the shell.
        items.push_back(Item({0x71, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    } else {
        items.push_back(MyComputerItem());
        std::vector<std::string> parts = Components(shape.idListPath);
        if (!parts.empty()) {
            items.push_back(DriveItem(std::string(1, parts[0][0]) + ":\\"));
            for (size_t i = 1; i < parts.size(); ++i) {
                // An 8.3-style primary name and a version-3 block with the Unicode long name.
                std::string primary = AnsiOf(parts[i]);
                std::replace(primary.begin(), primary.end(), '?', '_');
                items.push_back(FileEntryItem(i + 1 < parts.size(), primary, Utf8ToUtf16(parts[i]), 3, 0));
            }
        }
    }
    return IdList(items);
}

ByteVector TargetLinkInfo(const LinkFields& shape) {
    // Unicode forms only when some name needs them, as the shell writes it.
    const bool unicode = !IsAscii(shape.localBasePath) || !IsAscii(shape.commonPathSuffix);
    LinkInfoFields fields;
    fields.basePath = AnsiOf(shape.localBasePath);
    fields.driveType = shape.driveType;
    fields.driveSerialNumber = shape.driveSerialNumber;
    fields.volumeLabel = AnsiOf(shape.volumeLabel);
    fields.netName = AnsiOf(shape.netName);
    fields.suffix = AnsiOf(shape.commonPathSuffix);
    if (unicode) {
        fields.basePathUnicode = Utf8ToUtf16(shape.localBasePath);
        fields.suffixUnicode = Utf8ToUtf16(shape.commonPathSuffix);
    }
    return LinkInfo(fields);
}

}  // namespace

std::vector<unsigned char> BuildLink(const LinkFields& shape) {
    const bool hasIdList = shape.idListControlPanel || !shape.idListPath.empty();
    const bool hasLinkInfo = !shape.localBasePath.empty() || !shape.netName.empty();
    uint32_t flags = kFlagUnicode;
    if (hasIdList) flags |= kFlagIdList;
    if (hasLinkInfo) flags |= kFlagLinkInfo;
    if (!shape.description.empty()) flags |= kFlagName;
    if (!shape.relativePath.empty()) flags |= kFlagRelativePath;
    if (!shape.workingDir.empty()) flags |= kFlagWorkingDir;
    if (!shape.arguments.empty()) flags |= kFlagArguments;
    if (!shape.iconLocation.empty()) flags |= kFlagIconLocation;
    if (shape.forceNoLinkInfo) flags |= kFlagForceNoLinkInfo;
    if (!shape.environmentTarget.empty()) flags |= kFlagExpString;
    if (!shape.darwinId.empty()) flags |= kFlagDarwinId;

    HeaderFields header;
    header.attributes = shape.targetAttributes;
    header.creationTime = header.accessTime = kFileTime;
    header.writeTime = shape.targetWriteTime ? shape.targetWriteTime : kFileTime;
    header.targetSize = shape.targetSize;
    header.showCommand = kShowNormal;
    std::vector<ByteVector> parts{Header(flags, header)};
    if (hasIdList) parts.push_back(TargetIdList(shape));
    if (hasLinkInfo) parts.push_back(TargetLinkInfo(shape));
    for (const std::string* text : {&shape.description, &shape.relativePath, &shape.workingDir, &shape.arguments, &shape.iconLocation}) {
        if (!text->empty()) parts.push_back(CountedString(true, Utf8ToUtf16(*text)));
    }
    if (!shape.environmentTarget.empty()) {
        parts.push_back(PathBlock(0xA0000001, AnsiOf(shape.environmentTarget), Utf8ToUtf16(shape.environmentTarget)));
    }
    if (!shape.darwinId.empty()) {
        parts.push_back(PathBlock(0xA0000006, AnsiOf(shape.darwinId), Utf8ToUtf16(shape.darwinId)));
    }
    if (!shape.trackerMachine.empty()) {
        parts.push_back(TrackerBlock(shape.trackerMachine, shape.trackerVolumeId.data(), shape.trackerObjectId.data()));
    }
    parts.push_back(Terminal());
    return Concat(parts);
}

}  // namespace qm::lnkwriter
