#include "folders/TickImages.h"

#include <windows.h>
#include <commctrl.h>

#include <cmath>

namespace qm::folders {
namespace {

constexpr COLORREF kTransparent = RGB(255, 255, 255);
constexpr COLORREF kFrame = RGB(0x4B, 0x53, 0x5C);
constexpr COLORREF kPartlyTicked = RGB(0x8A, 0x90, 0x96);
constexpr COLORREF kTicked = RGB(0x1F, 0x9A, 0x3A);
// The pictures are laid out on a cell of 18 units.
constexpr double kCellUnits = 18.0;

// One cell at `left`: the box, and the tick in `tick` unless it is the transparent colour.
void DrawCell(HDC dc, int left, int pixels, COLORREF tick) {
    const double unit = pixels / kCellUnits;
    const auto at = [unit](double units) { return static_cast<int>(std::lround(units * unit)); };
    const int frameWidth = at(1) < 1 ? 1 : at(1);
    {
        GdiObject pen(::CreatePen(PS_SOLID | PS_INSIDEFRAME, frameWidth, kFrame));
        SelectObjectScope selectPen(dc, pen.Get());
        SelectObjectScope selectBrush(dc, ::GetStockObject(WHITE_BRUSH));
        ::Rectangle(dc, left + at(2), at(3), left + at(16), at(17));
    }
    if (tick == kTransparent) return;
    LOGBRUSH brush{BS_SOLID, tick, 0};
    GdiObject pen(::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, at(2) < 1 ? 1 : at(2), &brush, 0, nullptr));
    SelectObjectScope selectPen(dc, pen.Get());
    const POINT stroke[] = {{left + at(5), at(9)}, {left + at(8), at(13)}, {left + at(13), at(6)}};
    ::Polyline(dc, stroke, 3);
}

}  // namespace

ImageListHandle MakeTickImages(int pixels) {
    ImageListHandle images(::ImageList_Create(pixels, pixels, ILC_COLOR32 | ILC_MASK, 4, 1));
    if (!images) return images;
    const WindowDc screen(nullptr);
    MemoryDcHandle dc(::CreateCompatibleDC(screen.Get()));
    GdiObject strip(::CreateCompatibleBitmap(screen.Get(), pixels * 4, pixels));
    if (!dc || !strip) return {};
    {
        SelectObjectScope selectStrip(dc.Get(), strip.Get());
        const RECT all{0, 0, pixels * 4, pixels};
        GdiObject white(::CreateSolidBrush(kTransparent));
        ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(white.Get()));
        // Cell 0 stays blank: state image 0 means no box.
        DrawCell(dc.Get(), pixels, pixels, kTransparent);
        DrawCell(dc.Get(), pixels * 2, pixels, kPartlyTicked);
        DrawCell(dc.Get(), pixels * 3, pixels, kTicked);
    }
    ::ImageList_AddMasked(images.Get(), static_cast<HBITMAP>(strip.Get()), kTransparent);
    return images;
}

}  // namespace qm::folders
