// The list-view wrapper on a real list view: what counts as ticked, and an image list the caller
// keeps is not destroyed by the list.
#include "controls/ListView.h"

#include "tests/controls/WindowTestKit.h"

#include <gtest/gtest.h>

namespace qm::controls {
namespace {

class ListViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&init);
    }
    testkit::ParentWindow parent_;
};

TEST_F(ListViewTest, OnlyARowShowingTheTickIsTicked) {
    const ListView list(parent_.AddChild(WC_LISTVIEWW, L"", 1, LVS_REPORT, 0, 0, 300, 150));
    list.AddExtendedStyle(LVS_EX_CHECKBOXES);
    ASSERT_TRUE(list.InsertColumn(0, "Name", 200));
    const struct {
        UINT stateImage;  // 0: no tick box image at all
        bool ticked;
    } cases[] = {{0, false}, {1, false}, {2, true}, {3, false}};
    for (const auto& c : cases) {
        const int row = list.InsertRow(list.Count(), "row " + std::to_string(c.stateImage));
        ASSERT_GE(row, 0);
        ListView_SetItemState(list.Window(), row, INDEXTOSTATEIMAGEMASK(c.stateImage), LVIS_STATEIMAGEMASK);
        EXPECT_EQ(list.IsTicked(row), c.ticked) << "state image " << c.stateImage;
    }
    list.SetTicked(0, true);
    EXPECT_TRUE(list.IsTicked(0));
    EXPECT_TRUE(ListView_GetCheckState(list.Window(), 0));
    list.SetTicked(2, false);
    EXPECT_FALSE(list.IsTicked(2));
    EXPECT_FALSE(ListView_GetCheckState(list.Window(), 2));
}

TEST_F(ListViewTest, AnImageListTheCallerKeepsOutlivesTheList) {
    ImageListHandle images(::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 0));
    for (int i = 0; i < 2; ++i) ::ImageList_AddIcon(images.Get(), ::LoadIconW(nullptr, IDI_APPLICATION));
    ASSERT_EQ(::ImageList_GetImageCount(images.Get()), 2);
    const HWND window = parent_.AddChild(WC_LISTVIEWW, L"", 2, LVS_REPORT, 0, 0, 300, 150);
    ListView(window).SetSmallImages(images.Get(), ImageListOwner::Caller);
    EXPECT_EQ(ListView_GetImageList(window, LVSIL_SMALL), images.Get());
    ::DestroyWindow(window);
    EXPECT_EQ(::ImageList_GetImageCount(images.Get()), 2) << "the list destroyed an image list it was only lent";
    EXPECT_TRUE(::ImageList_Destroy(images.Release()));
}

}  // namespace
}  // namespace qm::controls
