// The rule's questions answered by Win32: existence checks, drive states, a time-bounded probe
// of network locations, environment variables; and for the search for moved targets, listings,
// item details and the file of an object identifier.
#pragma once

#include "suite/finder/BrokenRule.h"

#include <cstdint>
#include <string>

namespace qm::finder {

class WindowsFileSystem final : public FileSystem {
public:
    explicit WindowsFileSystem(uint32_t probeTimeoutMs) : probeTimeoutMs_(probeTimeoutMs) {}

    Presence Probe(const std::string& path) override;
    DriveState Drive(char letter) override;
    bool Answers(const std::string& location) override;
    std::optional<std::string> EnvironmentVariable(const std::string& name) override;
    bool ListFolder(const std::string& path, std::vector<FolderEntry>& entries) override;
    std::optional<ItemDetails> Details(const std::string& path) override;
    // Only where the system really opens files by object identifier: never under Wine, whose
    // OpenFileById takes the first eight bytes of any identifier for a file number and could
    // open an unrelated file.
    std::optional<std::string> PathOfObject(const lnk::ShellLinkInfo::Guid& objectId) override;

private:
    uint32_t probeTimeoutMs_;
};

// A full path in the form the wide API takes for any length: "\\?\C:\a", "\\?\UNC\server\share".
std::wstring ToExtendedPath(const std::string& path);

}  // namespace qm::finder
