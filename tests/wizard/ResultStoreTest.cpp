// The result store without any window: order, clearing, duplicates.
#include "wizard/ResultStore.h"

#include <gtest/gtest.h>

#include <string>

namespace qm::wizard {
namespace {

BrokenShortcut Record(int i) {
    BrokenShortcut record;
    record.name = "s" + std::to_string(i) + ".lnk";
    record.folder = "C:\\f" + std::to_string(i);
    record.target = "C:\\gone" + std::to_string(i);
    record.reason = "TargetMissing";
    record.goneKind = "ItemNotInFolder";
    record.goneName = "gone" + std::to_string(i);
    record.goneFolder = "C:\\";
    record.suggestion = "C:\\moved\\gone" + std::to_string(i);
    record.confidence = i % 2 ? "Certain" : "Possible";
    record.targetIsFolder = i % 3 == 0;
    return record;
}

bool Same(const BrokenShortcut& a, const BrokenShortcut& b) {
    return a.name == b.name && a.folder == b.folder && a.target == b.target && a.reason == b.reason &&
           a.goneKind == b.goneKind && a.goneName == b.goneName && a.goneFolder == b.goneFolder &&
           a.suggestion == b.suggestion && a.confidence == b.confidence && a.targetIsFolder == b.targetIsFolder;
}

TEST(ResultStore, KeepsTheOrderOfAppendingAcrossGrowthAndKeepsDuplicates) {
    ResultStore store;
    EXPECT_EQ(store.Count(), 0u);
    // Far past any first capacity, so the array moves its records several times.
    for (int i = 0; i < 5000; ++i) store.Append(Record(i));
    store.Append(Record(7));
    store.Append(Record(7));
    ASSERT_EQ(store.Count(), 5002u);
    for (int i = 0; i < 5000; ++i) ASSERT_TRUE(Same(store.At(i), Record(i))) << i;
    EXPECT_TRUE(Same(store.At(5000), Record(7)));
    EXPECT_TRUE(Same(store.At(5001), store.At(5000)));
    EXPECT_THROW(store.At(5002), std::out_of_range);
}

TEST(ResultStore, ClearLeavesNoRecordOfAnEarlierScan) {
    ResultStore store;
    for (int i = 0; i < 100; ++i) store.Append(Record(i));
    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_THROW(store.At(0), std::out_of_range);
    // The second scan's records start at index 0 and nothing of the first shows through.
    store.Append(Record(500));
    ASSERT_EQ(store.Count(), 1u);
    EXPECT_TRUE(Same(store.At(0), Record(500)));
    EXPECT_THROW(store.At(1), std::out_of_range);
}

TEST(ResultStore, TheProcessWideStoreIsOneObject) {
    EXPECT_EQ(&TheResultStore(), &TheResultStore());
}

}  // namespace
}  // namespace qm::wizard
