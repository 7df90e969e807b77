// A fresh folder under the system's temporary folder for the native tests that hand files to
// Debian's tools: mkdtemp gives it a name no other test or run uses at the same time, and it is
// removed with everything in it when it goes. (The Windows tests use TempFolder.h.)
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace qm::test {

class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& prefix = "qm-test") {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // Empty when the folder could not be made.
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace qm::test
