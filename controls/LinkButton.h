// A button shown as an underlined link: only the text is live (hover colour, hand cursor,
// click), Enter and space click it, and a tooltip control rides along for its hints.
#pragma once

#include "base/win/Handle.h"
#include "controls/ControlHook.h"

#include <string>

namespace qm::controls {

class LinkButton : public ControlHook {
public:
    // Takes over the button: owner-drawn, its text, an underlined font from the parent's,
    // the tooltip with one tool for the whole control, and the text's rectangle.
    bool Attach(HWND button);

    // Draws the link into `dc`; `client` is the client rectangle.
    void Paint(HDC dc, const RECT& client) const;

    const std::wstring& Text() const noexcept { return text_; }
    const RECT& TextRect() const noexcept { return textRect_; }
    bool IsHovered() const noexcept { return hover_; }
    HWND Tooltip() const noexcept { return tooltip_.Get(); }

    COLORREF colour = RGB(0, 0, 255);
    COLORREF hoverColour = RGB(100, 200, 255);

    // Screen readers read it as a link.
    long AccessibleRole() const override;
    std::wstring AccessibleName() const override;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnControlDestroyed() noexcept override;

private:
    void CreateTooltip();
    void MeasureText();
    UINT TextFormat() const;
    void SetHover(bool hover);
    void NotifyClickedIfEnabled() const;
    void Relay(UINT message, WPARAM wParam, LPARAM lParam) const;

    std::wstring text_;
    GdiObject font_;
    bool hover_ = false;
    HCURSOR cursor_ = nullptr;  // shared system cursor
    RECT textRect_{};
    WindowHandle tooltip_;
};

}  // namespace qm::controls
