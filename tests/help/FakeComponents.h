// Recording stand-ins for the settings and language components, installed in the program's
// component references for one test: every call is logged, values live in memory, and a call
// can be made to fail. The language stand-in answers "<key>" for keys it was not given, or
// the English texts of the language file when a test loads it (for screenshots).
#pragma once

#include "suite/include/QuillSuite.h"

#include <wrl/client.h>

#include <map>
#include <string>
#include <vector>

namespace qm::testkit {

class FakeConfig final : public IConfigComponent {
public:
    std::map<std::wstring, std::wstring> strings;  // "section/key" -> value
    std::map<std::wstring, LONG> ints;
    std::vector<std::string> calls;  // "GetInt section,key", "SetInt section,key,value"
    HRESULT failWith = S_OK;         // every call answers this when it is a failure

    std::vector<std::string> SetIntCalls() const;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Load(BSTR) override { return S_OK; }
    STDMETHODIMP GetString(BSTR section, BSTR key, BSTR* value) override;
    STDMETHODIMP GetInt(BSTR section, BSTR key, LONG* value) override;
    STDMETHODIMP SetInt(BSTR section, BSTR key, LONG value) override;

private:
    ULONG references_ = 1;
};

class FakeLanguage final : public ILanguageComponent {
public:
    std::map<std::wstring, std::wstring> texts;
    int translateCalls = 0;

    // Reads KEY=text lines of a language file (UTF-8, "\n" escapes).
    bool LoadFile(const std::wstring& path);
    std::wstring TextOf(const std::wstring& key) const;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Load(BSTR) override { return S_OK; }
    STDMETHODIMP GetText(BSTR key, BSTR* text) override;
    STDMETHODIMP TranslateWindow(HWND window) override;

private:
    ULONG references_ = 1;
};

// Puts fresh stand-ins into TheComponents() for the lifetime of the object.
class InstalledFakes {
public:
    InstalledFakes();
    ~InstalledFakes();
    InstalledFakes(const InstalledFakes&) = delete;
    InstalledFakes& operator=(const InstalledFakes&) = delete;
    FakeConfig& config;
    FakeLanguage& language;
};

// The language file of the source tree, for tests that show real texts.
std::wstring SourceLanguageFile();

}  // namespace qm::testkit
