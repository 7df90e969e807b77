// The text rules of the folder macros and of a module's folder, without any system call.
#include "base/PathText.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

const MacroTable kMacros = {
    {"%AppData%", "C:\\Users\\Ann\\AppData\\Roaming"},
    {"%CommonAppData%", "C:\\ProgramData"},
    {"%LocalAppData%", "C:\\ProgramData"},
    {"%ModulePath%", "D:\\Suite\\QuillMend"},
    {"%TempDirectory%", "C:\\Temp"},
    {"%Windows%", "C:\\Windows"},
    {"%WindowsDirectory%", "C:\\Windows"},
};

TEST(ExpandMacros, ReplacesTheFirstOccurrenceOfEachKnownMacro) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"%ModulePath%\\lang\\English.lng", "D:\\Suite\\QuillMend\\lang\\English.lng"},
        {"%TEMPDIRECTORY%\\x", "C:\\Temp\\x"},
        {"%modulepath%", "D:\\Suite\\QuillMend"},
        {"a%AppData%b%AppData%c", "aC:\\Users\\Ann\\AppData\\Roamingb%AppData%c"},
        {"%LocalAppData%|%CommonAppData%", "C:\\ProgramData|C:\\ProgramData"},
        {"%ModulePath%;%Windows%;%TempDirectory%", "D:\\Suite\\QuillMend;C:\\Windows;C:\\Temp"},
        {"%Unknown%\\file", "%Unknown%\\file"},
        {"plain text", "plain text"},
        {"", ""},
        {"%ModulePath", "%ModulePath"},
        {"%WindowsDirectory%\\system.ini", "C:\\Windows\\system.ini"},
        // Non-ASCII text around a macro keeps its bytes and the match its position.
        {"\xC3\x84rger %ModulePath%\\\xE2\x82\xAC", "\xC3\x84rger D:\\Suite\\QuillMend\\\xE2\x82\xAC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExpandMacros(c.text, kMacros), c.expected) << c.text;
    }
}

TEST(ExpandMacros, FolderKeepsItsOwnCaseAndAnInsertedFolderIsNotExpandedAgain) {
    const MacroTable macros = {{"%AppData%", "X:\\%ModulePath%"}, {"%ModulePath%", "Y:\\Mixed\\Case"}};
    // %AppData% goes first; the %ModulePath% it brings in is then the first occurrence.
    EXPECT_EQ(ExpandMacros("%AppData%", macros), "X:\\Y:\\Mixed\\Case");
    EXPECT_EQ(ExpandMacros("%MODULEPATH%", macros), "Y:\\Mixed\\Case");
}

TEST(ModuleFolderOf, CutsAtTheLastSeparator) {
    const struct {
        const char* path;
        const char* folder;
    } cases[] = {
        {"C:\\Tools\\Suite\\app.exe", "C:\\Tools\\Suite"},
        {"C:\\app.exe", "C:"},
        {"\\\\server\\share\\Suite\\app.exe", "\\\\server\\share\\Suite"},
        {"\\\\server\\share\\app.exe", "\\\\server\\share"},
        {"\\\\?\\C:\\Very\\Long\\app.exe", "\\\\?\\C:\\Very\\Long"},
        {"C:app.exe", "C:"},
        {"app.exe", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ModuleFolderOf(c.path), c.folder) << c.path;
    }
}

TEST(WithoutTrailingBackslash, RemovesExactlyOne) {
    EXPECT_EQ(WithoutTrailingBackslash("C:\\Temp\\"), "C:\\Temp");
    EXPECT_EQ(WithoutTrailingBackslash("C:\\Temp\\\\"), "C:\\Temp\\");
    EXPECT_EQ(WithoutTrailingBackslash("C:\\Temp"), "C:\\Temp");
    EXPECT_EQ(WithoutTrailingBackslash(""), "");
}

TEST(WithoutNestedRoots, KeepsOnlyTheOutermostOfRootsInsideEachOther) {
    const struct {
        std::vector<std::string> roots;
        std::vector<std::string> kept;
    } cases[] = {
        {{"C:\\Users\\Ann\\Desktop", "C:\\"}, {"C:\\"}},
        {{"C:\\Users", "c:\\users\\ann\\desktop", "D:\\Data"}, {"C:\\Users", "D:\\Data"}},
        {{"C:\\Users\\Ann", "C:\\Users\\Anna", "C:\\Users\\An"}, {"C:\\Users\\Ann", "C:\\Users\\Anna", "C:\\Users\\An"}},
        {{"C:\\Data", "c:\\DATA\\", "C:\\Data\\Mail"}, {"C:\\Data"}},
        {{"\\\\server\\share\\x", "\\\\server\\share"}, {"\\\\server\\share"}},
        {{}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(WithoutNestedRoots(c.roots), c.kept) << c.roots.size();
}

}  // namespace
}  // namespace qm
