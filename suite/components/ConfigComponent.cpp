// The suite's settings file ("config.ini"). Reads answer from the document loaded last; SetInt
// re-reads the file, changes the one line and writes it back at once, atomically, so another
// program's edits made since Load survive and a reader never sees a half-written file.

#include "base/Utf.h"
#include "suite/components/Coclasses.h"
#include "suite/components/ComObject.h"
#include "suite/components/FileIo.h"
#include "suite/include/QuillSuite.h"
#include "suite/text/IniDocument.h"

#include <mutex>
#include <optional>
#include <string>

namespace qm::suite {
namespace {

constexpr const wchar_t* kSource = L"ConfigComponent";
constexpr const wchar_t* kWhat = L"settings file";

IniDocument ParseSettings(const std::string& content, const std::wstring& path) {
    IniDocument::ParseError error;
    std::optional<IniDocument> document = IniDocument::Parse(content, error);
    if (!document) {
        std::wstring where = error.line ? L" (line " + std::to_wstring(error.line) + L")" : L"";
        throw ComFailure(HRESULT_FROM_WIN32(ERROR_INVALID_DATA),
                         L"The settings file \"" + path + L"\" is malformed" + where + L": " + Widen(error.message) + L".");
    }
    return std::move(*document);
}

std::string NameArgument(BSTR name, bool isSection) {
    std::string text = Narrow(BstrView(name));
    if (!IsWritableIniName(text, isSection)) {
        throw ComFailure(E_INVALIDARG, std::wstring(isSection ? L"The section name \"" : L"The key name \"") +
                                           std::wstring(BstrView(name)) + L"\" cannot be written to a settings file.");
    }
    return text;
}

class ConfigComponent final : public ComObject<IConfigComponent> {
public:
    ConfigComponent() noexcept { OfferFreeThreadedMarshaling(); }

    STDMETHODIMP Load(BSTR path) override {
        return GuardCall(kSource, __uuidof(IConfigComponent), [&] {
            std::wstring file(BstrView(path));
            if (file.empty()) throw ComFailure(E_INVALIDARG, L"No settings file was named (the path is empty).");
            // A failed load leaves no file behind the component, so no later SetInt can write to
            // a file it never read.
            {
                std::lock_guard lock(mutex_);
                path_.clear();
                document_ = IniDocument();
            }
            IniDocument document = ParseSettings(ReadTextFile(file, kWhat), file);
            std::lock_guard lock(mutex_);
            path_ = std::move(file);
            document_ = std::move(document);
            return S_OK;
        });
    }

    STDMETHODIMP GetString(BSTR section, BSTR key, BSTR* value) override {
        return GuardCall(kSource, __uuidof(IConfigComponent), [&] {
            if (!value) throw ComFailure(E_POINTER, L"GetString was given no place for its result.");
            *value = nullptr;
            std::optional<std::string> text;
            {
                std::lock_guard lock(mutex_);
                text = document_.Get(Narrow(BstrView(section)), Narrow(BstrView(key)));
            }
            *value = AllocBstr(text ? Widen(*text) : std::wstring());
            return S_OK;
        });
    }

    STDMETHODIMP GetInt(BSTR section, BSTR key, LONG* value) override {
        return GuardCall(kSource, __uuidof(IConfigComponent), [&] {
            if (!value) throw ComFailure(E_POINTER, L"GetInt was given no place for its result.");
            std::lock_guard lock(mutex_);
            *value = document_.GetInt(Narrow(BstrView(section)), Narrow(BstrView(key)));
            return S_OK;
        });
    }

    STDMETHODIMP SetInt(BSTR section, BSTR key, LONG value) override {
        return GuardCall(kSource, __uuidof(IConfigComponent), [&] {
            const std::string sectionName = NameArgument(section, true);
            const std::string keyName = NameArgument(key, false);
            std::lock_guard lock(mutex_);
            if (path_.empty()) {
                throw ComFailure(E_UNEXPECTED, L"No settings file is loaded, so the value cannot be written.");
            }
            // Start from the file as it is now; if it has gone, from what was loaded.
            IniDocument updated = document_;
            if (::GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES) {
                updated = ParseSettings(ReadTextFile(path_, kWhat), path_);
            }
            updated.Set(sectionName, keyName, std::to_string(value));
            WriteFileAtomically(path_, updated.Serialize(), kWhat);
            document_ = std::move(updated);
            return S_OK;
        });
    }

private:
    std::mutex mutex_;
    std::wstring path_;
    IniDocument document_;
};

}  // namespace

HRESULT CreateConfigComponent(const IID& iid, void** object) noexcept {
    return CreateAndQuery<ConfigComponent>(iid, object);
}

}  // namespace qm::suite
