// What the results page says about a broken shortcut's target: the placeholders, the reason for
// each kind of gone target, the marking of a mere possibility.
#include "results/TargetExplanation.h"

#include <gtest/gtest.h>

#include <map>

namespace qm::results {
namespace {

// The English texts' shape, with the key in each so that a wrong key shows.
std::string Text(std::string_view key) {
    static const std::map<std::string_view, std::string> texts = {
        {"_QM_SugFileNotInFolder", "file {name} not in {folder}"},
        {"_QM_SugFolderNotInFolder", "folder {name} not in {folder}"},
        {"_QM_SugFolderGone", "folder {folder} gone"},
        {"_QM_SugFileMissingOnShare", "file {name} missing on {folder}"},
        {"_QM_SugFolderMissingOnShare", "folder {name} missing on {folder}"},
        {"_QM_SugTargetGone", "{target} gone"},
        {"_QM_SugRetargeted", "now opens {target}"},
        {"_QM_SugPossibleCell", "{target} (possible)"},
        {"_QM_SugFoundCertain", "Now at {target}."},
        {"_QM_SugFoundPossible", "Maybe {target}."},
        {"_QM_RecentExplained", "Recent: harmless."},
    };
    const auto found = texts.find(key);
    return found == texts.end() ? std::string("?").append(key) : found->second;
}

// The kind by the component's name for it, as the scan page takes it over.
wizard::BrokenShortcut Record(std::string_view kind, bool folder = false) {
    wizard::BrokenShortcut record;
    record.name = "App.lnk";
    record.folder = "C:\\Links";
    record.target = "C:\\Tools\\App 1.2\\app.exe";
    record.reason = "TargetMissing";
    record.goneKind = wizard::GoneKindOfName(kind);
    record.goneName = "app.exe";
    record.goneFolder = "C:\\Tools\\App 1.2";
    record.targetIsFolder = folder;
    return record;
}

TEST(TargetExplanation, PlaceholdersAreFilledInOnePassAndUnknownOnesStay) {
    EXPECT_EQ(FillPlaceholders("{a} and {b}", {{"a", "1"}, {"b", "2"}}), "1 and 2");
    EXPECT_EQ(FillPlaceholders("{a}{a}", {{"a", "x"}}), "xx");
    // Braces are allowed in file names: a value is never searched for placeholders again.
    EXPECT_EQ(FillPlaceholders("in {folder}: {name}", {{"folder", "C:\\{name}"}, {"name", "a.exe"}}), "in C:\\{name}: a.exe");
    EXPECT_EQ(FillPlaceholders("{unknown} {a", {{"a", "x"}}), "{unknown} {a");
    EXPECT_EQ(FillPlaceholders("{", {}), "{");
    EXPECT_EQ(FillPlaceholders("", {{"a", "x"}}), "");
    EXPECT_EQ(FillPlaceholders("no placeholder", {{"a", "x"}}), "no placeholder");
}

TEST(TargetExplanation, EachKindOfGoneTargetHasItsOwnWords) {
    EXPECT_EQ(ExplainGoneTarget(Record("ItemNotInFolder"), Text), "file app.exe not in C:\\Tools\\App 1.2");
    EXPECT_EQ(ExplainGoneTarget(Record("ItemNotInFolder", true), Text), "folder app.exe not in C:\\Tools\\App 1.2");
    EXPECT_EQ(ExplainGoneTarget(Record("FolderGone"), Text), "folder C:\\Tools\\App 1.2 gone");
    wizard::BrokenShortcut share = Record("MissingOnShare");
    share.goneFolder = "\\\\server\\share";
    EXPECT_EQ(ExplainGoneTarget(share, Text), "file app.exe missing on \\\\server\\share");
    share.targetIsFolder = true;
    EXPECT_EQ(ExplainGoneTarget(share, Text), "folder app.exe missing on \\\\server\\share");
    // The search for moved targets did not run (stopped, failed): the missing target says it.
    EXPECT_EQ(ExplainGoneTarget(Record(""), Text), "C:\\Tools\\App 1.2\\app.exe gone");
    wizard::BrokenShortcut nothing = Record("");
    nothing.target.clear();
    EXPECT_EQ(ExplainGoneTarget(nothing, Text), "");
    EXPECT_EQ(ExplanationLine(nothing, Text), "");
    // Re-targeted on the page: the new target is there, so it is never called gone.
    wizard::BrokenShortcut retargeted = Record("");
    retargeted.goneKind = wizard::GoneKind::Retargeted;
    retargeted.target = "D:\\New\\app.exe";
    EXPECT_EQ(ExplanationLine(retargeted, Text), "now opens D:\\New\\app.exe");
}

TEST(TargetExplanation, APossibleSuggestionIsMarkedAndNeverCountsAsCertain) {
    wizard::BrokenShortcut record = Record("ItemNotInFolder");
    EXPECT_EQ(SuggestionCell(record, Text), "");
    EXPECT_EQ(ExplanationLine(record, Text), "file app.exe not in C:\\Tools\\App 1.2");
    EXPECT_FALSE(HasCertainSuggestion(record));

    record.suggestion = "C:\\Tools\\App 1.3\\app.exe";
    record.confidence = wizard::ConfidenceOfName("Certain");
    EXPECT_TRUE(HasCertainSuggestion(record));
    EXPECT_EQ(SuggestionCell(record, Text), "C:\\Tools\\App 1.3\\app.exe");
    EXPECT_EQ(ExplanationLine(record, Text), "file app.exe not in C:\\Tools\\App 1.2 Now at C:\\Tools\\App 1.3\\app.exe.");

    for (const char* confidence : {"Possible", "", "certain", "Unknown"}) {
        record.confidence = wizard::ConfidenceOfName(confidence);
        EXPECT_FALSE(HasCertainSuggestion(record)) << confidence;
        EXPECT_EQ(SuggestionCell(record, Text), "C:\\Tools\\App 1.3\\app.exe (possible)") << confidence;
        EXPECT_EQ(ExplanationLine(record, Text), "file app.exe not in C:\\Tools\\App 1.2 Maybe C:\\Tools\\App 1.3\\app.exe.")
            << confidence;
    }
    // A confidence with no suggestion offers nothing.
    record.suggestion.clear();
    record.confidence = wizard::Confidence::Certain;
    EXPECT_FALSE(HasCertainSuggestion(record));
    EXPECT_EQ(SuggestionCell(record, Text), "");
}

TEST(TargetExplanation, AShortcutInRecentItemsIsSaidToBeHarmlessToDelete) {
    wizard::BrokenShortcut moved = Record("ItemNotInFolder");
    moved.suggestion = "D:\\app.exe";
    moved.confidence = wizard::Confidence::Certain;
    wizard::BrokenShortcut bare = Record("");
    bare.target.clear();
    const struct {
        const wizard::BrokenShortcut& record;
        std::optional<UsualPlace> place;
        const char* line;
    } cases[] = {
        {moved, UsualPlace::Recent, "Recent: harmless. file app.exe not in C:\\Tools\\App 1.2 Now at D:\\app.exe."},
        {bare, UsualPlace::Recent, "Recent: harmless."},
        {moved, UsualPlace::Desktop, "file app.exe not in C:\\Tools\\App 1.2 Now at D:\\app.exe."},
        {bare, std::nullopt, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ExplanationLine(c.record, Text, c.place), c.line) << c.line;
}

}  // namespace
}  // namespace qm::results
