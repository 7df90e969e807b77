// Shell-link (.lnk) structures byte by byte, the way the format document lays them out: the
// pieces LinkWriter puts together, and what the reader's tests and benchmark build (and damage
// on purpose) by hand. Portable C++, no <windows.h>.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace qm::lnkwriter {

using ByteVector = std::vector<unsigned char>;

inline void PutU16(ByteVector& b, uint32_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
inline void PutU32(ByteVector& b, uint32_t v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}
inline void SetU16(ByteVector& b, size_t at, uint32_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
inline void SetU32(ByteVector& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
inline void PutBytes(ByteVector& b, const std::string& bytes) { b.insert(b.end(), bytes.begin(), bytes.end()); }
inline void PutAnsiZ(ByteVector& b, const std::string& text) {
    PutBytes(b, text);
    b.push_back(0);
}
// ASCII (or already-UTF-16-safe) text as UTF-16LE units, without terminator.
inline void PutUtf16(ByteVector& b, const std::u16string& text) {
    for (char16_t c : text) PutU16(b, c);
}
inline void PutUtf16Z(ByteVector& b, const std::u16string& text) {
    PutUtf16(b, text);
    PutU16(b, 0);
}

enum : uint32_t {
    kFlagIdList = 0x1,
    kFlagLinkInfo = 0x2,
    kFlagName = 0x4,
    kFlagRelativePath = 0x8,
    kFlagWorkingDir = 0x10,
    kFlagArguments = 0x20,
    kFlagIconLocation = 0x40,
    kFlagUnicode = 0x80,
};

using Clsid = unsigned char[16];
inline constexpr Clsid kShellLinkClsid = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
inline constexpr Clsid kMyComputerClsid = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                           0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
inline constexpr Clsid kControlPanelClsid = {0x20, 0x20, 0xEC, 0x21, 0xEA, 0x3A, 0x69, 0x10,
                                             0xA2, 0xDD, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

// What the header says about the target besides the flags.
struct HeaderFields {
    uint32_t attributes = 0x20;  // FILE_ATTRIBUTE_ARCHIVE
    uint64_t creationTime = 0, accessTime = 0, writeTime = 0;  // FILETIMEs
    uint32_t targetSize = 0;
    uint32_t showCommand = 0;
};

// The 76-byte header.
inline ByteVector Header(uint32_t flags, const HeaderFields& fields = {}) {
    ByteVector b;
    PutU32(b, 0x4C);
    b.insert(b.end(), kShellLinkClsid, kShellLinkClsid + 16);
    PutU32(b, flags);
    PutU32(b, fields.attributes);
    for (uint64_t time : {fields.creationTime, fields.accessTime, fields.writeTime}) {
        PutU32(b, static_cast<uint32_t>(time));
        PutU32(b, static_cast<uint32_t>(time >> 32));
    }
    PutU32(b, fields.targetSize);
    PutU32(b, 0);  // icon index
    PutU32(b, fields.showCommand);
    b.resize(0x4C, 0);  // hot key, reserved
    return b;
}

// Shell items: each gets its 16-bit size in front.
inline ByteVector Item(const ByteVector& body) {
    ByteVector b(2 + body.size());
    SetU16(b, 0, static_cast<uint32_t>(b.size()));
    std::copy(body.begin(), body.end(), b.begin() + 2);
    return b;
}
// A root item: a shell folder named by its class identifier.
inline ByteVector RootItem(const Clsid& clsid) {
    ByteVector body = {0x1F, 0x50};
    body.insert(body.end(), clsid, clsid + 16);
    return Item(body);
}
inline ByteVector MyComputerItem() { return RootItem(kMyComputerClsid); }
inline ByteVector DriveItem(const std::string& root) {
    ByteVector body = {0x2F};
    PutAnsiZ(body, root);
    body.resize(23, 0);
    return Item(body);
}
// A file entry as Windows 7 and later write it: 8.3 name, then a version-9 0xBEEF0004 block with
// the long name, then the offset of that block. An empty longName leaves the block out.
inline ByteVector FileEntryItem(bool folder, const std::string& shortName, const std::u16string& longName,
                                uint32_t version = 9, uint32_t fileSize = 1234) {
    ByteVector body = {static_cast<unsigned char>(folder ? 0x31 : 0x32), 0};
    PutU32(body, fileSize);
    PutU32(body, 0);     // modification time
    PutU16(body, folder ? 0x10 : 0x20);
    PutAnsiZ(body, shortName);
    if (body.size() % 2) body.push_back(0);
    if (longName.empty()) return Item(body);
    const size_t blockAt = body.size() + 2;  // offset within the item, size field included
    ByteVector block;
    PutU16(block, 0);  // size, patched below
    PutU16(block, version);
    PutU32(block, 0xBEEF0004);
    const size_t longNameAt = version >= 9 ? 46 : version >= 8 ? 42 : version >= 7 ? 38 : 20;
    block.resize(longNameAt, 0);
    PutUtf16Z(block, longName);
    PutU16(block, static_cast<uint32_t>(blockAt));  // the block's own trailing offset field
    block[0] = static_cast<unsigned char>(block.size());
    block[1] = static_cast<unsigned char>(block.size() >> 8);
    body.insert(body.end(), block.begin(), block.end());
    return Item(body);
}
inline ByteVector NetworkItem(unsigned char type, const std::string& location) {
    ByteVector body = {type, 0, 0};
    PutAnsiZ(body, location);
    PutAnsiZ(body, "");  // description
    PutAnsiZ(body, "");  // comments
    return Item(body);
}
inline ByteVector IdList(const std::vector<ByteVector>& items, bool terminated = true) {
    ByteVector list;
    for (const auto& item : items) list.insert(list.end(), item.begin(), item.end());
    if (terminated) PutU16(list, 0);
    ByteVector b;
    PutU16(b, static_cast<uint32_t>(list.size()));
    b.insert(b.end(), list.begin(), list.end());
    return b;
}

// LinkInfo with a local base path (ANSI, and Unicode when given) and an optional network part.
struct LinkInfoFields {
    std::string basePath{};  // empty: no VolumeID and local base path
    std::u16string basePathUnicode{};
    uint32_t driveType = 3;  // DRIVE_FIXED
    uint32_t driveSerialNumber = 0x1234ABCD;
    std::string volumeLabel = "SYSTEM";
    std::u16string volumeLabelUnicode{};  // given: the VolumeID carries only this Unicode label
    std::string netName{};   // empty: no network part
    std::u16string netNameUnicode{};      // given: the network part has Unicode names too
    std::string deviceName{};
    std::string suffix{};
    std::u16string suffixUnicode{};
};

inline ByteVector LinkInfo(const LinkInfoFields& fields) {
    const bool unicode = !fields.basePathUnicode.empty() || !fields.suffixUnicode.empty();
    const uint32_t headerSize = unicode ? 0x24 : 0x1C;
    ByteVector b(headerSize, 0);
    uint32_t flags = 0;
    if (!fields.basePath.empty()) {
        flags |= 1;
        SetU32(b, 12, static_cast<uint32_t>(b.size()));
        ByteVector volume;
        PutU32(volume, 0);  // size, patched
        PutU32(volume, fields.driveType);
        PutU32(volume, fields.driveSerialNumber);
        if (fields.volumeLabelUnicode.empty()) {
            PutU32(volume, 0x10);
            PutAnsiZ(volume, fields.volumeLabel);
        } else {
            PutU32(volume, 0x14);
            PutU32(volume, 0x14);  // the Unicode label follows this field
            PutUtf16Z(volume, fields.volumeLabelUnicode);
        }
        SetU32(volume, 0, static_cast<uint32_t>(volume.size()));
        b.insert(b.end(), volume.begin(), volume.end());
        SetU32(b, 16, static_cast<uint32_t>(b.size()));
        PutAnsiZ(b, fields.basePath);
    }
    if (!fields.netName.empty()) {
        flags |= 2;
        SetU32(b, 20, static_cast<uint32_t>(b.size()));
        ByteVector net;
        PutU32(net, 0);
        PutU32(net, fields.deviceName.empty() ? 2 : 3);  // ValidNetType, ValidDevice
        const bool unicodeNames = !fields.netNameUnicode.empty();
        PutU32(net, unicodeNames ? 0x1C : 0x14);
        PutU32(net, 0);
        PutU32(net, 0x00020000);  // WNNC_NET_LANMAN
        if (unicodeNames) {
            PutU32(net, 0);  // NetNameOffsetUnicode, patched below
            PutU32(net, 0);  // DeviceNameOffsetUnicode: none
        }
        PutAnsiZ(net, fields.netName);
        if (!fields.deviceName.empty()) {
            SetU32(net, 12, static_cast<uint32_t>(net.size()));
            PutAnsiZ(net, fields.deviceName);
        }
        if (unicodeNames) {
            if (net.size() % 2) net.push_back(0);
            SetU32(net, 20, static_cast<uint32_t>(net.size()));
            PutUtf16Z(net, fields.netNameUnicode);
        }
        SetU32(net, 0, static_cast<uint32_t>(net.size()));
        b.insert(b.end(), net.begin(), net.end());
    }
    SetU32(b, 24, static_cast<uint32_t>(b.size()));
    PutAnsiZ(b, fields.suffix);
    if (unicode) {
        if (!fields.basePathUnicode.empty()) {
            if (b.size() % 2) b.push_back(0);
            SetU32(b, 28, static_cast<uint32_t>(b.size()));
            PutUtf16Z(b, fields.basePathUnicode);
        }
        if (b.size() % 2) b.push_back(0);
        SetU32(b, 32, static_cast<uint32_t>(b.size()));
        PutUtf16Z(b, fields.suffixUnicode);
    }
    SetU32(b, 0, static_cast<uint32_t>(b.size()));
    SetU32(b, 4, headerSize);
    SetU32(b, 8, flags);
    return b;
}

inline ByteVector CountedString(bool unicode, const std::u16string& text) {
    ByteVector b;
    PutU16(b, static_cast<uint32_t>(text.size()));
    if (unicode)
        PutUtf16(b, text);
    else
        for (char16_t c : text) b.push_back(static_cast<unsigned char>(c));
    return b;
}

inline ByteVector Block(uint32_t signature, const ByteVector& payload) {
    ByteVector b;
    PutU32(b, static_cast<uint32_t>(payload.size() + 8));
    PutU32(b, signature);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}
// Environment (0xA0000001) and Darwin (0xA0000006) blocks: 260 ANSI bytes, 260 UTF-16 units,
// each cut to keep its terminating zero.
inline ByteVector PathBlock(uint32_t signature, const std::string& ansi, const std::u16string& unicode) {
    ByteVector payload(260 + 520, 0);
    std::copy(ansi.begin(), ansi.begin() + std::min<size_t>(ansi.size(), 259), payload.begin());
    for (size_t i = 0; i < unicode.size() && i < 259; ++i) {
        payload[260 + 2 * i] = static_cast<unsigned char>(unicode[i]);
        payload[260 + 2 * i + 1] = static_cast<unsigned char>(unicode[i] >> 8);
    }
    return Block(signature, payload);
}
// The tracker block (0xA0000003): the machine's NetBIOS name (at most 15 characters) and the
// target's volume and object identifiers, current and birth alike; without identifiers the
// droids are filled with 0x11.
inline ByteVector TrackerBlock(const std::string& machine, const unsigned char* volumeId = nullptr,
                               const unsigned char* objectId = nullptr) {
    ByteVector payload;
    PutU32(payload, 0x58);  // length
    PutU32(payload, 0);     // version
    ByteVector id(16, 0);
    std::copy(machine.begin(), machine.begin() + std::min<size_t>(machine.size(), 16), id.begin());
    payload.insert(payload.end(), id.begin(), id.end());
    if (volumeId && objectId) {
        for (int droid = 0; droid < 2; ++droid) {
            payload.insert(payload.end(), volumeId, volumeId + 16);
            payload.insert(payload.end(), objectId, objectId + 16);
        }
    }
    payload.resize(0x58, 0x11);
    return Block(0xA0000003, payload);
}
// A property-store block (0xA0000009) as the shell writes one: a serialized storage per run of
// values with the same format identifier, each value numbered, its text a VT_LPWSTR (the count
// with the NUL, zeros to a multiple of 4 bytes) or VT_BSTR (the count in bytes), or a VT_UI4.
struct StoredValue {
    const unsigned char* format;  // 16 bytes as stored
    uint32_t id;
    std::u16string text;
    uint16_t type = 0x1F;  // VT_LPWSTR, VT_BSTR (0x08) or VT_UI4 (0x13, `number`)
    uint32_t number = 0;
};
inline ByteVector PropertyStoreBlock(const std::vector<StoredValue>& values) {
    ByteVector store;
    size_t storage = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const StoredValue& v = values[i];
        if (i == 0 || !std::equal(v.format, v.format + 16, values[i - 1].format)) {
            storage = store.size();
            PutU32(store, 0);  // size, set below
            PutU32(store, 0x53505331);
            store.insert(store.end(), v.format, v.format + 16);
        }
        ByteVector value;
        PutU32(value, 0);  // size, set below
        PutU32(value, v.id);
        value.push_back(0);
        PutU16(value, v.type);
        PutU16(value, 0);
        if (v.type == 0x13) {
            PutU32(value, v.number);
        } else {
            PutU32(value, static_cast<uint32_t>((v.text.size() + 1) * (v.type == 0x08 ? 2 : 1)));
            PutUtf16Z(value, v.text);
            while ((value.size() - 9) % 4) value.push_back(0);
        }
        SetU32(value, 0, static_cast<uint32_t>(value.size()));
        store.insert(store.end(), value.begin(), value.end());
        if (i + 1 == values.size() || !std::equal(v.format, v.format + 16, values[i + 1].format)) {
            PutU32(store, 0);  // the storage's end
            SetU32(store, storage, static_cast<uint32_t>(store.size() - storage));
        }
    }
    PutU32(store, 0);  // the store's end
    return Block(0xA0000009, store);
}
inline ByteVector Terminal() { return ByteVector(4, 0); }

inline ByteVector Concat(const std::vector<ByteVector>& parts) {
    ByteVector all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

}  // namespace qm::lnkwriter
