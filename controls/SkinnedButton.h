// A push button drawn as an icon and a caption over a copy of its parent's background, painted
// off-screen and copied in one step so it never flickers. It behaves like a real button with
// the mouse (press, drag out, release: nothing; drag back in: click) but ignores the space bar.
#pragma once

#include "base/win/Handle.h"
#include "controls/ControlHook.h"

#include <string>

namespace qm::controls {

class SkinnedButton : public ControlHook {
public:
    // Bits of State().
    static constexpr unsigned kMouseOver = 0x1;
    static constexpr unsigned kFocused = 0x2;
    static constexpr unsigned kPressed = 0x4;

    // Takes over the button: owner-drawn from now on, its text as caption, a weight-900 font
    // from the parent's, the system question-mark icon.
    bool Attach(HWND button);

    void SetFont(const LOGFONTW& description);
    // Loads the icon from `module`'s resources (the program's when null) at that size.
    bool SetIcon(int resourceId, int width, int height, HINSTANCE module = nullptr);
    // Takes an icon the caller made; a null icon draws none and centres the caption.
    void SetIcon(IconHandle icon, int width, int height);
    void UseNormalWeight();

    unsigned State() const noexcept { return state_; }
    const std::wstring& Caption() const noexcept { return caption_; }

    // Draws the button (background copy, icon, caption) into `dc`.
    void Paint(HDC dc, const RECT& client);

    COLORREF captionColour = RGB(0, 70, 140);
    COLORREF disabledColour = RGB(192, 192, 192);
    int iconMargin = 20;
    int iconWidth = 32;
    int iconHeight = 32;
    int iconGap = 10;

    long AccessibleRole() const override;
    std::wstring AccessibleName() const override;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintBuffered(HDC target);
    void PaintBackground(HDC dc, const RECT& client);
    void CaptureParentBackground(HDC reference, const RECT& client);
    void SetStateBit(unsigned bit, bool on);
    void Repaint() const noexcept;
    void DiscardBuffers() noexcept;
    void NotifyClicked() const;
    LRESULT OnMouseMove(LPARAM point);
    LRESULT OnButtonUp();

    std::wstring caption_;
    GdiObject font_;
    IconHandle ownedIcon_;
    HICON icon_ = nullptr;  // ownedIcon_ or a shared system icon
    unsigned state_ = 0;
    GdiObject backgroundCache_;
    GdiObject paintBuffer_;
    SIZE bufferSize_{};
};

}  // namespace qm::controls
