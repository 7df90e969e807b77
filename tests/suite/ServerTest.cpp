// The DLL as a COM server: every class through the manifest, one factory, the module count.
#include "tests/suite/TestSupport.h"

namespace qm::test {
namespace {

using host::ComPtr;

struct ClassCase {
    const char* name;
    const CLSID* clsid;
    const IID* iid;
};
const ClassCase kClasses[] = {
    {"ConfigComponent", &CLSID_ConfigComponent, &__uuidof(IConfigComponent)},
    {"LanguageComponent", &CLSID_LanguageComponent, &__uuidof(ILanguageComponent)},
    {"XmlStoreComponent", &CLSID_XmlStoreComponent, &__uuidof(IXmlStoreComponent)},
    {"BackupComponent", &CLSID_BackupComponent, &__uuidof(IBackupComponent)},
    {"SkinComponent", &CLSID_SkinComponent, &__uuidof(ISkinComponent)},
    {"FileFinderComponent", &CLSID_FileFinderComponent, &__uuidof(IFileFinderComponent)},
};

TEST_F(ComponentTest, EveryClassIsCreatedThroughTheManifestWithItsInterface) {
    for (const ClassCase& c : kClasses) {
        ComPtr<IUnknown> object;
        ASSERT_EQ(host::CreateComponent(*c.clsid, *c.iid, reinterpret_cast<void**>(object.GetAddressOf())), S_OK) << c.name;

        // One identity, and rich error information declared for its own interface only.
        ComPtr<IUnknown> identity1, identity2;
        ComPtr<ISupportErrorInfo> support;
        ASSERT_EQ(object.As(&identity1), S_OK);
        ASSERT_EQ(object.As(&support), S_OK) << c.name;
        ASSERT_EQ(support.As(&identity2), S_OK);
        EXPECT_EQ(identity1.Get(), identity2.Get()) << c.name;
        EXPECT_EQ(support->InterfaceSupportsErrorInfo(*c.iid), S_OK) << c.name;
        EXPECT_EQ(support->InterfaceSupportsErrorInfo(__uuidof(IDispatch)), S_FALSE) << c.name;

        // The other classes' interfaces are not there.
        for (const ClassCase& other : kClasses) {
            if (&other == &c) continue;
            ComPtr<IUnknown> wrong;
            EXPECT_EQ(object->QueryInterface(*other.iid, reinterpret_cast<void**>(wrong.GetAddressOf())), E_NOINTERFACE)
                << c.name << " as " << other.name;
            EXPECT_EQ(wrong.Get(), nullptr);
        }
    }
    // Two instances of one class are separate objects (the two XML stores).
    host::XmlStoreComponent first, second;
    ASSERT_EQ(host::XmlStoreComponent::Create(first), S_OK);
    ASSERT_EQ(host::XmlStoreComponent::Create(second), S_OK);
    EXPECT_NE(first.Get(), second.Get());
}

TEST_F(ComponentTest, FactoryAndModuleCountFollowObjectsAndLocks) {
    // The same module that COM loaded through the manifest.
    HMODULE dll = ::GetModuleHandleW(L"QuillSuite.dll");
    ModuleHandle loaded;
    if (!dll) {
        loaded.Reset(::LoadLibraryW(L"QuillSuite.dll"));
        dll = loaded.Get();
    }
    ASSERT_NE(dll, nullptr);
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(::GetProcAddress(dll, "DllGetClassObject"));
    auto canUnload = reinterpret_cast<CanUnloadFn>(::GetProcAddress(dll, "DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject && canUnload) << "undecorated exports";

    ASSERT_EQ(canUnload(), S_OK);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_ConfigComponent, __uuidof(IClassFactory), reinterpret_cast<void**>(factory.GetAddressOf())), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE) << "a live factory keeps the module";

    ComPtr<IUnknown> none;
    EXPECT_EQ(getClassObject(GUID_NULL, __uuidof(IClassFactory), reinterpret_cast<void**>(none.GetAddressOf())),
              CLASS_E_CLASSNOTAVAILABLE);
    ComPtr<IUnknown> outer, aggregated;
    ASSERT_EQ(factory.As(&outer), S_OK);
    EXPECT_EQ(factory->CreateInstance(outer.Get(), __uuidof(IUnknown), reinterpret_cast<void**>(aggregated.GetAddressOf())),
              CLASS_E_NOAGGREGATION);
    ComPtr<IConfigComponent> config;
    ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IConfigComponent), reinterpret_cast<void**>(config.GetAddressOf())), S_OK);
    ComPtr<ILanguageComponent> wrongInterface;
    EXPECT_EQ(factory->CreateInstance(nullptr, __uuidof(ILanguageComponent), reinterpret_cast<void**>(wrongInterface.GetAddressOf())),
              E_NOINTERFACE);

    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    outer.Reset();
    config.Reset();
    EXPECT_EQ(canUnload(), S_FALSE) << "LockServer(TRUE) holds the module with no object alive";
    // Unlock through a new factory, as a client that locked and released would.
    ASSERT_EQ(getClassObject(CLSID_SkinComponent, __uuidof(IClassFactory), reinterpret_cast<void**>(factory.GetAddressOf())), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnload(), S_OK);
}

// An object without rich error information: ComponentError falls back to a text naming the code.
class PlainObject final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        *object = iid == __uuidof(IUnknown) ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
};

TEST_F(ComponentTest, ComponentErrorCarriesTheComponentsTextOrNamesTheCode) {
    host::BackupComponent backup;
    ASSERT_EQ(host::BackupComponent::Create(backup), S_OK);
    const host::ComponentError rich = ExpectComponentError([&] { backup.SetBackupDir(""); });
    EXPECT_EQ(rich.Code(), E_INVALIDARG);
    EXPECT_TRUE(Contains(rich.Message(), "backup folder")) << rich.Message();
    EXPECT_STREQ(rich.what(), rich.Message().c_str());

    PlainObject plain;
    const host::ComponentError generic = host::ComponentError::FromCall(E_ACCESSDENIED, &plain, __uuidof(IUnknown));
    EXPECT_EQ(generic.Code(), E_ACCESSDENIED);
    EXPECT_TRUE(Contains(generic.Message(), "0x80070005")) << generic.Message();
    EXPECT_NO_THROW(host::ThrowIfFailed(S_FALSE, &plain, __uuidof(IUnknown)));
    EXPECT_THROW(host::ThrowIfFailed(E_FAIL, nullptr, __uuidof(IUnknown)), host::ComponentError);

    // A wrapper that holds no component raises, it does not crash.
    host::ConfigComponent empty;
    EXPECT_EQ(ExpectComponentError([&] { empty.GetInt("common", "EnableSkin"); }).Code(), E_POINTER);
}

}  // namespace
}  // namespace qm::test
