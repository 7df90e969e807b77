#include "tools/lnkwriter/LinkWriter.h"

#include "base/Utf.h"

#include <algorithm>
#include <cstring>

namespace qm::lnkwriter {

namespace {

using Bytes = std::vector<unsigned char>;

constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr unsigned char kMyComputerClsid[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
constexpr unsigned char kControlPanelClsid[16] = {0x20, 0x20, 0xEC, 0x21, 0xEA, 0x3A, 0x69, 0x10,
                                                  0xA2, 0xDD, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

enum : uint32_t {
    kHasIdList = 0x1, kHasLinkInfo = 0x2, kHasName = 0x4, kHasRelativePath = 0x8, kHasWorkingDir = 0x10,
    kHasArguments = 0x20, kHasIconLocation = 0x40, kIsUnicode = 0x80, kForceNoLinkInfo = 0x100,
    kHasExpString = 0x200, kHasDarwinId = 0x1000,
};

void Put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Set32(Bytes& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
void Set16(Bytes& out, size_t at, uint32_t v) {
    out[at] = static_cast<unsigned char>(v);
    out[at + 1] = static_cast<unsigned char>(v >> 8);
}
void PutBytes(Bytes& out, const unsigned char* data, size_t size) { out.insert(out.end(), data, data + size); }

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

void PutAnsiZ(Bytes& out, const std::string& utf8) {
    std::string ansi = AnsiOf(utf8);
    PutBytes(out, reinterpret_cast<const unsigned char*>(ansi.data()), ansi.size());
    out.push_back(0);
}

void PutUtf16(Bytes& out, const std::string& utf8, bool terminate) {
    for (char16_t unit : Utf8ToUtf16(utf8)) Put16(out, unit);
    if (terminate) Put16(out, 0);
}

// A fixed field of `bytes` bytes holding a NUL-terminated string, the rest zero.
void PutFixed(Bytes& out, const Bytes& text, size_t bytes) {
    Bytes field(bytes, 0);
    std::memcpy(field.data(), text.data(), std::min(text.size(), bytes - 2));
    PutBytes(out, field.data(), field.size());
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

// A file-entry item (0x31 folder, 0x32 file) with an 8.3-style primary name and a version-3
// 0xBEEF0004 block holding the Unicode long name.
Bytes FileEntryItem(const std::string& name, bool folder) {
    Bytes item;
    Put16(item, 0);  // size, set below
    item.push_back(folder ? 0x31 : 0x32);
    item.push_back(0);
    Put32(item, 0);  // file size
    Put32(item, 0);  // modification date and time
    Put16(item, folder ? 0x10 : 0x20);
    std::string primary = AnsiOf(name);
    for (char& c : primary) {
        if (c == '?') c = '_';
    }
    PutBytes(item, reinterpret_cast<const unsigned char*>(primary.data()), primary.size());
    item.push_back(0);
    if (item.size() % 2) item.push_back(0);

    const size_t block = item.size();
    Put16(item, 0);  // block size, set below
    Put16(item, 3);  // version
    Put32(item, 0xBEEF0004);
    Put32(item, 0);  // creation date and time
    Put32(item, 0);  // access date and time
    Put16(item, 0x14);
    Put16(item, 0);  // no localized name
    PutUtf16(item, name, true);
    Put16(item, static_cast<uint32_t>(block));  // offset of the first extension block
    Set16(item, block, static_cast<uint32_t>(item.size() - block));
    Set16(item, 0, static_cast<uint32_t>(item.size()));
    return item;
}

Bytes IdList(const LinkSpec& shape) {
    Bytes list;
    auto root = [&](const unsigned char (&clsid)[16]) {
        Put16(list, 20);
        list.push_back(0x1F);
        list.push_back(0x50);
        PutBytes(list, clsid, 16);
    };
    if (shape.idListControlPanel) {
        root(kControlPanelClsid);
        // A control panel applet item: opaque to everything but the shell.
        const unsigned char applet[] = {0x0C, 0x00, 0x71, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
        PutBytes(list, applet, sizeof applet);
    } else {
        root(kMyComputerClsid);
        std::vector<std::string> parts = Components(shape.idListPath);
        if (!parts.empty()) {
            Put16(list, 25);
            list.push_back(0x2F);
            Bytes drive(22, 0);
            drive[0] = static_cast<unsigned char>(parts[0][0]);
            drive[1] = ':';
            drive[2] = '\\';
            PutBytes(list, drive.data(), drive.size());
            for (size_t i = 1; i < parts.size(); ++i) {
                Bytes item = FileEntryItem(parts[i], i + 1 < parts.size());
                PutBytes(list, item.data(), item.size());
            }
        }
    }
    Put16(list, 0);  // terminal item
    Bytes out;
    Put16(out, static_cast<uint32_t>(list.size()));
    PutBytes(out, list.data(), list.size());
    return out;
}

Bytes LinkInfo(const LinkSpec& shape) {
    const bool hasVolume = !shape.localBasePath.empty();
    const bool hasNetwork = !shape.netName.empty();
    const bool unicode = !IsAscii(shape.localBasePath) || !IsAscii(shape.commonPathSuffix);
    const uint32_t headerSize = unicode ? 0x24 : 0x1C;

    Bytes info(headerSize, 0);
    Set32(info, 4, headerSize);
    Set32(info, 8, (hasVolume ? 1u : 0u) | (hasNetwork ? 2u : 0u));
    if (hasVolume) {
        Set32(info, 12, static_cast<uint32_t>(info.size()));
        Bytes volume;
        Put32(volume, 0);  // size, set below
        Put32(volume, shape.driveType);
        Put32(volume, shape.driveSerialNumber);
        Put32(volume, 0x10);
        PutAnsiZ(volume, shape.volumeLabel);
        Set32(volume, 0, static_cast<uint32_t>(volume.size()));
        PutBytes(info, volume.data(), volume.size());
        Set32(info, 16, static_cast<uint32_t>(info.size()));
        PutAnsiZ(info, shape.localBasePath);
    }
    if (hasNetwork) {
        Set32(info, 20, static_cast<uint32_t>(info.size()));
        Bytes net;
        Put32(net, 0);       // size, set below
        Put32(net, 2);       // ValidNetType
        Put32(net, 0x14);    // NetNameOffset
        Put32(net, 0);       // DeviceNameOffset
        Put32(net, 0x20000); // WNNC_NET_LANMAN
        PutAnsiZ(net, shape.netName);
        Set32(net, 0, static_cast<uint32_t>(net.size()));
        PutBytes(info, net.data(), net.size());
    }
    Set32(info, 24, static_cast<uint32_t>(info.size()));
    PutAnsiZ(info, shape.commonPathSuffix);
    if (unicode) {
        if (hasVolume) {
            Set32(info, 28, static_cast<uint32_t>(info.size()));
            PutUtf16(info, shape.localBasePath, true);
        }
        Set32(info, 32, static_cast<uint32_t>(info.size()));
        PutUtf16(info, shape.commonPathSuffix, true);
    }
    Set32(info, 0, static_cast<uint32_t>(info.size()));
    return info;
}

// An extra data block holding one target string twice: ANSI in 260 bytes, Unicode in 520.
Bytes TargetBlock(uint32_t signature, const std::string& target) {
    Bytes block;
    Put32(block, 0x314);
    Put32(block, signature);
    Bytes ansi;
    std::string a = AnsiOf(target);
    ansi.assign(a.begin(), a.end());
    PutFixed(block, ansi, 260);
    Bytes wide;
    PutUtf16(wide, target, false);
    PutFixed(block, wide, 520);
    return block;
}

void PutCountedString(Bytes& out, const std::string& text) {
    std::u16string wide = Utf8ToUtf16(text);
    Put16(out, static_cast<uint32_t>(wide.size()));
    for (char16_t unit : wide) Put16(out, unit);
}

}  // namespace

std::vector<unsigned char> BuildLink(const LinkSpec& shape) {
    const bool hasIdList = shape.idListControlPanel || !shape.idListPath.empty();
    const bool hasLinkInfo = !shape.localBasePath.empty() || !shape.netName.empty();
    uint32_t flags = kIsUnicode;
    if (hasIdList) flags |= kHasIdList;
    if (hasLinkInfo) flags |= kHasLinkInfo;
    if (!shape.description.empty()) flags |= kHasName;
    if (!shape.relativePath.empty()) flags |= kHasRelativePath;
    if (!shape.workingDir.empty()) flags |= kHasWorkingDir;
    if (!shape.arguments.empty()) flags |= kHasArguments;
    if (!shape.iconLocation.empty()) flags |= kHasIconLocation;
    if (shape.forceNoLinkInfo) flags |= kForceNoLinkInfo;
    if (!shape.environmentTarget.empty()) flags |= kHasExpString;
    if (!shape.darwinId.empty()) flags |= kHasDarwinId;

    Bytes out;
    Put32(out, 0x4C);
    PutBytes(out, kLinkClsid, 16);
    Put32(out, flags);
    Put32(out, shape.targetAttributes);
    for (int i = 0; i < 2; ++i) {  // creation and access times: 2020-01-01
        Put32(out, 0xB4E6C000);
        Put32(out, 0x01D5C03B);
    }
    const uint64_t written = shape.targetWriteTime ? shape.targetWriteTime : 0x01D5C03BB4E6C000ull;
    Put32(out, static_cast<uint32_t>(written));
    Put32(out, static_cast<uint32_t>(written >> 32));
    Put32(out, shape.targetSize);
    Put32(out, 0);  // icon index
    Put32(out, 1);  // SW_SHOWNORMAL
    Put16(out, 0);  // hot key
    Put16(out, 0);
    Put32(out, 0);
    Put32(out, 0);

    if (hasIdList) {
        Bytes list = IdList(shape);
        PutBytes(out, list.data(), list.size());
    }
    if (hasLinkInfo) {
        Bytes info = LinkInfo(shape);
        PutBytes(out, info.data(), info.size());
    }
    for (const std::string* text : {&shape.description, &shape.relativePath, &shape.workingDir, &shape.arguments, &shape.iconLocation}) {
        if (!text->empty()) PutCountedString(out, *text);
    }
    if (!shape.environmentTarget.empty()) {
        Bytes block = TargetBlock(0xA0000001, shape.environmentTarget);
        PutBytes(out, block.data(), block.size());
    }
    if (!shape.darwinId.empty()) {
        Bytes block = TargetBlock(0xA0000006, shape.darwinId);
        PutBytes(out, block.data(), block.size());
    }
    if (!shape.trackerMachine.empty()) {
        Bytes block;
        Put32(block, 0x60);
        Put32(block, 0xA0000003);
        Put32(block, 0x58);  // length
        Put32(block, 0);     // version
        Bytes machine(shape.trackerMachine.begin(), shape.trackerMachine.end());
        machine.resize(16, 0);  // NetBIOS names are at most 15 characters
        PutBytes(block, machine.data(), 16);
        for (int droid = 0; droid < 2; ++droid) {  // current and birth identifiers: the same here
            PutBytes(block, shape.trackerVolumeId.data(), 16);
            PutBytes(block, shape.trackerObjectId.data(), 16);
        }
        PutBytes(out, block.data(), block.size());
    }
    Put32(out, 0);  // terminal block
    return out;
}

}  // namespace qm::lnkwriter
