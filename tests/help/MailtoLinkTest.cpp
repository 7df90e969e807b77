#include "help/MailtoLink.h"

#include <gtest/gtest.h>

#include <string>

namespace qm::help {
namespace {

// Decodes %XX escapes; the inverse the mail program applies.
std::string PercentDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

TEST(MailtoLink, EncodesEverythingThatCouldEndOrAddAField) {
    struct Case {
        const char* name;
        std::string text;
        std::string encoded;
    } cases[] = {
        {"plain words", "Support request", "Support%20request"},
        {"unreserved kept", "a-b.c_d~e1", "a-b.c_d~e1"},
        {"ampersand would start a field", "Tom & Jerry", "Tom%20%26%20Jerry"},
        {"question mark would start the query", "Why?", "Why%3F"},
        {"hash would end the link", "Order #5", "Order%20%235"},
        {"percent would read as an escape", "100%", "100%25"},
        {"equals and plus", "a=b+c", "a%3Db%2Bc"},
        {"LF becomes CR LF", "one\ntwo", "one%0D%0Atwo"},
        {"CR LF stays one break", "one\r\ntwo", "one%0D%0Atwo"},
        {"lone CR", "one\rtwo", "one%0D%0Atwo"},
        {"two breaks", "a\n\nb", "a%0D%0A%0D%0Ab"},
        {"UTF-8 bytes", "K\xC3\xA4se \xE2\x82\xAC", "K%C3%A4se%20%E2%82%AC"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PercentEncodeMailText(c.text), c.encoded);
    }
}

TEST(MailtoLink, HostileTextsCannotCutTheMessageShortOrAddFields) {
    const std::string subject = "QuillMend & friends? #1 100%\ncc: someone";
    const std::string body = "Hello&cc=evil@example.org&bcc=x?y#z\r\nsecond line";
    const std::string link = BuildMailtoLink("support@quillmend.example", subject, body);

    ASSERT_EQ(link.rfind("mailto:support@quillmend.example?subject=", 0), 0u) << link;
    EXPECT_EQ(link.find('#'), std::string::npos);
    EXPECT_EQ(std::count(link.begin(), link.end(), '?'), 1);
    EXPECT_EQ(std::count(link.begin(), link.end(), '&'), 1);
    const size_t bodyStart = link.find("&body=");
    ASSERT_NE(bodyStart, std::string::npos);
    const size_t subjectStart = link.find("subject=") + 8;
    EXPECT_EQ(PercentDecode(link.substr(subjectStart, bodyStart - subjectStart)),
              "QuillMend & friends? #1 100%\r\ncc: someone");
    EXPECT_EQ(PercentDecode(link.substr(bodyStart + 6)), "Hello&cc=evil@example.org&bcc=x?y#z\r\nsecond line");
}

}  // namespace
}  // namespace qm::help
