// What the program makes of its arguments: the wizard, a scan of folders, or a clear refusal.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace qm::app {
namespace {

using Args = std::vector<std::string>;
using Problem = CommandLine::Problem;

TEST(CommandLine, ArgumentsGiveTheWizardAScanOrAProblem) {
    const struct {
        Args arguments;
        Args folders;
        Problem problem;
        const char* argument;
    } cases[] = {
        {{}, {}, Problem::None, ""},
        {{"/scan", "C:\\Users\\Ann\\Desktop", "D:\\Data\\"}, {"C:\\Users\\Ann\\Desktop", "D:\\Data"}, Problem::None, ""},
        {{"/SCAN", "\\\\server\\share\\"}, {"\\\\server\\share"}, Problem::None, ""},
        // A drive's root as Explorer quotes it ("D:\" arrives as D:"), bare, or with its backslash.
        {{"/scan", "D:\"", "e:", "F:\\"}, {"D:\\", "e:\\", "F:\\"}, Problem::None, ""},
        {{"/scan", "C:\\Data\\\\"}, {"C:\\Data"}, Problem::None, ""},
        {{"/scan"}, {}, Problem::NoFolder, ""},
        {{"/scan", ""}, {}, Problem::NoFolder, ""},
        {{"C:\\Data"}, {}, Problem::UnknownArgument, "C:\\Data"},
        {{"/scan", "C:\\Data", "/quiet"}, {}, Problem::UnknownArgument, "/quiet"},
        {{"/?"}, {}, Problem::UnknownArgument, "/?"},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = ParseCommandLine(c.arguments);
        const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.back();
        EXPECT_EQ(parsed.scanFolders, c.folders) << shown;
        EXPECT_EQ(parsed.problem, c.problem) << shown;
        EXPECT_EQ(parsed.argument, c.argument) << shown;
    }
}

}  // namespace
}  // namespace qm::app
