#include "tests/help/FakeComponents.h"

#include "base/Utf.h"
#include "base/win/Handle.h"
#include "base/win/SystemText.h"
#include "host/Components.h"

#include <fstream>
#include <sstream>

namespace qm::testkit {

namespace {
std::wstring Key(BSTR section, BSTR key) {
    return std::wstring(section ? section : L"") + L"/" + (key ? key : L"");
}
std::string Log(const char* name, BSTR section, BSTR key) {
    return std::string(name) + " " + Narrow(section ? section : L"") + "," + Narrow(key ? key : L"");
}
}  // namespace

std::vector<std::string> FakeConfig::SetIntCalls() const {
    std::vector<std::string> setCalls;
    for (const std::string& call : calls)
        if (call.rfind("SetInt ", 0) == 0) setCalls.push_back(call);
    return setCalls;
}

STDMETHODIMP FakeConfig::QueryInterface(REFIID iid, void** object) {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IConfigComponent)) {
        *object = static_cast<IConfigComponent*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FakeConfig::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP FakeConfig::GetString(BSTR section, BSTR key, BSTR* value) {
    calls.push_back(Log("GetString", section, key));
    if (FAILED(failWith)) return failWith;
    auto found = strings.find(Key(section, key));
    *value = ::SysAllocString(found == strings.end() ? L"" : found->second.c_str());
    return S_OK;
}

STDMETHODIMP FakeConfig::GetInt(BSTR section, BSTR key, LONG* value) {
    calls.push_back(Log("GetInt", section, key));
    if (FAILED(failWith)) return failWith;
    auto found = ints.find(Key(section, key));
    *value = found == ints.end() ? 0 : found->second;
    return S_OK;
}

STDMETHODIMP FakeConfig::SetInt(BSTR section, BSTR key, LONG value) {
    calls.push_back(Log("SetInt", section, key) + "," + std::to_string(value));
    if (FAILED(failWith)) return failWith;
    ints[Key(section, key)] = value;
    return S_OK;
}

bool FakeLanguage::LoadFile(const std::wstring& path) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) content.append(buffer, read);
    std::istringstream lines(content);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '[') continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string text;
        for (size_t i = equals + 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                const char next = line[++i];
                text += next == 'n' ? '\n' : next == 't' ? '\t' : next;
            } else {
                text += line[i];
            }
        }
        texts[Widen(line.substr(0, equals))] = Widen(text);
    }
    return true;
}

std::wstring FakeLanguage::TextOf(const std::wstring& key) const {
    auto found = texts.find(key);
    return found == texts.end() ? L"<" + key + L">" : found->second;
}

STDMETHODIMP FakeLanguage::QueryInterface(REFIID iid, void** object) {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(ILanguageComponent)) {
        *object = static_cast<ILanguageComponent*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FakeLanguage::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP FakeLanguage::GetText(BSTR key, BSTR* text) {
    *text = ::SysAllocString(TextOf(key ? key : L"").c_str());
    return S_OK;
}

namespace {
void TranslateOne(HWND window, const FakeLanguage& language) {
    const std::wstring key = WindowText(window);
    if (!key.empty() && (key[0] == L'_' || key.rfind(L"SUPPORTDLG_", 0) == 0))
        ::SetWindowTextW(window, language.TextOf(key).c_str());
}
BOOL CALLBACK TranslateChild(HWND child, LPARAM language) {
    TranslateOne(child, *reinterpret_cast<const FakeLanguage*>(language));
    return TRUE;
}
}  // namespace

STDMETHODIMP FakeLanguage::TranslateWindow(HWND window) {
    ++translateCalls;
    TranslateOne(window, *this);
    ::EnumChildWindows(window, TranslateChild, reinterpret_cast<LPARAM>(this));
    return S_OK;
}

InstalledFakes::InstalledFakes() : config(*new FakeConfig), language(*new FakeLanguage) {
    Microsoft::WRL::ComPtr<IConfigComponent> configReference;
    configReference.Attach(&config);
    Microsoft::WRL::ComPtr<ILanguageComponent> languageReference;
    languageReference.Attach(&language);
    host::TheComponents().config = host::ConfigComponent(std::move(configReference));
    host::TheComponents().language = host::LanguageComponent(std::move(languageReference));
}

InstalledFakes::~InstalledFakes() {
    host::TheComponents().config.Reset();
    host::TheComponents().language.Reset();
}

std::wstring SourceLanguageFile() {
    std::wstring root = Widen(QM_SOURCE_DIR);
    // A build on Linux run under Wine sees the source tree through drive Z:.
    if (!root.empty() && root[0] == L'/') root = L"Z:" + root;
    return root + L"/res/lang/English.lng";
}

}  // namespace qm::testkit
