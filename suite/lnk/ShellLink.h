// Shell-link (.lnk) reader after Microsoft's public MS-SHLLINK document: pure C++ over a byte
// buffer, no <windows.h>. Every offset and size is checked against the buffer; a hostile file
// gives ParseStatus::Malformed, never a read outside the buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qm::lnk {

// The reader never looks at more than this many bytes of a file.
inline constexpr size_t kMaxLinkFileSize = 1u << 20;

enum class ParseStatus {
    Ok,            // a shell link; the fields below are filled as far as the file has them
    NotShellLink,  // wrong header size or class identifier: some other file named .lnk
    Malformed,     // a shell-link header, but a structure runs past the end or is inconsistent;
                   // the fields read before the fault stay filled, for messages only
};

// What a link says of its target. All text is UTF-8 (Unicode variants preferred over ANSI ones;
// ANSI text is taken as Windows-1252, the code page of nearly every real file: a link keeps no
// record of the code page it was written in). Text ends at its first NUL.
struct ShellLinkInfo {
    ParseStatus status = ParseStatus::NotShellLink;
    std::string error;  // for Malformed: which structure was bad, for messages and tests

    uint32_t linkFlags = 0;
    uint32_t fileAttributes = 0;  // the target's attributes when the link was made
    // The target's times (FILETIME: 100 ns units since 1601, UTC) and size when the link was
    // made or last resolved; 0 where the writer left them out.
    uint64_t creationTime = 0, accessTime = 0, writeTime = 0;
    uint32_t fileSize = 0;  // the low 32 bits of the size

    // LinkInfo.
    bool hasLinkInfo = false;
    bool hasVolumeId = false;       // VolumeIDAndLocalBasePath
    uint32_t driveType = 0;         // DRIVE_* value recorded in the VolumeID
    uint32_t driveSerialNumber = 0;
    std::string volumeLabel;
    std::string localBasePath;      // e.g. "C:\Program Files\App\app.exe" or "C:\Program Files\"
    // The base path came from the ANSI field and holds bytes above 0x7F: decoded as Windows-1252,
    // it is wrong for links made under another code page (the IDList path, when there is one, is
    // Unicode and therefore the better name of the target then).
    bool localBasePathIsLossy = false;
    bool hasNetwork = false;        // CommonNetworkRelativeLinkAndPathSuffix
    std::string netName;            // e.g. "\\server\share"
    bool netNameIsLossy = false;    // as localBasePathIsLossy, for the net name
    std::string deviceName;         // e.g. "Z:"
    std::string commonPathSuffix;
    bool commonPathSuffixIsLossy = false;  // as localBasePathIsLossy, for the suffix

    // StringData.
    std::string name;               // description
    std::string relativePath;
    std::string workingDir;
    std::string arguments;
    std::string iconLocation;

    // LinkTargetIDList: a file-system path derived from its items, when they form one (a drive
    // item followed by file and folder items); empty for shell objects without a path.
    bool hasIdList = false;
    std::string idListPath;
    bool idListIsFileSystem = false;  // the list names a drive, UNC share or file-system folder
    // Some name in the path came from an item's ANSI text with bytes above 0x7F (no Unicode
    // long name beside it): that part of the path may be wrong, as with localBasePathIsLossy.
    bool idListPathIsLossy = false;

    // Extra data blocks.
    std::string environmentTarget;  // EnvironmentVariableDataBlock, not yet expanded
    bool isDarwin = false;          // advertised installer shortcut
    std::string darwinData;
    bool hasKnownFolder = false;
    bool hasSpecialFolder = false;
    uint32_t specialFolderId = 0;   // CSIDL
    // Distributed link tracking (TrackerDataBlock): the NetBIOS name of the machine the target
    // was last seen on, and the volume and object identifiers (GUIDs as stored) of the target
    // now and at its creation.
    std::string trackerMachineId;
    bool hasTracker = false;
    using Guid = std::array<unsigned char, 16>;
    Guid trackerVolumeId{}, trackerObjectId{}, trackerBirthVolumeId{}, trackerBirthObjectId{};
    bool hasPropertyStore = false;
    // Where the first property-store block's serialized store lies in the file (see PropertyStore.h).
    size_t propertyStoreOffset = 0, propertyStoreSize = 0;

    // LinkInfo's local path: base path followed by the common path suffix.
    std::string LocalPath() const;
    // LinkInfo's network path: net name, a backslash where needed, the common path suffix.
    std::string NetworkPath() const;
};

ShellLinkInfo ParseShellLink(const unsigned char* data, size_t size);

}  // namespace qm::lnk
