// A small shell-link (.lnk) writer for test data and benchmark trees, put together from the
// structures of LinkBytes.h. The files it writes look like the shell's own (LinkInfo with a
// volume and a local path, network part, IDList of file-system items, Unicode string data,
// environment and Darwin blocks). Portable C++, no <windows.h>.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qm::lnkwriter {

struct LinkFields {
    // LinkInfo, volume part: the full local path is localBasePath followed by commonPathSuffix.
    std::string localBasePath;      // UTF-8, e.g. "C:\Program Files\App\app.exe"; empty: none
    uint32_t driveType = 3;         // DRIVE_FIXED
    uint32_t driveSerialNumber = 0x1C2B3A49;
    std::string volumeLabel;
    // LinkInfo, network part.
    std::string netName;            // "\\server\share"; empty: none
    std::string commonPathSuffix;
    // LinkTargetIDList: My Computer, the drive, one file-entry item per component.
    std::string idListPath;         // "C:\dir\file.exe"; empty: none
    bool idListControlPanel = false;  // a shell object with no file-system path instead
    // StringData (written as Unicode).
    std::string description, relativePath, workingDir, arguments, iconLocation;
    // Extra data.
    std::string environmentTarget;  // e.g. "%ProgramFiles%\App\app.exe"
    std::string darwinId;           // advertised installer shortcut when not empty
    bool forceNoLinkInfo = false;
    uint32_t targetAttributes = 0x20;  // FILE_ATTRIBUTE_ARCHIVE
    // Header: the target's last-write time (FILETIME; 0 keeps the fixed 2020-01-01 of the other
    // times) and size.
    uint64_t targetWriteTime = 0;
    uint32_t targetSize = 0;
    // TrackerDataBlock, written when trackerMachine is not empty.
    std::string trackerMachine;
    std::array<unsigned char, 16> trackerVolumeId{}, trackerObjectId{};
};

std::vector<unsigned char> BuildLink(const LinkFields& shape);

}  // namespace qm::lnkwriter
