#include "suite/lnk/PropertyStore.h"

#include "base/Utf.h"
#include "suite/lnk/ByteFields.h"

#include <cstring>

namespace qm::lnk {
namespace {

using namespace bytes;

using Bytes = std::vector<unsigned char>;

constexpr uint32_t kStorageVersion = 0x53505331;  // "1SPS"
constexpr size_t kStorageHeaderSize = 24;        // size, version, format identifier
constexpr size_t kValueHeaderSize = 9;           // size, id or name size, a reserved byte

// A UTF-16 field of `units` code units, up to its first NUL.
std::string Utf16Text(const unsigned char* p, size_t units) {
    size_t length = 0;
    while (length < units && Get16(p + 2 * length) != 0) ++length;
    return Utf16LeBytesToUtf8(p, length);
}

// A text value as the shell writes one: type, padding, the count (characters for VT_LPWSTR,
// bytes for VT_BSTR, the NUL included), the UTF-16 text and its NUL, zeros to a multiple of 4.
Bytes TextValue(uint16_t type, const std::string& text) {
    const std::u16string wide = Utf8ToUtf16(text);
    Bytes value;
    Put16(value, type);
    Put16(value, 0);
    const size_t units = wide.size() + 1;
    Put32(value, static_cast<uint32_t>(type == kTypeBstr ? 2 * units : units));
    for (char16_t unit : wide) Put16(value, unit);
    Put16(value, 0);
    while (value.size() % 4) value.push_back(0);
    return value;
}

}  // namespace

std::optional<Bytes> RewritePropertyStore(const unsigned char* data, size_t size, const PropertyRewrite& rewrite) {
    if (!data) return std::nullopt;
    Bytes out;
    out.reserve(size);
    size_t pos = 0;
    for (;;) {
        if (size - pos < 4) return std::nullopt;
        const uint32_t storageSize = Get32(data + pos);
        if (storageSize == 0) break;  // the end of the store
        if (storageSize < kStorageHeaderSize + 4 || storageSize > size - pos || Get32(data + pos + 4) != kStorageVersion)
            return std::nullopt;
        const size_t end = pos + storageSize;
        const size_t storageStart = out.size();
        out.insert(out.end(), data + pos, data + pos + kStorageHeaderSize);
        StoredProperty property;
        std::memcpy(property.format.data(), data + pos + 8, property.format.size());
        const bool named = property.format == kStringNamedFormat;
        size_t at = pos + kStorageHeaderSize;
        for (;;) {
            if (end - at < 4) return std::nullopt;
            const unsigned char* value = data + at;
            const uint32_t valueSize = Get32(value);
            if (valueSize == 0) break;  // the end of the storage
            if (valueSize > end - at || valueSize < kValueHeaderSize) return std::nullopt;
            size_t head = kValueHeaderSize;
            if (named) {
                const uint32_t nameSize = Get32(value + 4);
                if (nameSize > valueSize - head || nameSize % 2) return std::nullopt;
                property.name = Utf16Text(value + head, nameSize / 2);
                head += nameSize;
            } else {
                property.id = Get32(value + 4);
            }
            if (valueSize - head < 4) return std::nullopt;  // type and padding
            property.type = static_cast<uint16_t>(Get16(value + head));
            property.isText = property.type == kTypeLpwstr || property.type == kTypeBstr;
            property.text.clear();
            if (property.isText) {
                if (valueSize - head < 8) return std::nullopt;
                const uint64_t count = Get32(value + head + 4);
                const uint64_t bytes = property.type == kTypeLpwstr ? 2 * count : count;
                if (bytes > valueSize - head - 8 || bytes % 2) return std::nullopt;
                property.text = Utf16Text(value + head + 8, static_cast<size_t>(bytes / 2));
            }
            const std::optional<std::string> text = rewrite ? rewrite(property) : std::nullopt;
            if (text && property.isText) {
                const size_t valueStart = out.size();
                out.insert(out.end(), value, value + head);
                const Bytes fresh = TextValue(property.type, *text);
                out.insert(out.end(), fresh.begin(), fresh.end());
                Set32(out, valueStart, out.size() - valueStart);
            } else {
                out.insert(out.end(), value, value + valueSize);
            }
            at += valueSize;
        }
        out.insert(out.end(), data + at, data + end);  // the storage's end mark and anything after it
        Set32(out, storageStart, out.size() - storageStart);
        pos = end;
    }
    out.insert(out.end(), data + pos, data + size);  // the store's end mark and anything after it
    return out;
}

std::optional<std::vector<StoredProperty>> ReadPropertyStore(const unsigned char* data, size_t size) {
    std::vector<StoredProperty> properties;
    const auto collect = [&](const StoredProperty& property) -> std::optional<std::string> {
        properties.push_back(property);
        return std::nullopt;
    };
    if (!RewritePropertyStore(data, size, collect)) return std::nullopt;
    return properties;
}

}  // namespace qm::lnk
