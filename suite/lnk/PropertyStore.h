// The property store a shell link may carry (its PropertyStoreDataBlock: a serialized property
// store after MS-PROPSTORE, each value a typed property value after MS-OLEPS). The shell keeps
// there what it knows of the link and its target: the application identity of a pinned item
// (System.AppUserModel.ID), the target's parsing path, folder and name. Pure C++ over a byte
// buffer, no <windows.h>; every read is bounds-checked, and a store that is not well-formed is
// refused as a whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm::lnk {

using FormatId = std::array<unsigned char, 16>;  // a GUID as stored (little-endian fields)

// Format identifiers of the properties the editor looks at.
// System.AppUserModel.* {9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3}: the application's identity.
inline constexpr FormatId kAppUserModelFormat = {0x55, 0x28, 0x4C, 0x9F, 0x79, 0x9F, 0x39, 0x4B,
                                                 0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5, 0xF3};
// {B725F130-47EF-101A-A5F1-02608C9EEBAC}: id 10 is System.ItemNameDisplay.
inline constexpr FormatId kStorageFormat = {0x30, 0xF1, 0x25, 0xB7, 0xEF, 0x47, 0x1A, 0x10,
                                            0xA5, 0xF1, 0x02, 0x60, 0x8C, 0x9E, 0xEB, 0xAC};
inline constexpr uint32_t kItemNameDisplayId = 10;
// {E3E0584C-B788-4A5A-BB20-7F5A44C9ACDD}: id 6 is System.ItemFolderPathDisplay.
inline constexpr FormatId kItemFolderFormat = {0x4C, 0x58, 0xE0, 0xE3, 0x88, 0xB7, 0x5A, 0x4A,
                                               0xBB, 0x20, 0x7F, 0x5A, 0x44, 0xC9, 0xAC, 0xDD};
inline constexpr uint32_t kItemFolderPathDisplayId = 6;

// The storage whose values are named by strings rather than numbers.
inline constexpr FormatId kStringNamedFormat = {0x05, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                                0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};

inline constexpr uint16_t kTypeBstr = 0x0008;    // byte count, UTF-16 text
inline constexpr uint16_t kTypeLpwstr = 0x001F;  // character count, UTF-16 text

// One value of the store.
struct StoredProperty {
    FormatId format{};
    uint32_t id = 0;    // the value's number (storages other than the string-named one)
    std::string name;   // the value's name (the string-named storage), UTF-8
    uint16_t type = 0;  // VARTYPE
    bool isText = false;  // VT_LPWSTR or VT_BSTR: `text` holds it, UTF-8, up to its first NUL
    std::string text;
};

// The values of a serialized store (the block's bytes after its size and signature); nullopt
// when it is not well-formed.
std::optional<std::vector<StoredProperty>> ReadPropertyStore(const unsigned char* data, size_t size);

// The same store with new texts for the text values that `rewrite` (asked about every value, in
// order) answers one for: those values are written anew (in their own type, padded as the format asks), the sizes around them follow,
// and every other byte stays as it was. nullopt when the store is not well-formed.
using PropertyRewrite = std::function<std::optional<std::string>(const StoredProperty&)>;
std::optional<std::vector<unsigned char>> RewritePropertyStore(const unsigned char* data, size_t size,
                                                               const PropertyRewrite& rewrite);

}  // namespace qm::lnk
