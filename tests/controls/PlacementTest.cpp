#include "controls/Placement.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qm::controls
