#include "suite/text/IniDocument.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qm::suite {
namespace {

IniDocument ParseOrFail(std::string_view text) {
    IniDocument::ParseError error;
    std::optional<IniDocument> document = IniDocument::Parse(text, error);
    EXPECT_TRUE(document) << "line " << error.line << ": " << error.message;
    return document ? *document : IniDocument();
}

TEST(IniDocument, ReadsValuesAsWindowsDoes) {
    const IniDocument doc = ParseOrFail(
        "; suite settings\r\n"
        "top=ignored\r\n"
        "[Common]\r\n"
        "  LangFile = %ModulePath%\\lang\\English.lng  \r\n"
        "quoted=\"C:\\Program Files\\x\"\r\n"
        "empty=\r\n"
        "dup=first\r\n"
        "dup=second\r\n"
        "# comment=not a key\r\n"
        "unknown line kept\r\n"
        "[common]\r\n"
        "later=second section of the same name\r\n"
        "[quillmend_module]\r\n"
        "showstartup=1\r\n");
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    } cases[] = {
        {"common", "langfile", "%ModulePath%\\lang\\English.lng"},  // names ignore case, value trimmed
        {"COMMON", "LANGFILE", "%ModulePath%\\lang\\English.lng"},
        {"common", "quoted", "C:\\Program Files\\x"},                // surrounding quotes dropped
        {"common", "empty", ""},
        {"common", "dup", "first"},                                  // first key answers
        {"common", "later", std::nullopt},                           // first section answers
        {"common", "# comment", std::nullopt},
        {"", "top", std::nullopt},                                   // lines before any section
        {"quillmend_module", "showstartup", "1"},
        {"missing", "showstartup", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(doc.Get(c.section, c.key), c.expected) << c.section << "/" << c.key;
    }
}

TEST(IniDocument, ParsesIntegersAsGetPrivateProfileInt) {
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"0", 0},       {"1", 1},           {"-7", -7},         {"+12", 12},          {" 42 ", 42},
        {"12abc", 12},  {"abc", 0},         {"", 0},            {"-", 0},             {"0x1F", 31},
        {"0XfF", 255},  {"0x", 0},          {"2147483647", 2147483647},               {"-2147483648", -2147483647 - 1},
        {"2147483648", 0},                  {"99999999999999999999", 0},              {"0xFFFFFFFF", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseProfileInt(c.text), c.expected) << c.text;

    const IniDocument doc = ParseOrFail("[s]\nn=5\nword=yes\n");
    EXPECT_EQ(doc.GetInt("s", "n"), 5);
    EXPECT_EQ(doc.GetInt("s", "word"), 0);
    EXPECT_EQ(doc.GetInt("s", "absent"), 0);
}

TEST(IniDocument, SetRewritesOnlyItsLineAndKeepsTheRest) {
    struct Case {
        const char* name;
        const char* before;
        const char* section;
        const char* key;
        const char* after;
    } cases[] = {
        {"replace keeps key spelling and comments",
         "\xEF\xBB\xBF; head\r\n[Quillmend_Module]\r\n ShowStartup = 1 ; old\r\nhelpfile=x\r\n",
         "quillmend_module", "showstartup",
         "\xEF\xBB\xBF; head\r\n[Quillmend_Module]\r\n ShowStartup =0\r\nhelpfile=x\r\n"},
        {"new key goes after the section's last line, before blank lines",
         "[a]\nk=1\n\n[b]\nk=2\n", "a", "n", "[a]\nk=1\nn=0\n\n[b]\nk=2\n"},
        {"new section at the end after a blank line",
         "[a]\nk=1\n", "b", "n", "[a]\nk=1\n\n[b]\nn=0\n"},
        {"empty file", "", "b", "n", "[b]\r\nn=0\r\n"},
        {"no final newline", "[a]\nk=1", "a", "k", "[a]\nk=0"},
        {"append to a last section without final newline", "[a]\nk=1", "a", "n", "[a]\nk=1\nn=0\n"},
        {"unknown lines survive", "junk\n[a]\nmore junk\n", "a", "k", "junk\n[a]\nmore junk\nk=0\n"},
    };
    for (const Case& c : cases) {
        IniDocument doc = ParseOrFail(c.before);
        doc.Set(c.section, c.key, "0");
        EXPECT_EQ(doc.Serialize(), c.after) << c.name;
        EXPECT_EQ(doc.GetInt(c.section, c.key), 0) << c.name;
        EXPECT_EQ(doc.Get(c.section, c.key), "0") << c.name;
    }
}

TEST(IniDocument, UnchangedDocumentSerialisesToItsInput) {
    for (const char* text : {"", "\n", "a\r\nb", "[x]\r\ny=1\r\n\r\n", "\xEF\xBB\xBF[x]\ny=\xC3\xA9\n"}) {
        EXPECT_EQ(ParseOrFail(text).Serialize(), text);
    }
}

TEST(IniDocument, RejectsMalformedText) {
    struct Case {
        std::string text;
        size_t line;
    } cases[] = {
        {"[common\nx=1\n", 1},
        {"[a]\nx=1\n  [broken\n", 3},
        {std::string("[a]\nx=\0\x01\x02", 9), 0},
    };
    for (const Case& c : cases) {
        IniDocument::ParseError error;
        EXPECT_FALSE(IniDocument::Parse(c.text, error));
        EXPECT_EQ(error.line, c.line);
        EXPECT_FALSE(error.message.empty());
    }
}

TEST(IniDocument, WritableNames) {
    struct Case {
        const char* name;
        bool section;
        bool ok;
    } cases[] = {
        {"common", true, true},  {"", true, false},     {"  ", false, false},  {"a]b", true, false},
        {"a]b", false, true},    {"k=v", false, false}, {";k", false, false},  {"#k", false, false},
        {"[k", false, false},    {"a\nb", false, false}, {"a\rb", true, false}, {"show startup", false, true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsWritableIniName(c.name, c.section), c.ok) << c.name;
}

}  // namespace
}  // namespace qm::suite
