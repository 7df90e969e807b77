// The wizard's size and column widths in the module XML document, through the real XML store.
#include "host/WizardLayoutStore.h"
#include "tests/suite/TestSupport.h"

namespace qm::test {
namespace {

host::XmlStoreComponent Loaded(const std::string& path) {
    host::XmlStoreComponent store;
    EXPECT_EQ(host::XmlStoreComponent::Create(store), S_OK);
    store.Load(path);
    return store;
}

TEST_F(ComponentTest, WizardLayoutLivesInItsOwnElementAndSurvivesARestart) {
    // As older versions wrote it: no `wizard` element, nothing saved.
    const std::string path = folder_.Write("module.xml",
                                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config>\r\n  <select_folders>\r\n"
                                           "    <item name=\"C:\\\"/>\r\n  </select_folders>\r\n  <ignore/>\r\n</config>\r\n");
    host::XmlStoreComponent store = Loaded(path);
    EXPECT_EQ(host::LoadWizardLayout(store), host::WizardLayout{});

    const host::WizardLayout first{900, 640, {220, 310, 290, 80}};
    const host::WizardLayout second{1200, 700, {}};
    for (const host::WizardLayout* saved : {&first, &second}) {
        ASSERT_TRUE(host::SaveWizardLayout(store, *saved));
        EXPECT_EQ(host::LoadWizardLayout(Loaded(path)), *saved);  // a new start
    }
    const std::string text = TempFolder::Read(path);
    EXPECT_EQ(text.find("<wizard"), text.rfind("<wizard")) << text;  // one element, reused
    EXPECT_TRUE(Contains(text, "<item name=\"C:\\\"")) << text;      // the rest is kept
    EXPECT_TRUE(Contains(text, "<ignore")) << text;

    // A document that is not the module's: nothing written.
    const std::string other = folder_.Write("other.xml", "<settings/>");
    EXPECT_FALSE(host::SaveWizardLayout(Loaded(other), first));
    EXPECT_EQ(TempFolder::Read(other), "<settings/>");
    EXPECT_FALSE(host::SaveWizardLayout(host::XmlStoreComponent(), first));
}

TEST_F(ComponentTest, AMalformedWizardLayoutCountsAsNotSaved) {
    struct Case {
        const char* element;
        host::WizardLayout expected;
    } cases[] = {
        {"<wizard width=\"800\" height=\"600\" result_columns=\"100,200\"/>", {800, 600, {100, 200}}},
        {"<wizard/>", {}},
        {"<wizard width=\"wide\" height=\"600\" result_columns=\"100\"/>", {0, 0, {100}}},
        {"<wizard width=\"800\"/>", {}},
        {"<wizard width=\"-800\" height=\"600\"/>", {}},
        {"<wizard width=\"0\" height=\"600\"/>", {}},
        {"<wizard width=\"800px\" height=\"600\"/>", {}},
        {"<wizard width=\"99999999999999999999\" height=\"600\"/>", {}},
        {"<wizard width=\"800\" height=\"600\" result_columns=\"100,,200\"/>", {800, 600, {}}},
        {"<wizard width=\"800\" height=\"600\" result_columns=\"100,200,\"/>", {800, 600, {}}},
        {"<wizard width=\"800\" height=\"600\" result_columns=\"100;200\"/>", {800, 600, {}}},
        {"<wizard width=\"800\" height=\"600\" result_columns=\"0,200\"/>", {800, 600, {}}},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        const std::string path =
            folder_.Write("malformed" + std::to_string(++number) + ".xml", std::string("<config>") + c.element + "</config>");
        EXPECT_EQ(host::LoadWizardLayout(Loaded(path)), c.expected);
    }
}

}  // namespace
}  // namespace qm::test
