#include "controls/Placement.h"

#include <cstddef>

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

Extent FittedSize(Extent wanted, Extent minimum, const Box& workArea) noexcept {
    const auto fit = [](long value, long smallest, long largest) {
        if (value > largest) value = largest;
        return value < smallest ? smallest : value;
    };
    return {fit(wanted.width, minimum.width, workArea.Width()), fit(wanted.height, minimum.height, workArea.Height())};
}

Box Anchored(const Box& original, unsigned anchors, long dx, long dy) noexcept {
    Box moved = original;
    if (anchors & kAnchorRight) {
        moved.right += dx;
        if (!(anchors & kAnchorLeft)) moved.left += dx;
    }
    if (anchors & kAnchorBottom) {
        moved.bottom += dy;
        if (!(anchors & kAnchorTop)) moved.top += dy;
    }
    // A stretched control never turns inside out.
    if (moved.right < moved.left) moved.right = moved.left;
    if (moved.bottom < moved.top) moved.bottom = moved.top;
    return moved;
}

std::vector<long> SharedWidths(const std::vector<long>& widths, long total) {
    long sum = 0;
    for (long width : widths) sum += width;
    if (widths.empty() || sum <= 0) return widths;
    std::vector<long> shared;
    long given = 0;
    for (std::size_t i = 0; i + 1 < widths.size(); ++i) {
        long width = static_cast<long>(static_cast<long long>(widths[i]) * total / sum);
        if (width < 1) width = 1;
        shared.push_back(width);
        given += width;
    }
    const long last = total - given;
    shared.push_back(last < 1 ? 1 : last);
    return shared;
}

}  // namespace qm::controls
