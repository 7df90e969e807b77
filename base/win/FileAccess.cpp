#include "base/win/FileAccess.h"

#include "base/win/Handle.h"
#include "base/win/LongPath.h"

#include <algorithm>

namespace qm {

bool PathExists(std::string_view path) { return ::GetFileAttributesW(FileApiPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(std::string_view path) {
    const DWORD attributes = ::GetFileAttributesW(FileApiPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathIsGone(std::string_view path) {
    if (PathExists(path)) return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::optional<std::string> ReadWholeFile(std::string_view path, std::size_t cap, DWORD flags) {
    FileHandle file(::CreateFileW(FileApiPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, flags, nullptr));
    if (!file) return std::nullopt;
    // The size is not asked first (under Wine each question is a round trip to the server, as
    // costly as the read): the buffer grows until the file ends, one byte past the cap telling
    // a file that is too large.
    std::string bytes(std::min<std::size_t>(cap + 1, 64 * 1024), '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (bytes.size() > cap) break;
            bytes.resize(std::min(bytes.size() * 2, cap + 1));
        }
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1u << 30));
        if (!::ReadFile(file.Get(), bytes.data() + got, wanted, &read, nullptr)) return std::nullopt;
        if (read == 0) break;
        got += read;
    }
    if (got > cap) return std::nullopt;
    bytes.resize(got);
    return bytes;
}

}  // namespace qm
