// The settings file and the language file through their components.
#include "tests/suite/TestSupport.h"

#include "base/win/SystemText.h"
#include "host/BuiltinTexts.h"

#include <atomic>
#include <thread>
#include <vector>

namespace qm::test {
namespace {

using host::ComPtr;

constexpr std::string_view kSettings =
    "; QuillMend suite settings\r\n"
    "[common]\r\n"
    "langfile=%ModulePath%\\lang\\English.lng\r\n"
    "EnableSkin=0\r\n"
    "\r\n"
    "[quillmend_module]\r\n"
    "; shown at start?\r\n"
    "showstartup=1\r\n"
    "helpfile=\xC3\xBC\x62\x65r.chm\r\n";

TEST_F(ComponentTest, ConfigReadsAndWritesThrough) {
    const std::string file = folder_.Write("config.ini", kSettings);
    host::ConfigComponent config = Created<host::ConfigComponent>();
    config.Load(file);

    EXPECT_EQ(config.GetString("common", "langfile"), "%ModulePath%\\lang\\English.lng");
    EXPECT_EQ(config.GetString("COMMON", "LangFile"), "%ModulePath%\\lang\\English.lng");
    EXPECT_EQ(config.GetString("quillmend_module", "helpfile"), "\xC3\xBC\x62\x65r.chm");
    EXPECT_EQ(config.GetString("common", "absent"), "");
    EXPECT_EQ(config.GetInt("common", "EnableSkin"), 0);
    EXPECT_EQ(config.GetInt("quillmend_module", "showstartup"), 1);
    EXPECT_EQ(config.GetInt("quillmend_module", "helpfile"), 0);  // not a number
    EXPECT_EQ(config.GetInt("nowhere", "showstartup"), 0);

    config.SetInt("quillmend_module", "showstartup", 0);
    EXPECT_EQ(config.GetInt("quillmend_module", "showstartup"), 0) << "seen at once";
    config.SetInt("Vaultdesk", "counter", -42);
    EXPECT_EQ(config.GetString("vaultdesk", "COUNTER"), "-42");

    // On disk at once, every other line as it was, no temporary file left behind.
    std::string expected(kSettings);
    expected.replace(expected.find("showstartup=1"), 13, "showstartup=0");
    expected += "\r\n[Vaultdesk]\r\ncounter=-42\r\n";
    EXPECT_EQ(TempFolder::Read(file), expected);
    EXPECT_EQ(folder_.CountFiles(), 1);

    // "Restart": a fresh instance reads what was written.
    config.Reset();
    host::ConfigComponent restarted = Created<host::ConfigComponent>();
    restarted.Load(file);
    EXPECT_EQ(restarted.GetInt("quillmend_module", "showstartup"), 0);
    EXPECT_EQ(restarted.GetInt("Vaultdesk", "counter"), -42);
}

TEST_F(ComponentTest, ConfigKeepsAnotherProgramsEditsWhenWriting) {
    const std::string file = folder_.Write("config.ini", "[common]\nlangfile=a.lng\n");
    host::ConfigComponent config = Created<host::ConfigComponent>();
    config.Load(file);
    folder_.Write("config.ini", "[common]\nlangfile=b.lng\nxmlfile=suite.xml\n");
    config.SetInt("quillmend_module", "showstartup", 1);
    EXPECT_EQ(TempFolder::Read(file), "[common]\nlangfile=b.lng\nxmlfile=suite.xml\n\n[quillmend_module]\nshowstartup=1\n");
    EXPECT_EQ(config.GetString("common", "xmlfile"), "suite.xml");
}

TEST_F(ComponentTest, ConfigBadInputIsAClearError) {
    const std::string missing = folder_.Path("no-such-config.ini");
    struct Case {
        const char* name;
        std::string path;
        const char* messagePart;
    } cases[] = {
        {"missing file", missing, "does not exist"},
        {"empty path", "", "path is empty"},
        {"unterminated section", folder_.Write("bad1.ini", "[common]\r\nx=1\r\n[quillmend_module\r\n"), "line 3"},
        {"binary file", folder_.Write("bad2.ini", std::string("MZ\x90\0\3\0\0\0", 8)), "binary"},
        {"a folder", folder_.Path(), "settings file"},
    };
    for (const Case& c : cases) {
        host::ConfigComponent config = Created<host::ConfigComponent>();
        const host::ComponentError error = ExpectComponentError([&] { config.Load(c.path); });
        EXPECT_TRUE(FAILED(error.Code())) << c.name;
        EXPECT_TRUE(Contains(error.Message(), c.messagePart)) << c.name << ": " << error.Message();
        if (!c.path.empty()) {
            EXPECT_TRUE(Contains(error.Message(), c.path)) << c.name << ": " << error.Message();
        }
        // After a failed load the configuration is empty, and nothing can be written to a file
        // that was never read.
        EXPECT_EQ(config.GetString("common", "langfile"), "") << c.name;
        EXPECT_EQ(config.GetInt("quillmend_module", "showstartup"), 0) << c.name;
        EXPECT_THROW(config.SetInt("quillmend_module", "showstartup", 1), host::ComponentError) << c.name;
    }
    EXPECT_EQ(TempFolder::Read(missing), "<missing>");
}

TEST_F(ComponentTest, ConfigRefusesWritesThatWouldDamageTheFile) {
    const std::string file = folder_.Write("config.ini", kSettings);
    host::ConfigComponent config = Created<host::ConfigComponent>();
    config.Load(file);
    struct Case {
        const char* section;
        const char* key;
    } cases[] = {{"", "showstartup"}, {"common", ""}, {"a]b", "k"}, {"common", "k=v"}, {"common", "a\r\nb"}, {"x\ny", "k"}};
    for (const Case& c : cases) {
        const host::ComponentError error = ExpectComponentError([&] { config.SetInt(c.section, c.key, 1); });
        EXPECT_EQ(error.Code(), E_INVALIDARG) << c.section << "/" << c.key;
    }
    EXPECT_EQ(TempFolder::Read(file), kSettings);

    TempFolder::SetReadOnly(file, true);
    const host::ComponentError error = ExpectComponentError([&] { config.SetInt("quillmend_module", "showstartup", 0); });
    EXPECT_TRUE(Contains(error.Message(), "read-only")) << error.Message();
    EXPECT_TRUE(Contains(error.Message(), file)) << error.Message();
    EXPECT_EQ(TempFolder::Read(file), kSettings) << "the old file is intact";
    EXPECT_EQ(config.GetInt("quillmend_module", "showstartup"), 1) << "a failed write changes nothing";
    EXPECT_EQ(folder_.CountFiles(), 1);
    TempFolder::SetReadOnly(file, false);
}

constexpr std::string_view kLanguage =
    "\xEF\xBB\xBF; English\r\n"
    "[Strings]\r\n"
    "_Information=Information\r\n"
    "_Error=Error\r\n"
    "_QM_004=Tick the drives and folders to search.\r\n"
    "_QM_Mainname=QuillMend\r\n"
    "_Continue=&Continue\r\n"
    "_QM_015=Searching \\\"%s\\\"\\nPlease wait\r\n"
    "_Unicode=\xC3\x9C\x62\x65rsicht \xF0\x9F\x94\x97\r\n";

TEST_F(ComponentTest, LanguageAnswersTextsAndMissingKeysAsThemselves) {
    host::LanguageComponent language = Created<host::LanguageComponent>();
    language.Load(folder_.Write("English.lng", kLanguage));
    struct Case {
        const char* key;
        const char* text;
    } cases[] = {
        {"_Information", "Information"},
        {"_QM_015", "Searching \\\"%s\\\"\nPlease wait"},
        {"_Unicode", "\xC3\x9C\x62\x65rsicht \xF0\x9F\x94\x97"},
        {"_QM_999", "_QM_999"},              // a gap shows its key
        {"_information", "_information"},    // keys are case-sensitive
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(language.GetText(c.key), c.text) << c.key;

    // Before anything is loaded the program's built-in English answers; so it does for Text()
    // without a component, and for the keys the file lacks.
    EXPECT_EQ(Created<host::LanguageComponent>().GetText("_Error"), "Error");
    EXPECT_EQ(host::Text("_QM_Mainname"), "QuillMend - Broken Shortcut Repair");
    EXPECT_EQ(language.GetText("_QM_009"), "Please tick at least one drive or folder to search.");
    EXPECT_EQ(language.MissingKeys().size(), host::BuiltinKeys().size() - 6) << "the file has six of them";
}

TEST_F(ComponentTest, LanguageBadInputIsAClearError) {
    struct Case {
        const char* name;
        std::string path;
        const char* messagePart;
        const char* textA;  // after the failed load
    } cases[] = {
        {"missing file", folder_.Path("Klingon.lng"), "does not exist", "kept"},
        {"empty path", "", "path is empty", "kept"},
        // A damaged line costs only itself: the file's other texts are used.
        {"line without '='", folder_.Write("bad.lng", "_A=1\r\n_B=2\r\nbroken line\r\n"), "line 3", "1"},
        {"binary file", folder_.Write("bad.bin", std::string("\x89PNG\0\0", 6)), "binary", "kept"},
    };
    for (const Case& c : cases) {
        host::LanguageComponent language = Created<host::LanguageComponent>();
        language.Load(folder_.Write("good.lng", "_A=kept\n"));
        const host::ComponentError error = ExpectComponentError([&] { language.Load(c.path); });
        EXPECT_TRUE(FAILED(error.Code())) << c.name;
        EXPECT_TRUE(Contains(error.Message(), c.messagePart)) << c.name << ": " << error.Message();
        EXPECT_EQ(language.GetText("_A"), c.textA) << c.name;
    }
}

TEST_F(ComponentTest, LanguageGetTextFromTwoThreadsWhileTheFileIsReloaded) {
    // Two files of many keys, so that swapping one table for the other takes long enough for the
    // reading thread to run into it when the swap is not locked.
    constexpr int kKeys = 3000;
    std::string first, second;
    for (int i = 0; i < kKeys; ++i) {
        first += "_K" + std::to_string(i) + "=first " + std::to_string(i) + "\r\n";
        second += "_K" + std::to_string(i) + "=second " + std::to_string(i) + "\r\n";
    }
    const std::string files[2] = {folder_.Write("First.lng", first), folder_.Write("Second.lng", second)};
    host::LanguageComponent language = Created<host::LanguageComponent>();
    language.Load(files[0]);

    std::atomic<bool> reloading{true};
    std::atomic<int> wrong{0}, reads{0};
    auto read = [&](int i) {
        const std::string index = std::to_string(i % kKeys);
        const std::string text = language.GetText("_K" + index);
        if (text != "first " + index && text != "second " + index) ++wrong;
        // A key that no file has answers itself.
        const std::string gap = "_QM_" + std::to_string(100 + i % 50);
        if (language.GetText(gap) != gap) ++wrong;
        ++reads;
    };
    // The scan worker initialises its own apartment and uses the same reference.
    std::thread worker([&] {
        ComApartment apartment(COINIT_APARTMENTTHREADED);
        for (int i = 0; reloading || i < 2000; ++i) read(i);
    });
    for (int round = 1; round <= 150; ++round) {
        language.Load(files[round % 2]);
        read(round);
    }
    reloading = false;
    worker.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_GT(reads.load(), 2000);
}

TEST_F(ComponentTest, LanguageMarshalledToAnotherApartmentIsTheObjectItself) {
    host::LanguageComponent language = Created<host::LanguageComponent>();
    language.Load(folder_.Write("English.lng", kLanguage));
    IStream* stream = nullptr;
    ASSERT_EQ(::CoMarshalInterThreadInterfaceInStream(__uuidof(ILanguageComponent), language.Get(), &stream), S_OK);
    ILanguageComponent* seen = nullptr;
    std::string text;
    std::thread worker([&] {
        ComApartment apartment(COINIT_APARTMENTTHREADED);
        ComPtr<ILanguageComponent> unmarshalled;
        if (SUCCEEDED(::CoGetInterfaceAndReleaseStream(stream, __uuidof(ILanguageComponent),
                                                       reinterpret_cast<void**>(unmarshalled.GetAddressOf())))) {
            seen = unmarshalled.Get();
            // No message pump runs on the main thread meanwhile: a proxy would hang here.
            text = host::LanguageComponent(unmarshalled).GetText("_QM_Mainname");
        }
    });
    worker.join();
    EXPECT_EQ(seen, language.Get());
    EXPECT_EQ(text, "QuillMend");
}

TEST_F(ComponentTest, LanguageTranslatesWindowAndChildCaptionsThatAreKeys) {
    host::LanguageComponent language = Created<host::LanguageComponent>();
    language.Load(folder_.Write("English.lng", kLanguage));

    WindowHandle dialog(::CreateWindowExW(0, L"STATIC", L"_QM_Mainname", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                          nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(dialog);
    struct Child {
        const wchar_t* className;
        const wchar_t* caption;
        const wchar_t* expected;
    } children[] = {
        {L"BUTTON", L"_Continue", L"&Continue"},
        {L"STATIC", L"_QM_004", L"Tick the drives and folders to search."},
        {L"STATIC", L"Plain text stays", L"Plain text stays"},
        {L"STATIC", L"_QM_404", L"_QM_404"},  // no such key: untouched
        {L"STATIC", L"_QM_009", L"Please tick at least one drive or folder to search."},  // the built-in English
        {L"BUTTON", L"", L""},
        {L"STATIC", L"_Unicode", L"\u00DCbersicht \U0001F517"},
    };
    std::vector<HWND> handles;
    for (const Child& c : children) {
        handles.push_back(::CreateWindowExW(0, c.className, c.caption, WS_CHILD | WS_VISIBLE, 0, 0, 50, 20,
                                            dialog.Get(), nullptr, nullptr, nullptr));
        ASSERT_NE(handles.back(), nullptr);
    }
    // A grandchild (a control inside a group) is translated too.
    HWND grandchild = ::CreateWindowExW(0, L"BUTTON", L"_Error", WS_CHILD, 0, 0, 50, 20, handles[0], nullptr, nullptr, nullptr);
    ASSERT_NE(grandchild, nullptr);

    language.TranslateWindow(dialog.Get());

    auto caption = [](HWND window) { return WindowText(window); };
    EXPECT_EQ(caption(dialog.Get()), L"QuillMend");
    for (size_t i = 0; i < handles.size(); ++i) EXPECT_EQ(caption(handles[i]), children[i].expected) << i;
    EXPECT_EQ(caption(grandchild), L"Error");

    EXPECT_EQ(ExpectComponentError([&] { language.TranslateWindow(nullptr); }).Code(), E_INVALIDARG);
    HWND gone = ::CreateWindowExW(0, L"STATIC", L"_Error", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(gone);
    EXPECT_EQ(ExpectComponentError([&] { language.TranslateWindow(gone); }).Code(), E_INVALIDARG);
}

}  // namespace
}  // namespace qm::test
