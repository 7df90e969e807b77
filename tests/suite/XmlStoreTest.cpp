// XML documents through the XML store over the system XML library.
#include "tests/suite/TestSupport.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace qm::test {
namespace {

using host::ComPtr;

constexpr std::string_view kModuleXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<config>\r\n"
    "  <!-- saved folder selection -->\r\n"
    "  <select_folders>\r\n"
    "    <item name=\"C:\\\"/>\r\n"
    "    <other name=\"not an item\"/>\r\n"
    "    <item name=\"D:\\Daten\\\xC3\x9C\x62\x65rsicht\"/>\r\n"
    "  </select_folders>\r\n"
    "  <empty/>\r\n"
    "</config>\r\n";

std::vector<std::string> ItemNames(const host::XmlStoreComponent& reader, const host::XmlStoreComponent& owner) {
    std::vector<std::string> names;
    ComPtr<IXmlNode> folders = owner.SelectNode("config/select_folders");
    if (!folders) return names;
    ComPtr<IXmlNodeList> items = owner.SelectChildren(folders.Get(), "item");
    if (!items) return names;
    while (ComPtr<IXmlNode> item = host::XmlStoreComponent::NextNode(items.Get())) {
        names.push_back(reader.GetAttribute(item.Get(), "name"));
    }
    return names;
}

TEST_F(ComponentTest, XmlLibraryIsPresent) {
    EXPECT_FALSE(Created<host::XmlStoreComponent>().IsLibraryMissing());
}

TEST_F(ComponentTest, XmlSelectsNodesByPathAndChildrenByName) {
    host::XmlStoreComponent store = Created<host::XmlStoreComponent>();
    store.Load(folder_.Write("module.xml", kModuleXml));
    struct Case {
        const char* path;
        const char* name;  // nullptr: none
    } cases[] = {
        {"config", "config"},
        {"config/select_folders", "select_folders"},
        {"config/empty", "empty"},
        {"config/absent", nullptr},
        {"other/select_folders", nullptr},  // the top element must match
        {"select_folders", nullptr},
        {"config/select_folders/item", "item"},
        {"config/select_folders/item/deeper", nullptr},
    };
    for (const Case& c : cases) {
        ComPtr<IXmlNode> node = store.SelectNode(c.path);
        ASSERT_EQ(node != nullptr, c.name != nullptr) << c.path;
        if (!node) continue;
        Bstr name;
        ASSERT_EQ(node->GetName(name.Put()), S_OK);
        EXPECT_EQ(Narrow(name.View()), c.name) << c.path;
    }
    for (const char* bad : {"", "config/", "/config", "config//select_folders"}) {
        EXPECT_EQ(ExpectComponentError([&] { store.SelectNode(bad); }).Code(), E_INVALIDARG) << bad;
    }

    EXPECT_EQ(ItemNames(store, store), (std::vector<std::string>{"C:\\", "D:\\Daten\\\xC3\x9C\x62\x65rsicht"}));
    EXPECT_EQ(store.SelectChildren(store.SelectNode("config/empty").Get(), "item"), nullptr);
    EXPECT_EQ(ExpectComponentError([&] { store.SelectChildren(nullptr, "item"); }).Code(), E_POINTER);

    // The raw contract: S_FALSE with null for absent nodes, lists and attributes.
    ComPtr<IXmlNode> none;
    Bstr absent(L"config/absent");
    EXPECT_EQ(store.Get()->SelectNode(absent.Get(), none.GetAddressOf()), S_FALSE);
    EXPECT_EQ(none.Get(), nullptr);
    ComPtr<IXmlNode> empty = store.SelectNode("config/empty");
    ComPtr<IXmlNodeList> list;
    Bstr item(L"item");
    EXPECT_EQ(store.Get()->SelectChildren(empty.Get(), item.Get(), list.GetAddressOf()), S_FALSE);
    EXPECT_EQ(list.Get(), nullptr);
    Variant value;
    Bstr name(L"name");
    EXPECT_EQ(store.Get()->GetAttribute(empty.Get(), name.Get(), value.Put()), S_OK);
    EXPECT_EQ(value.Get().vt, VT_NULL);
    EXPECT_EQ(store.GetAttribute(empty.Get(), "name"), "");

    // A list ends with S_FALSE and stays ended.
    ComPtr<IXmlNodeList> items = store.SelectChildren(store.SelectNode("config/select_folders").Get(), "item");
    ComPtr<IXmlNode> node;
    EXPECT_EQ(items->NextNode(node.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(items->NextNode(node.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(items->NextNode(node.ReleaseAndGetAddressOf()), S_FALSE);
    EXPECT_EQ(node.Get(), nullptr);
    EXPECT_EQ(items->NextNode(node.ReleaseAndGetAddressOf()), S_FALSE);
}

TEST_F(ComponentTest, XmlRoundTripKeepsUnicodeAndWorksAcrossStores) {
    const std::string file = folder_.Write("module.xml", kModuleXml);
    host::XmlStoreComponent common = Created<host::XmlStoreComponent>(), module = Created<host::XmlStoreComponent>();
    common.Load(folder_.Write("common.xml", "<suite/>"));
    module.Load(file);

    const std::string unicode = "E:\\\xE6\x96\x87\xE4\xBB\xB6 & <\"quoted\"> \xF0\x9D\x84\x9E";
    ComPtr<IXmlNode> folders = module.SelectNode("config/select_folders");
    // Remove the first item, add a new one through the other store: nodes cross stores.
    ComPtr<IXmlNodeList> items = module.SelectChildren(folders.Get(), "item");
    ComPtr<IXmlNode> first = host::XmlStoreComponent::NextNode(items.Get());
    ComPtr<IXmlNode> removed = common.RemoveChild(folders.Get(), first.Get());
    ASSERT_TRUE(removed);
    EXPECT_EQ(common.GetAttribute(removed.Get(), "name"), "C:\\");
    ComPtr<IXmlNode> added = common.AppendChild(folders.Get(), "item", "");
    ASSERT_TRUE(added);
    common.SetAttribute(added.Get(), "name", unicode);
    EXPECT_EQ(ItemNames(common, module), (std::vector<std::string>{"D:\\Daten\\\xC3\x9C\x62\x65rsicht", unicode}));

    // Removing a node that is not a child is an error, not a crash.
    EXPECT_TRUE(FAILED(ExpectComponentError([&] { module.RemoveChild(folders.Get(), removed.Get()); }).Code()));
    // Names that would make the saved file unreadable are refused before they reach the document.
    for (const char* bad : {"bad name", "1st", "a<b", "-x", "a&b", "q\""}) {
        EXPECT_EQ(ExpectComponentError([&] { module.AppendChild(folders.Get(), bad, ""); }).Code(), E_INVALIDARG) << bad;
        EXPECT_EQ(ExpectComponentError([&] { module.SetAttribute(folders.Get(), bad, "x"); }).Code(), E_INVALIDARG) << bad;
    }
    EXPECT_EQ(ExpectComponentError([&] { module.SetAttribute(nullptr, "name", "x"); }).Code(), E_POINTER);

    module.AppendChild(module.SelectNode("config").Get(), "note", "text \xE2\x9C\x93");
    module.Save();
    EXPECT_EQ(folder_.CountFiles(), 2) << "no temporary file stays behind";

    host::XmlStoreComponent reloaded = Created<host::XmlStoreComponent>();
    reloaded.Load(file);
    EXPECT_EQ(ItemNames(reloaded, reloaded), (std::vector<std::string>{"D:\\Daten\\\xC3\x9C\x62\x65rsicht", unicode}));
    EXPECT_TRUE(reloaded.SelectNode("config/note"));
    EXPECT_TRUE(Contains(TempFolder::Read(file), "<!-- saved folder selection -->")) << "comments survive";
}

// An attribute value that the XML library turns into text by asking for its value: the call
// stops there, inside the store's lock, until the test lets it go (or a second has passed).
class StoppingValue final : public IDispatch {
public:
    KernelHandle entered{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    KernelHandle release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> inside{false};

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (iid != __uuidof(IUnknown) && iid != __uuidof(IDispatch)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (id != DISPID_VALUE || !result) return DISP_E_MEMBERNOTFOUND;
        inside = true;
        ::SetEvent(entered.Get());
        ::WaitForSingleObject(release.Get(), 1000);
        inside = false;
        ::VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = ::SysAllocString(L"stopped");
        return S_OK;
    }
};

TEST_F(ComponentTest, XmlAStoreWorkingOnAnotherStoresNodeTakesThatStoresLock) {
    // The module document, changed through the common store on one thread (as the folder page
    // does with the module's nodes) while the module store itself changes it on another.
    host::XmlStoreComponent common = Created<host::XmlStoreComponent>(), module = Created<host::XmlStoreComponent>();
    common.Load(folder_.Write("common.xml", "<suite/>"));
    module.Load(folder_.Write("module.xml", kModuleXml));
    ComPtr<IXmlNode> folders = module.SelectNode("config/select_folders");
    ASSERT_TRUE(folders);

    StoppingValue value;
    HRESULT stoppedCall = E_FAIL;
    std::thread worker([&] {
        ComApartment apartment(COINIT_APARTMENTTHREADED);
        VARIANT dispatch;
        ::VariantInit(&dispatch);
        dispatch.vt = VT_DISPATCH;
        dispatch.pdispVal = &value;
        stoppedCall = common.Get()->SetAttribute(folders.Get(), Bstr(L"stopped").Get(), dispatch);
    });
    ASSERT_EQ(::WaitForSingleObject(value.entered.Get(), 10000), WAIT_OBJECT_0) << "the XML library never asked for the value";

    // The module document is being changed: its own store must wait for that change to end.
    module.SetAttribute(folders.Get(), "after", "1");
    const bool overlapped = value.inside;
    ::SetEvent(value.release.Get());
    worker.join();
    EXPECT_FALSE(overlapped) << "the module store changed its document while the common store was changing it";
    EXPECT_EQ(stoppedCall, S_OK);
    EXPECT_EQ(module.GetAttribute(folders.Get(), "stopped"), "stopped");
    EXPECT_EQ(common.GetAttribute(folders.Get(), "after"), "1");
}

TEST_F(ComponentTest, XmlBadFilesAreClearErrorsAndNeverOverwritten) {
    const std::string malformed = "<config>\r\n  <select_folders>\r\n    <item name=\"C:\\\">\r\n</config>\r\n";
    struct Case {
        const char* name;
        std::string path;
        const char* messagePart;
    } cases[] = {
        {"missing file", folder_.Path("absent.xml"), "does not exist"},
        {"empty path", "", "path is empty"},
        {"not well-formed", folder_.Write("broken.xml", malformed), "broken.xml\" cannot be loaded"},
        {"empty file", folder_.Write("empty.xml", ""), "cannot be loaded"},
        {"a folder", folder_.Path(), "folder"},
    };
    for (const Case& c : cases) {
        host::XmlStoreComponent store = Created<host::XmlStoreComponent>();
        store.Load(folder_.Write("good.xml", kModuleXml));
        const host::ComponentError error = ExpectComponentError([&] { store.Load(c.path); });
        EXPECT_TRUE(FAILED(error.Code())) << c.name;
        EXPECT_TRUE(Contains(error.Message(), c.messagePart)) << c.name << ": " << error.Message();
        // The store is now an empty document, and it refuses to save over anything.
        EXPECT_EQ(store.SelectNode("config/select_folders"), nullptr) << c.name;
        EXPECT_TRUE(FAILED(ExpectComponentError([&] { store.Save(); }).Code())) << c.name;
    }
    EXPECT_EQ(TempFolder::Read(folder_.Path("broken.xml")), malformed);
    EXPECT_EQ(TempFolder::Read(folder_.Path("good.xml")), kModuleXml);
}

TEST_F(ComponentTest, XmlSaveToAReadOnlyFileFailsAndKeepsIt) {
    const std::string file = folder_.Write("module.xml", kModuleXml);
    host::XmlStoreComponent store = Created<host::XmlStoreComponent>();
    store.Load(file);
    store.AppendChild(store.SelectNode("config").Get(), "added", "");
    TempFolder::SetReadOnly(file, true);
    const host::ComponentError error = ExpectComponentError([&] { store.Save(); });
    EXPECT_TRUE(Contains(error.Message(), "read-only")) << error.Message();
    EXPECT_EQ(TempFolder::Read(file), kModuleXml);
    EXPECT_EQ(folder_.CountFiles(), 1);
    TempFolder::SetReadOnly(file, false);
    store.Save();
    EXPECT_TRUE(Contains(TempFolder::Read(file), "<added"));
}

TEST_F(ComponentTest, XmlShippedDocumentsLoad) {
    for (const char* name : {"QuillMend.xml", "Common.xml"}) {
        const std::string file = std::string(QM_SOURCE_DIR "/res/data/") + name;
        if (TempFolder::Read(file) == "<missing>") continue;
        host::XmlStoreComponent store = Created<host::XmlStoreComponent>();
        EXPECT_NO_THROW(store.Load(file)) << name;
        EXPECT_TRUE(store.SelectNode("config")) << name;
    }
}

}  // namespace
}  // namespace qm::test
