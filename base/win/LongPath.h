// Wide forms of UTF-8 paths for the file API: a full path long enough to hit MAX_PATH gets the
// extended-length prefix ("\\?\C:\..." or "\\?\UNC\server\share\..."), so such paths work with
// every W call that takes them. Shorter paths pass as they are.
#pragma once

#include "base/Utf.h"

#include <string>
#include <string_view>

namespace qm {

inline std::wstring FileApiPath(std::string_view path) {
    std::wstring wide = Widen(path);
    if (wide.size() < 248 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;  // 248: CreateDirectory's limit
    if (wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\') return L"\\\\?\\" + wide;
    if (wide.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + wide.substr(2);
    return wide;
}

}  // namespace qm
