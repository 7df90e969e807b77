// Helpers for window tests: a parent window to put controls on, a 32-bit canvas that a control
// renders into (WM_PRINTCLIENT) and whose pixels a test reads, a message pump, the process's
// GUI-object counts and window snapshots for a person to look at.
#pragma once

#include "base/win/Handle.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm::testkit {

// A plain top-level window with the default GUI font, white background, that records the
// commands its children send.
class ParentWindow {
public:
    struct Command {
        int id;
        int code;
        HWND from;
    };
    explicit ParentWindow(int width = 400, int height = 200, bool visible = false);
    HWND Get() const noexcept { return window_.Get(); }
    const std::vector<Command>& Commands() const noexcept { return *commands_; }
    void ClearCommands() { commands_->clear(); }
    // A child of the given class, id and style (WS_CHILD | WS_VISIBLE are added).
    HWND AddChild(const wchar_t* className, const wchar_t* text, int id, DWORD style, int x, int y, int width,
                  int height) const;

private:
    std::unique_ptr<std::vector<Command>> commands_ = std::make_unique<std::vector<Command>>();
    WindowHandle window_;
};

// A top-down 32-bit DIB selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height);
    HDC Dc() const noexcept { return dc_.Get(); }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    void Fill(COLORREF colour);
    COLORREF Pixel(int x, int y) const;
    // Pixels in the rectangle whose colour matches exactly.
    int Count(COLORREF colour, RECT area) const;
    int Count(COLORREF colour) const { return Count(colour, RECT{0, 0, width_, height_}); }
    // The smallest rectangle holding every pixel of that colour (empty when none).
    RECT BoundsOf(COLORREF colour) const;
    // The smallest rectangle of pixels that differ from `background`.
    RECT BoundsNot(COLORREF background) const;
    bool SameAs(const Canvas& other) const;
    bool SaveBmp(const std::wstring& path) const;

private:
    MemoryDcHandle dc_;
    GdiObject bitmap_;
    HGDIOBJ old_ = nullptr;
    unsigned* bits_ = nullptr;
    int width_;
    int height_;
};

// An opaque icon of one colour.
IconHandle SolidIcon(int size, COLORREF colour);

// Renders the client area of `window` into a canvas of its size pre-filled with `background`.
Canvas RenderClient(HWND window, COLORREF background = RGB(255, 255, 255));

// Each colour channel within `tolerance`.
bool Near(COLORREF a, COLORREF b, int tolerance);

// Dispatches every waiting message (paints included) until the queue is empty.
void PumpUntilIdle();

// Sends the mouse message with client coordinates.
LRESULT SendMouse(HWND window, UINT message, int x, int y, WPARAM keys = 0);

// The process's GDI objects and USER objects. GetGuiResources where it answers; where it is
// not implemented (Wine), GDI objects are counted in the process's GDI handle table and USER
// objects as the thread's windows, including every child.
struct GuiCounts {
    unsigned gdi = 0;
    unsigned user = 0;
    bool operator==(const GuiCounts&) const = default;
};
GuiCounts CurrentGuiCounts();

// The folder where tests leave pictures for a person to look at (build/<b>/artifacts), created
// on demand; QM_ARTIFACT_DIR overrides it.
std::wstring ArtifactDirectory();
// Copies the client area of a visible window, as it painted it, to a BMP in the artifact
// folder; returns the path written or "" on failure. Without `pump` no message waiting for the
// thread is let in meanwhile (a page that moves on by itself stays where it is).
std::wstring SaveWindowSnapshot(HWND window, const std::wstring& name, bool pump = true);

// Runs `body` once a modal dialog of this thread is up and painted, then closes it with
// IDCANCEL unless the body closed it. Returns what `run` returned (the modal call).
using DialogInspector = std::function<void(HWND dialog)>;
INT_PTR RunModalWith(const std::function<INT_PTR()>& run, const DialogInspector& body);

}  // namespace qm::testkit
