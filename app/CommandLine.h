// What the program's command line asks for: the wizard as usual (no arguments), or a scan of
// the folders after /scan, started at once (Explorer's "Find broken shortcuts here" runs
// QuillMend.exe /scan "%1"). Window-free; the splitting into arguments is the system's.
#pragma once

#include <string>
#include <vector>

namespace qm::app {

struct CommandLine {
    enum class Problem { None, NoFolder, UnknownArgument };
    // The folders to scan, in order: drive roots with their backslash ("C:\"), folders without
    // one. Empty: the wizard starts on its first page.
    std::vector<std::string> scanFolders;
    Problem problem = Problem::None;
    std::string argument;  // the argument that is not understood (UnknownArgument)
};

// `arguments` as split by the system's rules, without the program's own name. "/scan" is
// matched without regard to case. A quoted drive root ("C:\" in quotes, as Explorer passes
// one) reaches a program as C:" under those rules: it is taken for the root it meant.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace qm::app
