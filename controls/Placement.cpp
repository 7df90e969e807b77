#include "controls/Placement.h"

namespace qm::controls {

namespace {
long KeepInside(long start, long length, long areaStart, long areaEnd) noexcept {
    if (start < areaStart) return areaStart;
    if (start + length > areaEnd) return areaEnd - length < areaStart ? areaStart : areaEnd - length;
    return start;
}
}  // namespace

Position CentredInside(long width, long height, const Box& over, const Box& workArea) noexcept {
    const long x = over.left + (over.Width() - width) / 2;
    const long y = over.top + (over.Height() - height) / 2;
    return {KeepInside(x, width, workArea.left, workArea.right), KeepInside(y, height, workArea.top, workArea.bottom)};
}

}  // namespace qm::controls
