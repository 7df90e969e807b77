// The DLL's entry points: one class factory serves every coclass through the class table.

#include "suite/components/Coclasses.h"
#include "suite/components/ComObject.h"
#include "suite/include/QuillSuite.h"

#include <iterator>

namespace qm::suite {
namespace {

std::atomic<long> g_moduleCount{0};

using CreateFunction = HRESULT (*)(const IID&, void**) noexcept;

struct ClassEntry {
    const CLSID* clsid;
    CreateFunction create;
};

const ClassEntry kClasses[] = {
    {&CLSID_ConfigComponent, CreateConfigComponent},
    {&CLSID_LanguageComponent, CreateLanguageComponent},
    {&CLSID_XmlStoreComponent, CreateXmlStoreComponent},
    {&CLSID_BackupComponent, CreateBackupComponent},
    {&CLSID_SkinComponent, CreateSkinComponent},
    {&CLSID_FileFinderComponent, CreateFileFinderComponent},
};

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreateFunction create) noexcept : create_(create) { ModuleAddRef(); }
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references_); }
    STDMETHODIMP_(ULONG) Release() override {
        const long left = --references_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_(iid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) ModuleAddRef();
        else ModuleRelease();
        return S_OK;
    }

private:
    ~ClassFactory() { ModuleRelease(); }

    CreateFunction create_;
    std::atomic<long> references_{1};
};

}  // namespace

void ModuleAddRef() noexcept { ++g_moduleCount; }
void ModuleRelease() noexcept { --g_moduleCount; }
long ModuleCount() noexcept { return g_moduleCount.load(); }

}  // namespace qm::suite

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    for (const auto& entry : qm::suite::kClasses) {
        if (*entry.clsid != clsid) continue;
        auto* factory = new (std::nothrow) qm::suite::ClassFactory(entry.create);
        if (!factory) return E_OUTOFMEMORY;
        const HRESULT result = factory->QueryInterface(iid, object);
        factory->Release();
        return result;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return qm::suite::ModuleCount() == 0 ? S_OK : S_FALSE;
}
