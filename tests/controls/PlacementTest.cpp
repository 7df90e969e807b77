#include "controls/Placement.h"

#include <gtest/gtest.h>

#include <vector>

namespace qm::controls {
namespace {

TEST(Placement, CentredOverOwnerAndKeptInsideTheWorkArea) {
    const Box work{0, 0, 1280, 984};
    struct Case {
        const char* name;
        long width, height;
        Box over;
        Position expected;
    } cases[] = {
        {"centred over the owner", 200, 100, {100, 100, 500, 400}, {200, 200}},
        {"centred in the work area", 200, 100, work, {540, 442}},
        {"owner near the left edge: left edge on the work area's", 400, 100, {-100, 100, 100, 300}, {0, 150}},
        {"owner near the top edge", 100, 400, {100, -50, 300, 50}, {150, 0}},
        {"owner near the right edge: right edge on the work area's", 400, 100, {1200, 100, 1400, 300}, {880, 150}},
        {"owner near the bottom edge", 100, 300, {100, 900, 300, 1100}, {150, 684}},
        {"larger than the work area keeps the left and top edges", 1500, 1100, work, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CentredInside(c.width, c.height, c.over, work), c.expected);
    }
    // A work area that does not start at the origin (a task bar at the top or left).
    const Box shifted{50, 40, 1280, 1024};
    EXPECT_EQ(CentredInside(200, 100, Box{0, 0, 100, 100}, shifted), (Position{50, 40}));
}

TEST(Placement, RememberedSizeIsNeverBelowTheMinimumNorBeyondTheWorkArea) {
    const Box work{0, 40, 1280, 1024};  // 1280 x 984
    const Extent minimum{665, 470};
    struct Case {
        const char* name;
        Extent wanted, expected;
    } cases[] = {
        {"fits as it is", {900, 600}, {900, 600}},
        {"smaller than the minimum", {300, 200}, minimum},
        {"nothing saved", {0, 0}, minimum},
        {"negative, written by hand", {-5, -900}, minimum},
        {"larger than the screen", {4000, 3000}, {1280, 984}},
        {"one side too large", {700, 5000}, {700, 984}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FittedSize(c.wanted, minimum, work), c.expected);
    }
    // A screen smaller than the window's content: the minimum wins.
    EXPECT_EQ(FittedSize({900, 600}, minimum, Box{0, 0, 640, 480}), (Extent{665, 480}));
}

TEST(Placement, AnchoredControlsFollowTheEdgesTheyKeepTheirDistanceTo) {
    const Box control{10, 20, 110, 70};
    struct Case {
        const char* name;
        unsigned anchors;
        long dx, dy;
        Box expected;
    } cases[] = {
        {"top left stays", kAnchorTopLeft, 50, 30, control},
        {"stretched both ways", kAnchorAll, 50, 30, {10, 20, 160, 100}},
        {"moved with the bottom right corner", kAnchorRight | kAnchorBottom, 50, 30, {60, 50, 160, 100}},
        {"stretched across, moved down", kAnchorLeft | kAnchorRight | kAnchorBottom, 50, 30, {10, 50, 160, 100}},
        {"stretched down, moved right", kAnchorTop | kAnchorBottom | kAnchorRight, 50, 30, {60, 20, 160, 100}},
        {"shrunk back", kAnchorAll, -20, -10, {10, 20, 90, 60}},
        {"never inside out", kAnchorAll, -500, -500, {10, 20, 10, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Box moved = Anchored(control, c.anchors, c.dx, c.dy);
        EXPECT_EQ((std::vector<long>{moved.left, moved.top, moved.right, moved.bottom}),
                  (std::vector<long>{c.expected.left, c.expected.top, c.expected.right, c.expected.bottom}));
    }
}

TEST(Placement, ColumnsShareANewWidthInTheirProportions) {
    struct Case {
        const char* name;
        std::vector<long> widths;
        long total;
        std::vector<long> expected;
    } cases[] = {
        {"doubled", {100, 200, 100}, 800, {200, 400, 200}},
        {"rounding goes to the last", {100, 100, 100}, 400, {133, 133, 134}},
        {"narrower", {300, 100}, 200, {150, 50}},
        {"no column below a pixel", {1, 1000}, 10, {1, 9}},
        {"nothing to share out", {0, 0}, 500, {0, 0}},
        {"no columns", {}, 500, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SharedWidths(c.widths, c.total), c.expected);
    }
}

}  // namespace
}  // namespace qm::controls
