// The fixed numbers of the shell-link format (MS-SHLLINK) that the reader and the editor share:
// the header's size and field offsets, the class identifiers, the link flags, the signatures of
// the extra data blocks and the shape of the environment-style blocks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::lnk::format {

// The header: its size, and where its fields lie.
inline constexpr uint32_t kHeaderSize = 0x4C;
inline constexpr size_t kLinkFlagsOffset = 0x14;
inline constexpr size_t kFileAttributesOffset = 0x18;
inline constexpr size_t kCreationTimeOffset = 0x1C;
inline constexpr size_t kAccessTimeOffset = 0x24;
inline constexpr size_t kWriteTimeOffset = 0x2C;
inline constexpr size_t kFileSizeOffset = 0x34;

// {00021401-0000-0000-C000-000000000046} as stored (little-endian fields).
inline constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// My Computer {20D04FE0-3AEA-1069-A2D8-08002B30309D} and Network {208D2C60-3AEA-1069-A2D7-08002B30309D}.
inline constexpr unsigned char kMyComputerClsid[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                       0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
inline constexpr unsigned char kNetworkClsid[16] = {0x60, 0x2C, 0x8D, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                    0xA2, 0xD7, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

enum LinkFlag : uint32_t {
    kHasLinkTargetIdList = 0x1,
    kHasLinkInfo = 0x2,
    kHasName = 0x4,
    kHasRelativePath = 0x8,
    kHasWorkingDir = 0x10,
    kHasArguments = 0x20,
    kHasIconLocation = 0x40,
    kIsUnicode = 0x80,
    kForceNoLinkInfo = 0x100,
    kHasExpString = 0x200,
    kHasExpIcon = 0x4000,
};

enum BlockSignature : uint32_t {
    kEnvironmentBlock = 0xA0000001,
    kConsoleBlock = 0xA0000002,
    kTrackerBlock = 0xA0000003,
    kConsoleFeBlock = 0xA0000004,
    kSpecialFolderBlock = 0xA0000005,
    kDarwinBlock = 0xA0000006,
    kIconEnvironmentBlock = 0xA0000007,
    kShimBlock = 0xA0000008,
    kPropertyStoreBlock = 0xA0000009,
    kKnownFolderBlock = 0xA000000B,
    kVistaIdListBlock = 0xA000000C,
};

// Environment-style blocks (environment, icon environment, Darwin): size, signature, 260 ANSI
// bytes, 260 UTF-16 units.
inline constexpr size_t kPathBlockSize = 0x314;
inline constexpr size_t kPathBlockChars = 260;

// The extension block of a file-entry shell item that holds its Unicode long name.
inline constexpr uint32_t kFileEntryExtensionSignature = 0xBEEF0004;

}  // namespace qm::lnk::format
