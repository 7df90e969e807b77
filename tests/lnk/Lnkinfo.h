// Debian's lnkinfo (liblnk-utils) as an independent reader of shell-link files, for the native
// tests: runs it on one file and collects what it says of the link and its IDList items.
#pragma once

#include <cctype>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifndef QM_LNKINFO
#define QM_LNKINFO "lnkinfo"
#endif

namespace qm::lnk {

// Runs lnkinfo on one file without a shell (the names hold '$', quotes and spaces).
struct LnkinfoResult {
    int exitCode = -1;
    std::map<std::string, std::string> fields;  // "Local path" -> value, from "Link information:"
    std::vector<std::map<std::string, std::string>> shellItems;  // "Item type" -> "File entry", ...
    std::string text;  // the whole output
};

// The file-system path that lnkinfo's decoding of the IDList items gives, after the rule the
// reader follows: an optional My Computer or Network root, then a drive or a UNC share, then
// file entries by their long names.
inline std::string LnkinfoIdListPath(const LnkinfoResult& lnkinfo) {
    std::string path;
    bool rootSeen = false;
    for (size_t i = 0; i < lnkinfo.shellItems.size(); ++i) {
        auto item = lnkinfo.shellItems[i];
        const std::string type = item["Item type"];
        if (type == "Root folder" && i == 0 &&
            (item["Shell folder identifier"] == "20d04fe0-3aea-1069-a2d8-08002b30309d" ||
             item["Shell folder identifier"] == "208d2c60-3aea-1069-a2d7-08002b30309d")) {
            continue;
        } else if (type == "Volume" && !rootSeen) {
            const std::string& volume = item["Volume name"];
            if (volume.size() != 3 || volume[1] != ':' || volume[2] != '\\' || !std::isalpha(static_cast<unsigned char>(volume[0])))
                return {};
            path = volume;
            rootSeen = true;
        } else if (type == "Network location") {
            const std::string& location = item["Location"];
            if (location.size() > 2 && location.compare(0, 2, "\\\\") == 0) {
                path = location;
                rootSeen = true;
            } else if (rootSeen) {
                return {};
            }
        } else if (type == "File entry" && rootSeen) {
            const std::string name = item["Long name"].empty() ? item["Name"] : item["Long name"];
            if (name.empty()) return {};
            if (path.back() != '\\') path += '\\';
            path += name;
        } else {
            return {};
        }
    }
    return rootSeen ? path : std::string();
}

inline LnkinfoResult RunLnkinfo(const std::string& path) {
    LnkinfoResult result;
    int out[2];
    if (pipe(out) != 0) return result;
    pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        close(out[0]);
        close(out[1]);
        setenv("LC_ALL", "C.UTF-8", 1);
        execlp(QM_LNKINFO, QM_LNKINFO, path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.text = text;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(text);
    std::string section;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != '\t') section = line;
        const size_t depth = line.find_first_not_of('\t');
        const size_t colon = line.find(": ");
        if (depth == std::string::npos || depth == 0) continue;
        if (section == "Link target identifier:" && depth == 1 && line.compare(1, 11, "Shell item:") == 0) {
            result.shellItems.emplace_back();
            continue;
        }
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(depth, line.find('\t', depth) - depth);
        const std::string value = line.substr(colon + 2);
        if (section == "Link information:" && depth == 1)
            result.fields.emplace(key, value);
        else if (section == "Link target identifier:" && depth == 2 && !result.shellItems.empty())
            result.shellItems.back().emplace(key, value);  // the item's own lines and its extension blocks'
    }
    return result;
}

}  // namespace qm::lnk
