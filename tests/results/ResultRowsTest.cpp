// The results list's rows without a window: found by id and by path as they change, ids never
// used twice, a re-target and its undo shown in the row; the undo link's tally.
#include "results/ChangeTally.h"
#include "results/ResultRows.h"

#include "base/PathSplit.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm::results {
namespace {

wizard::BrokenShortcut Record(const std::string& folder, const std::string& name, const char* confidence = "") {
    wizard::BrokenShortcut record{name, folder, folder + "\\gone.exe", "TargetMissing"};
    record.goneKind = wizard::GoneKind::ItemNotInFolder;
    record.suggestion = *confidence ? folder + "\\new.exe" : "";
    record.confidence = wizard::ConfidenceOfName(confidence);
    return record;
}

std::vector<RowId> Sorted(std::vector<RowId> ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST(ResultRows, AreFoundByIdAndByPathAsTheyChange) {
    ResultRows rows;
    const RowId a = rows.Add(Record("C:\\L", "a.lnk"), "C:\\", "");
    const RowId twin = rows.Add(Record("C:\\L", "a.lnk"), "C:\\", "");  // the search reported it twice
    const RowId b = rows.Add(Record("C:\\L", "b.lnk"), "C:\\", "");
    EXPECT_NE(a, 0);
    EXPECT_EQ(Sorted(rows.WithPath("C:\\L\\a.lnk")), Sorted({a, twin}));
    EXPECT_EQ(rows.Find(b)->Path(), "C:\\L\\b.lnk");
    EXPECT_TRUE(rows.WithPath("C:\\L").empty());
    EXPECT_TRUE(rows.WithPath("C:\\L\\A.lnk").empty()) << "paths are compared byte for byte";

    rows.SetText(b, kFolderColumn, "D:\\M");
    EXPECT_TRUE(rows.WithPath("C:\\L\\b.lnk").empty());
    EXPECT_EQ(rows.WithPath("D:\\M\\b.lnk"), std::vector<RowId>{b});
    rows.SetText(b, kTargetFolderColumn, "E:\\");
    EXPECT_EQ(*rows.Text(b, kTargetFolderColumn), "E:\\");
    EXPECT_EQ(rows.Text(b, kColumnCount), nullptr);

    rows.Remove(a);
    EXPECT_EQ(rows.WithPath("C:\\L\\a.lnk"), std::vector<RowId>{twin});
    rows.Clear();
    EXPECT_EQ(rows.Size(), 0u);
    EXPECT_TRUE(rows.WithPath("C:\\L\\a.lnk").empty());
    const RowId next = rows.Add(Record("C:\\L", "c.lnk"), "", "");
    EXPECT_TRUE(next != a && next != twin && next != b) << "a stale id never finds a new row";
    EXPECT_EQ(rows.Find(a), nullptr);
}

TEST(ResultRows, ARetargetedRowSuggestsNothingUntilItIsBrokenAgain) {
    ResultRows rows;
    const wizard::BrokenShortcut certain = Record("C:\\L", "a.lnk", "Certain");
    const RowId id = rows.Add(certain, "C:\\L", certain.suggestion);
    rows.Add(Record("C:\\L", "p.lnk", "Possible"), "C:\\L", "");
    EXPECT_TRUE(rows.AnyCertainSuggestion());

    rows.ShowRetargeted(id, "D:\\found.exe", "D:");
    const ResultRow& row = *rows.Find(id);
    EXPECT_EQ(row.texts[kTargetFolderColumn], "D:");
    EXPECT_EQ(row.texts[kSuggestionColumn], "");
    EXPECT_EQ(row.record.target, "D:\\found.exe");
    EXPECT_EQ(row.record.goneKind, wizard::GoneKind::Retargeted);
    EXPECT_EQ(row.record.confidence, wizard::Confidence::None);
    EXPECT_FALSE(rows.AnyCertainSuggestion()) << "a possible suggestion is no certain one";

    rows.ShowBroken(id, certain, "C:\\L", "cell");
    EXPECT_EQ(rows.Find(id)->record.suggestion, certain.suggestion);
    EXPECT_EQ(rows.Find(id)->texts[kSuggestionColumn], "cell");
    EXPECT_TRUE(rows.AnyCertainSuggestion());
}

TEST(ResultRows, TheLocationNamesTheInnermostUsualPlaceOfTheShortcut) {
    const std::vector<UsualPlaceFolder> places = {
        {UsualPlace::Desktop, "C:\\Users\\Ann\\Desktop", "Desktop", "Desk"},
        {UsualPlace::StartMenu, "C:\\Users\\Ann\\Start Menu", "Start Menu", "Start"},
        {UsualPlace::Startup, "C:\\Users\\Ann\\Start Menu\\Programs\\Startup", "", "Startup"},
        {UsualPlace::Recent, "C:\\Users\\Ann\\Recent", "Recent", "Recent"},
    };
    const TextOfKey text = [](std::string_view key) { return "name of " + std::string(key); };
    const struct {
        const char* path;
        std::optional<UsualPlace> place;
    } cases[] = {
        {"C:\\Users\\Ann\\Desktop\\a.lnk", UsualPlace::Desktop},
        {"c:\\users\\ann\\desktop\\Sub\\a.url", UsualPlace::Desktop},
        {"C:\\Users\\Ann\\Start Menu\\Programs\\Startup\\a.lnk", UsualPlace::Startup},
        {"C:\\Users\\Ann\\Start Menu\\Programs\\a.lnk", UsualPlace::StartMenu},
        {"C:\\Users\\Ann\\Recent\\report.docx.lnk", UsualPlace::Recent},
        {"C:\\Users\\Ann\\Desktop2\\a.lnk", std::nullopt},
        {"D:\\Links\\a.lnk", std::nullopt},
    };
    ResultRows rows;
    for (const auto& c : cases) {
        const RowLocation location = LocationOf(places, c.path, text);
        EXPECT_EQ(location.place, c.place) << c.path;
        EXPECT_EQ(location.name, c.place ? "name of " + std::string(TraitsOf(*c.place).languageKey) : "") << c.path;
        const RowId id = rows.Add(Record(PathFolder(c.path), PathFileName(c.path)), "", "", location);
        EXPECT_EQ(rows.Find(id)->place, c.place) << c.path;
        EXPECT_EQ(*rows.Text(id, kLocationColumn), location.name) << c.path;
    }
}

TEST(ChangeTally, CountsEachKindInTheOrderFirstChanged) {
    const TextOfKey text = [](std::string_view key) -> std::string {
        if (key == "_QM_UndoLink") return "Undo: {changes}";
        if (key == "_QM_UndoDeleted") return "{count} deleted";
        if (key == "_QM_UndoRetargeted") return "{count} re-targeted";
        if (key == "_QM_UndoRestored") return "{count} restored";
        return "?";
    };
    ChangeTally tally;
    EXPECT_EQ(tally.LinkText(text), "");
    tally.Note(changes::ChangeAction::Delete, 0);
    EXPECT_TRUE(tally.Empty()) << "a batch that changed nothing is no change";
    tally.Note(changes::ChangeAction::Delete, 2);
    tally.Note(changes::ChangeAction::Retarget, 1);
    tally.Note(changes::ChangeAction::Undo, 3);
    tally.Note(changes::ChangeAction::Delete, 10);
    EXPECT_EQ(tally.LinkText(text), "Undo: 12 deleted, 1 re-targeted, 3 restored");
}

TEST(ResultRows, TheCoverageLineSaysWhatWasSearchedAndWhatTheIgnoreListLeftOut) {
    const TextOfKey text = [](std::string_view key) -> std::string {
        if (key == "_QM_Searched") return "{broken} of {checked} in {folders}.";
        if (key == "_QM_SearchedFolders") return "{broken} in {folders}.";
        if (key == "_QM_IgnoredLeftOut") return "Ignored: {count}";
        return "?";
    };
    const struct {
        wizard::ScanCoverage coverage;
        std::size_t broken, leftOut;
        const char* expected;
    } cases[] = {
        {{120, 4000}, 3, 0, "3 of 4000 in 120."},
        {{120, 4000}, 3, 2, "3 of 4000 in 120. Ignored: 2"},
        {{1, 0}, 0, 0, "0 of 0 in 1."},
        {{7, std::nullopt}, 2, 0, "2 in 7."},  // the finder could not count what it checked
        {{7, std::nullopt}, 2, 1, "2 in 7. Ignored: 1"},
    };
    for (const auto& c : cases) EXPECT_EQ(CoverageLine(c.coverage, c.broken, c.leftOut, text), c.expected);
}

}  // namespace
}  // namespace qm::results
