// The last scan's findings without any window: the component's names for where a target went
// and how sure a suggestion is, and a record found by its full path.
#include "wizard/ResultStore.h"

#include <gtest/gtest.h>

namespace qm::wizard {
namespace {

TEST(ResultStore, TheComponentsNamesBecomeKindsAndConfidences) {
    const struct {
        const char* name;
        GoneKind kind;
    } kinds[] = {{"ItemNotInFolder", GoneKind::ItemNotInFolder}, {"FolderGone", GoneKind::FolderGone},
                 {"MissingOnShare", GoneKind::MissingOnShare},   {"", GoneKind::Unknown},
                 {"foldergone", GoneKind::Unknown},               {"Retargeted", GoneKind::Unknown}};
    for (const auto& k : kinds) EXPECT_EQ(GoneKindOfName(k.name), k.kind) << k.name;
    const struct {
        const char* name;
        Confidence confidence;
        const char* written;  // in a saved list
    } confidences[] = {{"Certain", Confidence::Certain, "Certain"},
                       {"Possible", Confidence::Possible, "Possible"},
                       {"", Confidence::None, ""},
                       {"certain", Confidence::None, ""}};  // never repaired without asking
    for (const auto& c : confidences) {
        EXPECT_EQ(ConfidenceOfName(c.name), c.confidence) << c.name;
        EXPECT_EQ(ConfidenceName(ConfidenceOfName(c.name)), c.written) << c.name;
    }
}

TEST(ResultStore, ARecordIsFoundByItsFullPathUntilTheNextScan) {
    ResultStore store;
    store.Append({"x.lnk", "C:\\Links", "C:\\gone.exe", "TargetMissing"});
    store.Append({"x.lnk", "C:", "C:\\first.exe", "TargetMissing"});
    store.Append({"x.lnk", "C:", "C:\\second.exe", "TargetMissing"});  // reported twice
    EXPECT_EQ(store.At(0).Path(), "C:\\Links\\x.lnk");
    EXPECT_EQ(store.At(1).Path(), "C:\\x.lnk");
    ASSERT_NE(store.Find("C:\\x.lnk"), nullptr);
    EXPECT_EQ(store.Find("C:\\x.lnk")->target, "C:\\first.exe");
    EXPECT_EQ(store.Find("C:\\Links\\x.lnk"), &store.At(0));
    for (const char* other : {"C:\\Links", "C:\\links\\x.lnk", "C:\\Links\\x.lnk\\", "x.lnk", ""})
        EXPECT_EQ(store.Find(other), nullptr) << other;
    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(store.Find("C:\\Links\\x.lnk"), nullptr);
}

}  // namespace
}  // namespace qm::wizard
