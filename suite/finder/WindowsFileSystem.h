// The rule's questions answered by Win32: existence checks, drive states, a time-bounded probe
// of network locations, environment variables.
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

private:
    uint32_t probeTimeoutMs_;
};

// A full path in the form the wide API takes for any length: "\\?\C:\a", "\\?\UNC\server\share".
std::wstring ToExtendedPath(const std::string& path);

}  // namespace qm::finder
