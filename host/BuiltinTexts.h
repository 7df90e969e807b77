// The program's own English texts: the shipped English language file, built into the program
// (host/CMakeLists.txt) and read with the language component's parser. They answer for every
// key that the language file lacks, so that no window or message shows a bare key, and they
// are the language of what is said before the language file is read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm::host {

// The built-in text of `key`; null for a key the program does not use.
const std::string* BuiltinText(std::string_view key);

// Every key with a built-in text, sorted.
const std::vector<std::string>& BuiltinKeys();

}  // namespace qm::host
