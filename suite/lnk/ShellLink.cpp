#include "suite/lnk/ShellLink.h"

#include <algorithm>
#include <cstring>

#include "base/Utf.h"
#include "suite/lnk/LinkFormat.h"

namespace qm::lnk {

using namespace format;

namespace {

// UTF-16LE text to UTF-8; nearly all shortcut text is ASCII, which skips the general decoder.
std::string Utf16LeToUtf8(const unsigned char* bytes, size_t units) {
    for (size_t i = 0; i < units; ++i)
        if (bytes[2 * i] >= 0x80 || bytes[2 * i + 1] != 0) return Utf16LeBytesToUtf8(bytes, units);
    std::string out(units, '\0');
    for (size_t i = 0; i < units; ++i) out[i] = static_cast<char>(bytes[2 * i]);
    return out;
}

// A bounded view of the file: every read says whether it fitted.
class Bytes {
public:
    Bytes(const unsigned char* data, size_t size) : data_(data), size_(size) {}

    size_t size() const { return size_; }
    const unsigned char* at(size_t offset) const { return data_ + offset; }
    bool Has(size_t offset, size_t count) const { return offset <= size_ && count <= size_ - offset; }

    bool U16(size_t offset, uint32_t& value) const {
        if (!Has(offset, 2)) return false;
        value = data_[offset] | (data_[offset + 1] << 8);
        return true;
    }
    bool U32(size_t offset, uint32_t& value) const {
        if (!Has(offset, 4)) return false;
        value = static_cast<uint32_t>(data_[offset]) | (static_cast<uint32_t>(data_[offset + 1]) << 8) |
                (static_cast<uint32_t>(data_[offset + 2]) << 16) | (static_cast<uint32_t>(data_[offset + 3]) << 24);
        return true;
    }

    // A NUL-terminated single-byte string starting at begin that must end before end.
    bool AnsiZ(size_t begin, size_t end, std::string& out) const {
        end = std::min(end, size_);
        if (begin >= end) return false;
        const void* nul = std::memchr(data_ + begin, 0, end - begin);
        if (!nul) return false;
        out = Windows1252ToUtf8(data_ + begin, static_cast<const unsigned char*>(nul) - (data_ + begin));
        return true;
    }
    // A NUL-terminated UTF-16LE string starting at begin that must end before end; *after gets
    // the offset just past its terminator.
    bool Utf16Z(size_t begin, size_t end, std::string& out, size_t* after = nullptr) const {
        end = std::min(end, size_);
        for (size_t i = begin; i + 1 < end; i += 2) {
            if (data_[i] == 0 && data_[i + 1] == 0) {
                out = Utf16LeToUtf8(data_ + begin, (i - begin) / 2);
                if (after) *after = i + 2;
                return true;
            }
        }
        return false;
    }
    // At most maxBytes of a fixed field holding a NUL-padded string.
    std::string AnsiField(size_t begin, size_t maxBytes) const {
        size_t len = 0;
        while (len < maxBytes && data_[begin + len] != 0) ++len;
        return Windows1252ToUtf8(data_ + begin, len);
    }
    std::string Utf16Field(size_t begin, size_t maxUnits) const {
        size_t len = 0;
        while (len < maxUnits && (data_[begin + 2 * len] | data_[begin + 2 * len + 1]) != 0) ++len;
        return Utf16LeToUtf8(data_ + begin, len);
    }

private:
    const unsigned char* data_;
    size_t size_;
};

// ANSI text decoded with bytes above 0x7F: right only if it was written under Windows-1252.
bool HasNonAscii(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; });
}

bool IsDriveRoot(const std::string& s) {
    return s.size() >= 2 && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z')) && s[1] == ':' &&
           (s.size() == 2 || (s.size() == 3 && s[2] == '\\'));
}

void AppendComponent(std::string& path, const std::string& name) {
    if (!path.empty() && path.back() != '\\') path += '\\';
    path += name;
}

// The long name in a 0xBEEF0004 extension block of a file-entry item starting at pos, if any.
bool ExtensionLongName(const Bytes& item, size_t pos, std::string& name) {
    uint32_t blockSize = 0, version = 0, signature = 0;
    if (!item.U16(pos, blockSize) || !item.U16(pos + 2, version) || !item.U32(pos + 4, signature) ||
        signature != kFileEntryExtensionSignature || blockSize < 8 || !item.Has(pos, blockSize))
        return false;
    const size_t longNameAt = version >= 9 ? 46 : version >= 8 ? 42 : version >= 7 ? 38 : version >= 3 ? 20 : 0;
    std::string longName;
    if (!longNameAt || !item.Utf16Z(pos + longNameAt, pos + blockSize, longName) || longName.empty()) return false;
    name = std::move(longName);
    return true;
}

// The name a file-entry shell item gives its file: the Unicode long name from its 0xBEEF0004
// extension block when there is one, else the primary (8.3 or ANSI) name; `lossy` says the
// name is ANSI text that may be wrong (see HasNonAscii).
bool FileEntryName(const Bytes& item, std::string& name, bool& lossy) {
    lossy = false;
    constexpr size_t kNameStart = 14;
    const size_t size = item.size();
    if (size <= kNameStart + 2) return false;
    // Items written since Windows XP end with the 16-bit offset of their first extension block.
    uint32_t firstBlock = 0;
    item.U16(size - 2, firstBlock);
    if (firstBlock >= kNameStart && firstBlock < size - 2 && ExtensionLongName(item, firstBlock, name)) return true;

    const bool unicode = (item.at(2)[0] & 0x04) != 0;
    size_t afterName = 0;
    if (unicode) {
        if (!item.Utf16Z(kNameStart, size, name, &afterName)) return false;
    } else {
        // AnsiZ found the terminator inside the item, which bounds the strlen.
        if (!item.AnsiZ(kNameStart, size, name)) return false;
        afterName = kNameStart + std::strlen(reinterpret_cast<const char*>(item.at(kNameStart))) + 1;
        lossy = HasNonAscii(name);
    }
    // Older writers leave no trailing offset: look for the block after the name, two-byte aligned.
    if (ExtensionLongName(item, (afterName + 1) & ~size_t{1}, name)) lossy = false;
    return !name.empty();
}

// Derives a file-system path from the items of a LinkTargetIDList: an optional My Computer root,
// a drive item, then file and folder entries; or network items naming a UNC share followed by
// file entries. Anything else (control panel, URIs, shell folders) yields no path.
void DeriveIdListPath(const Bytes& list, ShellLinkInfo& info) {
    std::string path;
    bool rootSeen = false;  // a drive or a UNC share has given the path its start
    bool lossy = false;
    size_t pos = 0;
    size_t index = 0;
    while (list.Has(pos, 2)) {
        uint32_t itemSize = 0;
        list.U16(pos, itemSize);
        if (itemSize == 0) break;
        const Bytes item(list.at(pos), itemSize);  // bounds already checked by the caller
        pos += itemSize;
        if (itemSize < 3) return;
        const uint32_t type = item.at(2)[0];
        if (type == 0x1F) {  // root folder identified by a class id
            if (index++ != 0 || itemSize < 20) return;
            if (std::memcmp(item.at(4), kMyComputerClsid, 16) != 0 && std::memcmp(item.at(4), kNetworkClsid, 16) != 0)
                return;
            continue;
        }
        ++index;
        if ((type & 0x70) == 0x20 && !rootSeen) {  // volume item: "C:\" in ANSI after the type byte
            std::string drive;
            if (!item.AnsiZ(3, itemSize, drive) || !IsDriveRoot(drive)) return;
            path = drive.substr(0, 2) + "\\";
            rootSeen = true;
        } else if ((type & 0x70) == 0x40) {  // network item: domain, server or share
            std::string location;
            if (itemSize < 6 || !item.AnsiZ(5, itemSize, location)) return;
            if (location.size() > 2 && location[0] == '\\' && location[1] == '\\') {
                path = location;  // a share's name includes its server
                lossy = HasNonAscii(location);
                rootSeen = true;
            } else if (rootSeen) {
                return;
            }
        } else if ((type & 0x70) == 0x30 && rootSeen) {
            std::string name;
            bool nameIsLossy = false;
            if (!FileEntryName(item, name, nameIsLossy)) return;
            AppendComponent(path, name);
            lossy = lossy || nameIsLossy;
        } else {
            return;
        }
    }
    if (!rootSeen) return;
    info.idListPath = path;
    info.idListIsFileSystem = true;
    info.idListPathIsLossy = lossy;
}

class Parser {
public:
    Parser(const unsigned char* data, size_t size) : in_(data, std::min(size, kMaxLinkFileSize)) {}

    ShellLinkInfo Run() {
        if (!Header()) return std::move(info_);
        if ((info_.linkFlags & kHasLinkTargetIdList) && !IdList()) return std::move(info_);
        if ((info_.linkFlags & kHasLinkInfo) && !LinkInfo()) return std::move(info_);
        if (!StringData()) return std::move(info_);
        if (!ExtraData()) return std::move(info_);
        info_.status = ParseStatus::Ok;
        return std::move(info_);
    }

private:
    bool Fail(const char* what) {
        info_.status = ParseStatus::Malformed;
        info_.error = what;
        return false;
    }

    bool Header() {
        uint32_t headerSize = 0;
        if (!in_.U32(0, headerSize) || headerSize != kHeaderSize || !in_.Has(4, 16) ||
            std::memcmp(in_.at(4), kLinkClsid, 16) != 0) {
            info_.status = ParseStatus::NotShellLink;
            return false;
        }
        if (!in_.Has(0, kHeaderSize)) return Fail("header is truncated");
        in_.U32(kLinkFlagsOffset, info_.linkFlags);
        in_.U32(kFileAttributesOffset, info_.fileAttributes);
        info_.creationTime = U64(kCreationTimeOffset);
        info_.accessTime = U64(kAccessTimeOffset);
        info_.writeTime = U64(kWriteTimeOffset);
        in_.U32(kFileSizeOffset, info_.fileSize);
        pos_ = kHeaderSize;
        return true;
    }

    uint64_t U64(size_t offset) const {
        uint32_t low = 0, high = 0;
        in_.U32(offset, low);
        in_.U32(offset + 4, high);
        return (uint64_t{high} << 32) | low;
    }

    bool IdList() {
        uint32_t listSize = 0;
        if (!in_.U16(pos_, listSize)) return Fail("IDList size is truncated");
        pos_ += 2;
        if (!in_.Has(pos_, listSize)) return Fail("IDList runs past the end of the file");
        const Bytes list(in_.at(pos_), listSize);
        // Every item must lie inside the list; the terminating zero size may be missing.
        for (size_t item = 0; list.Has(item, 2);) {
            uint32_t itemSize = 0;
            list.U16(item, itemSize);
            if (itemSize == 0) break;
            if (itemSize < 2 || !list.Has(item, itemSize)) return Fail("IDList item runs past the list");
            item += itemSize;
        }
        info_.hasIdList = true;
        DeriveIdListPath(list, info_);
        pos_ += listSize;
        return true;
    }

    bool LinkInfo() {
        uint32_t size = 0, headerSize = 0, flags = 0;
        if (!in_.U32(pos_, size) || !in_.Has(pos_, size)) return Fail("LinkInfo runs past the end of the file");
        if (size < 0x1C || !in_.U32(pos_ + 4, headerSize) || headerSize < 0x1C || headerSize > size)
            return Fail("LinkInfo header size is invalid");
        const Bytes li(in_.at(pos_), size);
        uint32_t volumeIdOffset = 0, basePathOffset = 0, networkOffset = 0, suffixOffset = 0;
        li.U32(8, flags);
        li.U32(12, volumeIdOffset);
        li.U32(16, basePathOffset);
        li.U32(20, networkOffset);
        li.U32(24, suffixOffset);
        uint32_t basePathOffsetUnicode = 0, suffixOffsetUnicode = 0;
        if (headerSize >= 0x24) {
            li.U32(28, basePathOffsetUnicode);
            li.U32(32, suffixOffsetUnicode);
        }
        info_.hasLinkInfo = true;

        if (flags & 0x1) {
            if (!VolumeId(li, volumeIdOffset)) return false;
            if (!li.AnsiZ(basePathOffset, size, info_.localBasePath)) return Fail("LinkInfo local base path is invalid");
            info_.localBasePathIsLossy = HasNonAscii(info_.localBasePath);
            if (basePathOffsetUnicode != 0) {
                if (!li.Utf16Z(basePathOffsetUnicode, size, info_.localBasePath))
                    return Fail("LinkInfo Unicode local base path is invalid");
                info_.localBasePathIsLossy = false;
            }
        }
        if (flags & 0x2) {
            if (!NetworkLink(li, networkOffset)) return false;
        }
        // The suffix is an empty string when there is nothing to add; some writers leave its
        // offset at zero, which reads as no suffix.
        if (suffixOffset != 0 && !li.AnsiZ(suffixOffset, size, info_.commonPathSuffix))
            return Fail("LinkInfo common path suffix is invalid");
        info_.commonPathSuffixIsLossy = HasNonAscii(info_.commonPathSuffix);
        if (suffixOffsetUnicode != 0) {
            if (!li.Utf16Z(suffixOffsetUnicode, size, info_.commonPathSuffix))
                return Fail("LinkInfo Unicode common path suffix is invalid");
            info_.commonPathSuffixIsLossy = false;
        }
        pos_ += size;
        return true;
    }

    bool VolumeId(const Bytes& li, uint32_t offset) {
        uint32_t size = 0, labelOffset = 0;
        if (!li.U32(offset, size) || size < 0x10 || !li.Has(offset, size))
            return Fail("VolumeID runs past LinkInfo");
        const Bytes volume(li.at(offset), size);
        volume.U32(4, info_.driveType);
        volume.U32(8, info_.driveSerialNumber);
        volume.U32(12, labelOffset);
        info_.hasVolumeId = true;
        if (labelOffset == 0x14) {
            uint32_t unicodeOffset = 0;
            if (!volume.U32(16, unicodeOffset) || !volume.Utf16Z(unicodeOffset, size, info_.volumeLabel))
                return Fail("VolumeID Unicode label is invalid");
        } else if (!volume.AnsiZ(labelOffset, size, info_.volumeLabel)) {
            return Fail("VolumeID label is invalid");
        }
        return true;
    }

    bool NetworkLink(const Bytes& li, uint32_t offset) {
        uint32_t size = 0, flags = 0, netNameOffset = 0, deviceNameOffset = 0;
        if (!li.U32(offset, size) || size < 0x14 || !li.Has(offset, size))
            return Fail("network link runs past LinkInfo");
        const Bytes net(li.at(offset), size);
        net.U32(4, flags);
        net.U32(8, netNameOffset);
        net.U32(12, deviceNameOffset);
        info_.hasNetwork = true;
        if (!net.AnsiZ(netNameOffset, size, info_.netName)) return Fail("network link name is invalid");
        info_.netNameIsLossy = HasNonAscii(info_.netName);
        if ((flags & 0x1) && !net.AnsiZ(deviceNameOffset, size, info_.deviceName))
            return Fail("network link device name is invalid");
        if (netNameOffset > 0x14) {  // the Unicode offsets are present
            uint32_t netNameUnicode = 0, deviceNameUnicode = 0;
            if (!net.U32(20, netNameUnicode) || !net.U32(24, deviceNameUnicode))
                return Fail("network link header is truncated");
            if (netNameUnicode != 0) {
                if (!net.Utf16Z(netNameUnicode, size, info_.netName)) return Fail("network link Unicode name is invalid");
                info_.netNameIsLossy = false;
            }
            if ((flags & 0x1) && deviceNameUnicode != 0 && !net.Utf16Z(deviceNameUnicode, size, info_.deviceName))
                return Fail("network link Unicode device name is invalid");
        }
        return true;
    }

    bool CountedString(std::string& out, const char* what) {
        uint32_t count = 0;
        if (!in_.U16(pos_, count)) return Fail(what);
        pos_ += 2;
        const bool unicode = (info_.linkFlags & kIsUnicode) != 0;
        const size_t bytes = unicode ? 2 * size_t{count} : count;
        if (!in_.Has(pos_, bytes)) return Fail(what);
        // The text ends at an embedded NUL, as the shell's own readers see it.
        if (unicode)
            out = in_.Utf16Field(pos_, count);
        else
            out = in_.AnsiField(pos_, count);
        pos_ += bytes;
        return true;
    }

    bool StringData() {
        return (!(info_.linkFlags & kHasName) || CountedString(info_.name, "description is truncated")) &&
               (!(info_.linkFlags & kHasRelativePath) || CountedString(info_.relativePath, "relative path is truncated")) &&
               (!(info_.linkFlags & kHasWorkingDir) || CountedString(info_.workingDir, "working directory is truncated")) &&
               (!(info_.linkFlags & kHasArguments) || CountedString(info_.arguments, "arguments are truncated")) &&
               (!(info_.linkFlags & kHasIconLocation) || CountedString(info_.iconLocation, "icon location is truncated"));
    }

    // Environment and Darwin blocks hold an ANSI field of 260 bytes and a Unicode one of 260 units.
    static std::string PathBlockText(const Bytes& block) {
        std::string text = block.Utf16Field(8 + kPathBlockChars, kPathBlockChars);
        return text.empty() ? block.AnsiField(8, kPathBlockChars) : text;
    }

    bool ExtraData() {
        // A block size below 4 ends the list; so does the end of the file.
        while (in_.Has(pos_, 4)) {
            uint32_t size = 0, signature = 0;
            in_.U32(pos_, size);
            if (size < 4) break;
            if (size < 8 || !in_.Has(pos_, size)) return Fail("extra data block runs past the end of the file");
            const Bytes block(in_.at(pos_), size);
            block.U32(4, signature);
            switch (signature) {
            case kEnvironmentBlock:
                if (size < kPathBlockSize) return Fail("environment block is too small");
                info_.environmentTarget = PathBlockText(block);
                break;
            case kDarwinBlock:
                if (size < kPathBlockSize) return Fail("Darwin block is too small");
                info_.isDarwin = true;
                info_.darwinData = PathBlockText(block);
                break;
            case kTrackerBlock:
                if (size < 0x60) return Fail("tracker block is too small");
                info_.trackerMachineId = block.AnsiField(16, 16);
                info_.hasTracker = true;
                std::memcpy(info_.trackerVolumeId.data(), block.at(32), 16);
                std::memcpy(info_.trackerObjectId.data(), block.at(48), 16);
                std::memcpy(info_.trackerBirthVolumeId.data(), block.at(64), 16);
                std::memcpy(info_.trackerBirthObjectId.data(), block.at(80), 16);
                break;
            case kSpecialFolderBlock:
                if (size < 0x10) return Fail("special folder block is too small");
                info_.hasSpecialFolder = true;
                block.U32(8, info_.specialFolderId);
                break;
            case kKnownFolderBlock:
                if (size < 0x1C) return Fail("known folder block is too small");
                info_.hasKnownFolder = true;
                break;
            case kPropertyStoreBlock:
                if (!info_.hasPropertyStore) {
                    info_.propertyStoreOffset = pos_ + 8;
                    info_.propertyStoreSize = size - 8;
                }
                info_.hasPropertyStore = true;
                break;
            default:
                break;  // console, shim, icon environment and others carry nothing we use
            }
            pos_ += size;
        }
        return true;
    }

    Bytes in_;
    size_t pos_ = 0;
    ShellLinkInfo info_;
};

}  // namespace

std::string ShellLinkInfo::LocalPath() const {
    if (localBasePath.empty()) return {};
    return localBasePath + commonPathSuffix;
}

std::string ShellLinkInfo::NetworkPath() const {
    if (netName.empty()) return {};
    std::string path = netName;
    if (!commonPathSuffix.empty()) AppendComponent(path, commonPathSuffix);
    return path;
}

ShellLinkInfo ParseShellLink(const unsigned char* data, size_t size) {
    if (!data) return {};
    return Parser(data, size).Run();
}

}  // namespace qm::lnk
