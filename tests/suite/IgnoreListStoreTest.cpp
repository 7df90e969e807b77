// The ignore list in the module XML document, through the real XML store.
#include "host/IgnoreListStore.h"
#include "tests/suite/TestSupport.h"

namespace qm::test {
namespace {

std::string FileText(const std::string& path) { return TempFolder::Read(path); }

TEST_F(ComponentTest, IgnoreListLivesInItsOwnElementBesideTheOldOnes) {
    // As older versions wrote it: no `ignore` element.
    const std::string path = folder_.Write("module.xml",
                                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config>\r\n  <select_folders>\r\n"
                                           "    <item name=\"C:\\\"/>\r\n  </select_folders>\r\n</config>\r\n");
    host::XmlStoreComponent store = LoadedXml(path);
    EXPECT_TRUE(host::LoadIgnoreList(store).Empty());

    IgnoreList list;
    list.AddShortcut("C:\\Users\\\xC3\x84nn\\Desktop\\Tom & \"Jerry\" <1>.lnk");
    list.AddShortcut("C:\\b.url");
    list.AddFolder("D:\\\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0");
    ASSERT_TRUE(host::SaveIgnoreList(store, list));
    IgnoreList smaller;
    smaller.AddShortcut("C:\\b.url");
    smaller.AddFolder("E:\\");
    for (const IgnoreList* saved : {&list, &smaller}) {
        ASSERT_TRUE(host::SaveIgnoreList(store, *saved));
        const IgnoreList loaded = host::LoadIgnoreList(LoadedXml(path));  // a new start
        EXPECT_EQ(loaded.Shortcuts(), saved->Shortcuts());
        EXPECT_EQ(loaded.Folders(), saved->Folders());
    }
    const std::string text = FileText(path);
    EXPECT_EQ(text.find("<ignore"), text.rfind("<ignore")) << text;  // one element, reused
    EXPECT_TRUE(Contains(text, "<item name=\"C:\\\"")) << text;     // the selection is kept

    // An entry without a name is passed by, an element of a later version kept.
    const std::string odd = folder_.Write("odd.xml", "<config><ignore><shortcut/><later x=\"1\"/>"
                                                     "<folder name=\"F:\\a\"/></ignore></config>");
    host::XmlStoreComponent oddStore = LoadedXml(odd);
    const IgnoreList oddList = host::LoadIgnoreList(oddStore);
    EXPECT_TRUE(oddList.Shortcuts().empty());
    EXPECT_EQ(oddList.Folders(), std::vector<std::string>{"F:\\a"});
    ASSERT_TRUE(host::SaveIgnoreList(oddStore, smaller));
    EXPECT_TRUE(Contains(FileText(odd), "<later x=\"1\"/>")) << FileText(odd);

    // A document that is not the module's: nothing written.
    const std::string other = folder_.Write("other.xml", "<settings/>");
    EXPECT_FALSE(host::SaveIgnoreList(LoadedXml(other), smaller));
    EXPECT_EQ(FileText(other), "<settings/>");
    EXPECT_FALSE(host::SaveIgnoreList(host::XmlStoreComponent(), smaller));
}

}  // namespace
}  // namespace qm::test
