// A recording stand-in for the suite's components' DLL, built as QuillSuite.dll with the same
// class identifiers. Placed beside a test copy of QuillMend.exe, it writes every creation,
// call (with its arguments) and final release to "calls.log" beside itself, one line each.
// The section [recording_double] of the "config.ini" beside it chooses where it fails:
//   unavailable=SkinComponent           that class cannot be created (not registered)
//   xml_library=missing                 CheckLibrary answers S_FALSE
//   fail=LanguageComponent.Load         that operation fails with E_FAIL and error information
// The configuration component reads and writes the INI file given to Load, as the real one; the
// language component answers every key as "<key>".
// The file finder plays a search per root as the section [recording_double_find] scripts it,
// one line per root (the root as the key), words separated by spaces:
//   folders=N    reports N folders ROOT\fK (and, with "dots", a "." and a ".." entry first)
//   found=N      reports N broken shortcuts ROOT\fK\sK.lnk, each after its folder, with the
//                target ROOT\goneK.exe and the reason TargetMissing
//   endless      after those, reports folders until a callback answers 0
//   wait=NAME    before returning, waits (up to 30 s) for the named event to be set
//   checked=N    says through IFinderCoverage that N shortcuts were checked (else as many as found)
//   fail=CODE    fails with that code (hexadecimal) and error information naming the root
// Its search for moved targets (IMovedTargetFinder) reports the shortcut at position I with the
// target "goneI.exe" no longer in "<its folder>\old", suggested at "<its folder>\new\goneI.exe",
// certain for even I, possible for odd I; every third (I = 2, 5, ...) a folder with no suggestion
// but a confidence. With "suggest=endless" in [recording_double] it reports progress until the
// callback answers 0 instead.
// Like the real component, every object aggregates the free-threaded marshaler.
#include "base/Utf.h"
#include "suite/include/QuillSuite.h"

#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <map>
#include <mutex>
#include <cwchar>
#include <sstream>
#include <string>

namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::mutex g_logLock;

std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(g_module, path, MAX_PATH);
    std::wstring text(path);
    return text.substr(0, text.find_last_of(L'\\'));
}

std::wstring Control(const wchar_t* key) {
    wchar_t value[256] = {};
    const std::wstring ini = ModuleFolder() + L"\\config.ini";
    ::GetPrivateProfileStringW(L"recording_double", key, L"", value, 256, ini.c_str());
    return value;
}

void Log(const std::wstring& line) {
    std::lock_guard<std::mutex> lock(g_logLock);
    const std::wstring path = ModuleFolder() + L"\\calls.log";
    HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string utf8 = qm::Narrow(line) + "\n";
    DWORD written = 0;
    ::WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::wstring Text(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }

// Each instance is named "<Class>#<n>", numbered per class in creation order.
std::wstring NextName(const wchar_t* className) {
    static std::mutex lock;
    static std::map<std::wstring, int> counts;
    std::lock_guard<std::mutex> guard(lock);
    return std::wstring(className) + L"#" + std::to_wstring(++counts[className]);
}

template <typename Interface>
class Recorded : public Interface, public ISupportErrorInfo {
public:
    explicit Recorded(const wchar_t* className) : className_(className), name_(NextName(className)) {
        ++g_objects;
        ::CoCreateFreeThreadedMarshaler(static_cast<Interface*>(this), &marshaler_);
        Log(L"create " + name_);
    }
    virtual ~Recorded() {
        if (marshaler_) marshaler_->Release();
        Log(L"release " + name_);
        --g_objects;
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
        } else if (iid == __uuidof(ISupportErrorInfo)) {
            *object = static_cast<ISupportErrorInfo*>(this);
        } else if (iid == IID_IMarshal && marshaler_) {
            return marshaler_->QueryInterface(iid, object);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == __uuidof(Interface) ? S_OK : S_FALSE;
    }

protected:
    // Logs the call and answers the failure chosen for it, if any.
    HRESULT Call(const wchar_t* method, const std::wstring& arguments = L"") {
        Log(name_ + L"." + method + L"(" + arguments + L")");
        if (Control(L"fail") != std::wstring(className_) + L"." + method) return S_OK;
        return Fail(E_FAIL, L"Recorded failure of " + std::wstring(className_) + L"." + method);
    }

    // Leaves error information with `description` and answers `code`.
    HRESULT Fail(HRESULT code, const std::wstring& description) {
        ICreateErrorInfo* create = nullptr;
        if (SUCCEEDED(::CreateErrorInfo(&create))) {
            create->SetDescription(const_cast<wchar_t*>(description.c_str()));
            create->SetGUID(__uuidof(Interface));
            IErrorInfo* info = nullptr;
            if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
                ::SetErrorInfo(0, info);
                info->Release();
            }
            create->Release();
        }
        return code;
    }

private:
    std::atomic<ULONG> references_{1};
    IUnknown* marshaler_ = nullptr;
    const wchar_t* className_;
    std::wstring name_;
};

class Config : public Recorded<IConfigComponent> {
public:
    Config() : Recorded(L"ConfigComponent") {}
    STDMETHODIMP Load(BSTR path) override {
        path_ = Text(path);
        return Call(L"Load", path_);
    }
    STDMETHODIMP GetString(BSTR section, BSTR key, BSTR* value) override {
        *value = nullptr;
        const HRESULT result = Call(L"GetString", Text(section) + L"," + Text(key));
        if (FAILED(result)) return result;
        wchar_t buffer[1024] = {};
        ::GetPrivateProfileStringW(Text(section).c_str(), Text(key).c_str(), L"", buffer, 1024, path_.c_str());
        *value = ::SysAllocString(buffer);
        return S_OK;
    }
    STDMETHODIMP GetInt(BSTR section, BSTR key, LONG* value) override {
        *value = 0;
        const HRESULT result = Call(L"GetInt", Text(section) + L"," + Text(key));
        if (FAILED(result)) return result;
        *value = static_cast<LONG>(::GetPrivateProfileIntW(Text(section).c_str(), Text(key).c_str(), 0, path_.c_str()));
        return S_OK;
    }
    STDMETHODIMP SetInt(BSTR section, BSTR key, LONG value) override {
        const HRESULT result = Call(L"SetInt", Text(section) + L"," + Text(key) + L"," + std::to_wstring(value));
        if (FAILED(result)) return result;
        ::WritePrivateProfileStringW(Text(section).c_str(), Text(key).c_str(), std::to_wstring(value).c_str(), path_.c_str());
        return S_OK;
    }

private:
    std::wstring path_;
};

class Language : public Recorded<ILanguageComponent> {
public:
    Language() : Recorded(L"LanguageComponent") {}
    STDMETHODIMP Load(BSTR path) override { return Call(L"Load", Text(path)); }
    // Answers the key itself, as the real component does for a key its file lacks.
    STDMETHODIMP GetText(BSTR key, BSTR* text) override {
        *text = nullptr;
        const HRESULT result = Call(L"GetText", Text(key));
        // "<key>": which key was asked for shows, and the program sees a text (a language file
        // that has every key), not the key itself, which stands for a text the file lacks.
        if (SUCCEEDED(result)) *text = ::SysAllocString((L"<" + Text(key) + L">").c_str());
        return result;
    }
    STDMETHODIMP TranslateWindow(HWND) override { return Call(L"TranslateWindow"); }
};

class XmlStore : public Recorded<IXmlStoreComponent> {
public:
    XmlStore() : Recorded(L"XmlStoreComponent") {}
    STDMETHODIMP CheckLibrary() override {
        const HRESULT result = Call(L"CheckLibrary");
        if (FAILED(result)) return result;
        return Control(L"xml_library") == L"missing" ? S_FALSE : S_OK;
    }
    STDMETHODIMP Load(BSTR path) override { return Call(L"Load", Text(path)); }
    STDMETHODIMP SelectNode(BSTR path, IXmlNode** node) override {
        *node = nullptr;
        const HRESULT result = Call(L"SelectNode", Text(path));
        return FAILED(result) ? result : S_FALSE;
    }
    STDMETHODIMP SelectChildren(IXmlNode*, BSTR name, IXmlNodeList** list) override {
        *list = nullptr;
        const HRESULT result = Call(L"SelectChildren", Text(name));
        return FAILED(result) ? result : S_FALSE;
    }
    STDMETHODIMP GetAttribute(IXmlNode*, BSTR name, VARIANT* value) override {
        ::VariantInit(value);
        value->vt = VT_NULL;
        return Call(L"GetAttribute", Text(name));
    }
    STDMETHODIMP AppendChild(IXmlNode*, BSTR name, BSTR, IXmlNode** child) override {
        *child = nullptr;
        Call(L"AppendChild", Text(name));
        return E_NOTIMPL;
    }
    STDMETHODIMP SetAttribute(IXmlNode*, BSTR name, VARIANT) override { return Call(L"SetAttribute", Text(name)); }
    STDMETHODIMP RemoveChild(IXmlNode*, IXmlNode*, IXmlNode** removed) override {
        *removed = nullptr;
        Call(L"RemoveChild");
        return E_NOTIMPL;
    }
    STDMETHODIMP Save() override { return Call(L"Save"); }
};

class Backup : public Recorded<IBackupComponent> {
public:
    Backup() : Recorded(L"BackupComponent") {}
    STDMETHODIMP SetBackupDir(BSTR directory) override { return Call(L"SetBackupDir", Text(directory)); }
    STDMETHODIMP GetBackupDir(BSTR* directory) override {
        *directory = nullptr;
        return Call(L"GetBackupDir", L"");
    }
};

class Skin : public Recorded<ISkinComponent> {
public:
    Skin() : Recorded(L"SkinComponent") {}
    STDMETHODIMP AttachWindow(HWND window) override { return Call(L"AttachWindow", window ? L"window" : L"null"); }
    STDMETHODIMP ApplySkin(BSTR root, BSTR description) override {
        return Call(L"ApplySkin", Text(root) + L"," + Text(description));
    }
    STDMETHODIMP UseNoSkin() override { return Call(L"UseNoSkin"); }
};

// What the last scripted search on each thread reported, for IFinderCoverage.
thread_local FinderCoverage t_lastCoverage{sizeof(FinderCoverage), 0, 0};

class FileFinder : public Recorded<IFileFinderComponent>, public IMovedTargetFinder, public IFinderCoverage {
public:
    FileFinder() : Recorded(L"FileFinderComponent") {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (object && iid == __uuidof(IMovedTargetFinder)) {
            *object = static_cast<IMovedTargetFinder*>(this);
            AddRef();
            return S_OK;
        }
        if (object && iid == __uuidof(IFinderCoverage)) {
            *object = static_cast<IFinderCoverage*>(this);
            AddRef();
            return S_OK;
        }
        return Recorded::QueryInterface(iid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return Recorded::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return Recorded::Release(); }

    STDMETHODIMP SuggestTargets(const char** paths, LONG count, MovedTargetCallback onReport,
                                MovedTargetProgress onProgress, void* context) override {
        constexpr HRESULT kStopped = 0x00040201;
        const HRESULT result = Call(L"SuggestTargets", std::to_wstring(count));
        if (FAILED(result)) return result;
        if (Control(L"suggest") == L"endless") {
            for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 30000; ::Sleep(1)) {
                if (onProgress && !onProgress(0, count, context)) return kStopped;
            }
            return kStopped;
        }
        for (LONG i = 0; i < count; ++i) {
            if (onProgress && !onProgress(i + 1, count, context)) return kStopped;
        }
        for (LONG i = 0; i < count; ++i) {
            const std::string path = paths[i];
            const std::string folder = path.substr(0, path.find_last_of('\\'));
            const std::string name = "gone" + std::to_string(i) + ".exe";
            const std::string old = folder + "\\old";
            const bool none = i % 3 == 2;
            const std::string suggestion = none ? "" : folder + "\\new\\" + name;
            const MovedTargetReport report{sizeof(MovedTargetReport), i,          "ItemNotInFolder", name.c_str(), old.c_str(),
                                           suggestion.c_str(),        i % 2 ? "Possible" : "Certain", none ? "" : "SubtreeSearch",
                                           none ? 1 : 0};
            if (!onReport(&report, context)) return kStopped;
        }
        return S_OK;
    }
    STDMETHODIMP LastSearchCoverage(FinderCoverage* coverage) override {
        const HRESULT result = Call(L"LastSearchCoverage");
        if (FAILED(result)) return result;
        coverage->foldersSearched = t_lastCoverage.foldersSearched;
        coverage->shortcutsChecked = t_lastCoverage.shortcutsChecked;
        return S_OK;
    }
    STDMETHODIMP FindFiles(char* root, const char**, LONG, FinderCallback onFile, void* fileContext,
                           FinderCallback onFolder, void* folderContext, const char**, LONG, LONG, LONG, LONG, LONG,
                           LONG, LONG, LONG, LONG) override {
        const std::string path = root ? root : "";
        const HRESULT result = Call(L"FindFiles", qm::Widen(path));
        if (FAILED(result)) return result;
        wchar_t line[512] = {};
        const std::wstring ini = ModuleFolder() + L"\\config.ini";
        ::GetPrivateProfileStringW(L"recording_double_find", qm::Widen(path).c_str(), L"", line, 512, ini.c_str());
        std::map<std::wstring, std::wstring> script;
        std::wistringstream words(line);
        for (std::wstring text; words >> text;) {
            const size_t equals = text.find(L'=');
            script[text.substr(0, equals)] = equals == std::wstring::npos ? L"" : text.substr(equals + 1);
        }
        if (script.count(L"fail")) {
            return Fail(static_cast<HRESULT>(std::wcstoul(script[L"fail"].c_str(), nullptr, 16)),
                        L"cannot search \"" + qm::Widen(path) + L"\": recorded failure");
        }
        const HRESULT searched = Play(path, script, onFile, fileContext, onFolder, folderContext);
        if (script.count(L"wait")) {
            HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, script[L"wait"].c_str());
            ::WaitForSingleObject(event, 30000);
            ::CloseHandle(event);
        }
        return searched;
    }

private:
    static WIN32_FIND_DATAA Entry(const std::string& name) {
        WIN32_FIND_DATAA data{};
        data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
        lstrcpynA(data.cFileName, name.c_str(), MAX_PATH);
        return data;
    }

    // The scripted reports; the finder's own "stopped" code once a callback answers 0.
    static HRESULT Play(const std::string& root, std::map<std::wstring, std::wstring>& script, FinderCallback onFile,
                        void* fileContext, FinderCallback onFolder, void* folderContext) {
        constexpr HRESULT kStopped = 0x00040201;
        if (script.count(L"dots")) {
            if (!onFolder((root + "\\.").c_str(), nullptr, Entry("."), folderContext)) return kStopped;
            if (!onFolder((root + "\\..").c_str(), nullptr, Entry(".."), folderContext)) return kStopped;
        }
        const unsigned long folders = std::wcstoul(script[L"folders"].c_str(), nullptr, 10);
        const unsigned long found = std::wcstoul(script[L"found"].c_str(), nullptr, 10);
        const bool endless = script.count(L"endless") != 0;
        t_lastCoverage.shortcutsChecked = script.count(L"checked") ? std::wcstoul(script[L"checked"].c_str(), nullptr, 10) : found;
        t_lastCoverage.foldersSearched = 0;
        for (unsigned long k = 0; k < folders || k < found || endless; ++k) {
            const std::string number = std::to_string(k);
            const std::string folder = root + "\\f" + number;
            ++t_lastCoverage.foldersSearched;
            if (!onFolder(folder.c_str(), nullptr, Entry("f" + number), folderContext)) return kStopped;
            if (k < found) {
                const std::string target = root + "\\gone" + number + ".exe";
                const FinderReport report{sizeof(FinderReport), target.c_str(), "TargetMissing", ""};
                WIN32_FIND_DATAA file = Entry("s" + number + ".lnk");
                file.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
                if (!onFile((folder + "\\s" + number + ".lnk").c_str(), &report, file, fileContext)) return kStopped;
            }
            if (endless && k > 10000000) break;
        }
        return S_OK;
    }

};

using Creator = IUnknown* (*)();
template <typename T>
IUnknown* Make() {
    return static_cast<IUnknown*>(static_cast<ISupportErrorInfo*>(new T));
}

struct ClassEntry {
    const CLSID* clsid;
    const wchar_t* name;
    Creator create;
};
const ClassEntry kClasses[] = {
    {&CLSID_ConfigComponent, L"ConfigComponent", &Make<Config>},
    {&CLSID_LanguageComponent, L"LanguageComponent", &Make<Language>},
    {&CLSID_XmlStoreComponent, L"XmlStoreComponent", &Make<XmlStore>},
    {&CLSID_BackupComponent, L"BackupComponent", &Make<Backup>},
    {&CLSID_SkinComponent, L"SkinComponent", &Make<Skin>},
    {&CLSID_FileFinderComponent, L"FileFinderComponent", &Make<FileFinder>},
};

class Factory final : public IClassFactory {
public:
    explicit Factory(Creator create) : create_(create) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IUnknown* instance = create_();
        const HRESULT result = instance->QueryInterface(iid, object);
        instance->Release();
        return result;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    std::atomic<ULONG> references_{1};
    Creator create_;
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    *object = nullptr;
    for (const ClassEntry& entry : kClasses) {
        if (clsid != *entry.clsid) continue;
        if (Control(L"unavailable") == entry.name) return CLASS_E_CLASSNOTAVAILABLE;
        Factory* factory = new Factory(entry.create);
        const HRESULT result = factory->QueryInterface(iid, object);
        factory->Release();
        return result;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }
