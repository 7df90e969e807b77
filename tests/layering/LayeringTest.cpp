// The floors of the source tree, as README.md draws them: a folder includes only itself and
// the folders below it, the pages never include each other, and base/ stays free of window
// headers outside base/win/. Read straight from the source tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = QM_SOURCE_DIR;

// Folder (relative to the source root) to the folders its files may include besides their own:
// a top-level folder, or one folder inside it ("suite/lnk"). The most specific folder of a file
// decides (scan/cli before scan).
const std::map<std::string, std::set<std::string>> kMayInclude = {
    {"base", {}},
    {"suite", {"base"}},
    // The built-in English texts are read with the language component's own parser.
    {"host", {"base", "suite/include", "suite/text"}},
    {"controls", {"base"}},
    {"ui", {"base", "host", "controls"}},
    {"wizard", {"base"}},
    // Changes to shortcut files and their undo act on the files with the portable shell-link
    // reader and editor of suite/lnk (linked into the program; no other part of the DLL).
    {"changes", {"base", "suite/lnk"}},
    {"help", {"base", "host", "controls", "ui", "res"}},
    {"folders", {"base", "host", "controls", "ui", "wizard", "help", "res"}},
    {"scan", {"base", "host", "controls", "ui", "wizard", "help", "res"}},
    {"scan/cli", {"base", "host"}},
    {"results", {"base", "host", "controls", "ui", "wizard", "changes", "help", "res"}},
    {"app", {"base", "host", "controls", "ui", "wizard", "changes", "help", "res", "folders", "scan", "results"}},
};

struct Include {
    fs::path file;
    std::string target;  // as written between the quotes
};

bool IsSource(const fs::path& path) {
    const std::string extension = path.extension().string();
    return extension == ".h" || extension == ".cpp" || extension == ".rc";
}

std::vector<Include> QuotedIncludes(const fs::path& file) {
    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<Include> found;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        std::smatch match;
        if (std::regex_search(line, match, include)) found.push_back({file, match[1].str()});
    }
    return found;
}

// The rule that governs `file`: the longest folder of the table its path starts with.
const std::pair<const std::string, std::set<std::string>>* RuleFor(const fs::path& relative) {
    const std::pair<const std::string, std::set<std::string>>* best = nullptr;
    for (const auto& rule : kMayInclude) {
        const std::string path = relative.generic_string();
        if (path.rfind(rule.first + "/", 0) == 0 && (!best || rule.first.size() > best->first.size())) best = &rule;
    }
    return best;
}

// The include's top-level folder, or empty for an include beside the file ("Ids.h").
std::string TopFolder(const std::string& target) {
    const size_t slash = target.find('/');
    return slash == std::string::npos ? std::string() : target.substr(0, slash);
}

// Every include that breaks its folder's rule, as "file: target".
std::vector<std::string> Violations() {
    std::vector<std::string> broken;
    std::set<std::string> folders;
    for (const auto& rule : kMayInclude) folders.insert(TopFolder(rule.first + "/"));
    for (const std::string& top : folders) {
        for (const auto& entry : fs::recursive_directory_iterator(kSource / top)) {
            if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
            const fs::path relative = fs::relative(entry.path(), kSource);
            const auto* rule = RuleFor(relative);
            for (const Include& include : QuotedIncludes(entry.path())) {
                const std::string target = TopFolder(include.target);
                if (target.empty() || target == top) continue;
                const auto allowed = [&](const std::string& folder) {
                    return folder == target || include.target.rfind(folder + "/", 0) == 0;
                };
                if (std::none_of(rule->second.begin(), rule->second.end(), allowed))
                    broken.push_back(relative.generic_string() + ": " + include.target);
            }
        }
    }
    return broken;
}

TEST(Layering, EveryIncludePointsDownToAFolderBelow) {
    ASSERT_TRUE(fs::is_directory(kSource / "app")) << kSource;
    const std::vector<std::string> broken = Violations();
    EXPECT_TRUE(broken.empty()) << ::testing::PrintToString(broken);
}

TEST(Layering, BaseNeedsNoWindowHeadersOutsideItsWin32Owners) {
    static const std::regex windowHeader(R"(^\s*#\s*include\s*<(windows|commctrl|prsht|shlobj)\.h>)",
                                         std::regex::icase);
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(kSource / "base")) {
        if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
        const fs::path relative = fs::relative(entry.path(), kSource);
        if (relative.generic_string().rfind("base/win/", 0) == 0) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (std::regex_search(line, windowHeader)) found.push_back(relative.generic_string());
        }
    }
    EXPECT_TRUE(found.empty()) << ::testing::PrintToString(found);
}

}  // namespace
