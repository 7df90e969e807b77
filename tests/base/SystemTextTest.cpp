#include "base/win/SystemText.h"

#include "base/win/Handle.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(SystemText, SystemMessageIsTheSystemsTextWithoutItsLineBreak) {
    const std::wstring text = SystemMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), L'\n');
    EXPECT_NE(text.back(), L'\r');
    EXPECT_NE(text.back(), L' ');
    EXPECT_EQ(text.find(L"\r\n"), std::wstring::npos) << "only the end is cut";
    EXPECT_TRUE(SystemMessage(0x2A5C0FFE).empty()) << "a code the system does not know";
}

TEST(SystemText, WindowTextReadsTheWholeTextOfAWindow) {
    const std::wstring longText(3000, L'x');  // longer than any fixed buffer would hold
    WindowHandle window(::CreateWindowExW(0, L"STATIC", longText.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr,
                                          nullptr, nullptr, nullptr));
    ASSERT_TRUE(window);
    EXPECT_EQ(WindowText(window.Get()), longText);
    ::SetWindowTextW(window.Get(), L"\u00C9t\u00E9");
    EXPECT_EQ(WindowText(window.Get()), L"\u00C9t\u00E9");
    ::SetWindowTextW(window.Get(), L"");
    EXPECT_EQ(WindowText(window.Get()), L"");
    EXPECT_EQ(WindowText(nullptr), L"");
}

}  // namespace
}  // namespace qm
