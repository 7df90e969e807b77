#include "base/Utf.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf, RoundTripsEveryPlane) {
    const std::string samples[] = {
        "", "plain ascii", "C:\\Users\\J\xC3\xBCrgen\\Desktop",           // Latin-1 range
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.lnk",                        // CJK
        "\xF0\x9F\x93\x81 folder",                                         // outside the BMP
    };
    for (const std::string& s : samples) {
        EXPECT_EQ(qm::Utf16ToUtf8(qm::Utf8ToUtf16(s)), s) << s;
    }
    EXPECT_EQ(qm::Utf8ToUtf16("\xF0\x9F\x93\x81").size(), 2u);  // a surrogate pair
}

TEST(Utf, IllFormedInputBecomesReplacementCharacters) {
    struct Case { std::string in; std::u16string out; };
    const Case cases[] = {
        {"\xC3", u"\uFFFD"},                 // truncated sequence
        {"\xC0\xAF", u"\uFFFD\uFFFD"},       // overlong slash
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
        {"a\xFF" "b", u"a\uFFFDb"},
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
    };
    for (const Case& c : cases) EXPECT_EQ(qm::Utf8ToUtf16(c.in), c.out);
    // A lone surrogate in UTF-16 (possible in NTFS names) is replaced, not dropped.
    EXPECT_EQ(qm::Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(Utf, DecodesLittleEndianBytes) {
    const unsigned char bytes[] = {'A', 0, 0xE9, 0, 0x3D, 0xD8, 0x01, 0xDE};  // "Aé😁"
    EXPECT_EQ(qm::Utf16LeBytesToUtf8(bytes, 4), "A\xC3\xA9\xF0\x9F\x98\x81");
    EXPECT_EQ(qm::Utf16LeBytesToUtf8(bytes, 3), "A\xC3\xA9\xEF\xBF\xBD");  // pair cut in half
}

}  // namespace
