#include "app/CommandLine.h"

#include "base/Text.h"

namespace qm::app {
namespace {

// "C:" and C:" (a quoted "C:\") are the drive's root; a folder loses its trailing backslashes.
std::string FolderArgument(std::string folder) {
    if (!folder.empty() && folder.back() == '"') folder.back() = '\\';
    while (folder.size() > 1 && folder.back() == '\\' && folder[folder.size() - 2] != ':') folder.pop_back();
    if (folder.size() == 2 && folder[1] == ':' && IsAsciiLetter(folder[0])) folder += '\\';
    return folder;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine parsed;
    if (arguments.empty()) return parsed;
    if (!EqualsIgnoringAsciiCase(arguments.front(), "/scan")) {
        parsed.problem = CommandLine::Problem::UnknownArgument;
        parsed.argument = arguments.front();
        return parsed;
    }
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.empty()) continue;  // "" names no folder
        if (argument.front() == '/') {
            parsed.problem = CommandLine::Problem::UnknownArgument;
            parsed.argument = argument;
            parsed.scanFolders.clear();
            return parsed;
        }
        parsed.scanFolders.push_back(FolderArgument(argument));
    }
    if (parsed.scanFolders.empty()) parsed.problem = CommandLine::Problem::NoFolder;
    return parsed;
}

}  // namespace qm::app
