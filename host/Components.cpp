#include "host/Components.h"

#include "host/BuiltinTexts.h"

#include "base/Utf.h"
#include "base/win/Handle.h"
#include "base/win/SystemText.h"
#include "base/win/WindowTree.h"

#include <vector>

namespace qm::host {
namespace {

// The one place where the program's UTF-8 text becomes a component's BSTR. The system allocator
// running dry is a ComponentError with the out-of-memory code, as every other component failure.
Bstr ToBstr(std::string_view text) {
    std::wstring wide;
    try {
        wide = Widen(text);
    } catch (const std::bad_alloc&) {
        throw ComponentError(E_OUTOFMEMORY, "Out of memory while preparing text for a host component.");
    }
    Bstr result(wide);
    if (!result.Get()) throw ComponentError(E_OUTOFMEMORY, "Out of memory while preparing text for a host component.");
    return result;
}

// ...and where a returned BSTR becomes UTF-8; a null string reads as "".
std::string FromBstr(const Bstr& text) { return Narrow(text.View()); }

template <typename Interface>
void Check(HRESULT code, const ComPtr<Interface>& component) {
    ThrowIfFailed(code, component.Get(), __uuidof(Interface));
}

// A call on an empty wrapper is a program error; report it the same way as a component failure.
template <typename Interface>
Interface* Require(const ComPtr<Interface>& component) {
    if (!component) throw ComponentError(E_POINTER, "A host component was used before it was created.");
    return component.Get();
}

template <typename Wrapper, typename Interface>
HRESULT CreateInto(const CLSID& clsid, Wrapper& out) {
    ComPtr<Interface> component;
    const HRESULT result = CreateComponent(clsid, __uuidof(Interface), reinterpret_cast<void**>(component.GetAddressOf()));
    if (SUCCEEDED(result)) out = Wrapper(std::move(component));
    return result;
}

}  // namespace

HRESULT CreateComponent(const CLSID& clsid, const IID& iid, void** object) {
    return ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, iid, object);
}

// ---- ConfigComponent --------------------------------------------------------------------------

HRESULT ConfigComponent::Create(ConfigComponent& out) {
    return CreateInto<ConfigComponent, IConfigComponent>(CLSID_ConfigComponent, out);
}

void ConfigComponent::Load(std::string_view path) const {
    Bstr file = ToBstr(path);
    Check(Require(component_)->Load(file.Get()), component_);
}

std::string ConfigComponent::GetString(std::string_view section, std::string_view key) const {
    Bstr sectionName = ToBstr(section), keyName = ToBstr(key), value;
    Check(Require(component_)->GetString(sectionName.Get(), keyName.Get(), value.Put()), component_);
    return FromBstr(value);
}

int ConfigComponent::GetInt(std::string_view section, std::string_view key) const {
    Bstr sectionName = ToBstr(section), keyName = ToBstr(key);
    LONG value = 0;
    Check(Require(component_)->GetInt(sectionName.Get(), keyName.Get(), &value), component_);
    return static_cast<int>(value);
}

void ConfigComponent::SetInt(std::string_view section, std::string_view key, int value) const {
    Bstr sectionName = ToBstr(section), keyName = ToBstr(key);
    Check(Require(component_)->SetInt(sectionName.Get(), keyName.Get(), value), component_);
}

// ---- LanguageComponent ------------------------------------------------------------------------

HRESULT LanguageComponent::Create(LanguageComponent& out) {
    return CreateInto<LanguageComponent, ILanguageComponent>(CLSID_LanguageComponent, out);
}

void LanguageComponent::Load(std::string_view path) const {
    Bstr file = ToBstr(path);
    Check(Require(component_)->Load(file.Get()), component_);
}

namespace {

// What the component answers for `key`: "" when it has no text of its own (it answers a key it
// lacks with the key itself).
std::string ComponentText(const ComPtr<ILanguageComponent>& component, std::string_view key) {
    Bstr keyName = ToBstr(key), text;
    Check(Require(component)->GetText(keyName.Get(), text.Put()), component);
    std::string answer = FromBstr(text);
    return answer == key ? std::string() : answer;
}

}  // namespace

std::string LanguageComponent::GetText(std::string_view key) const {
    std::string text = ComponentText(component_, key);
    if (!text.empty()) return text;
    const std::string* builtin = BuiltinText(key);
    return builtin ? *builtin : std::string(key);
}

void LanguageComponent::TranslateWindow(HWND window) const {
    Check(Require(component_)->TranslateWindow(window), component_);
    for (HWND each : WindowAndDescendants(window)) {
        const std::wstring caption = WindowText(each);
        if (caption.empty() || caption.size() > 64) continue;  // no key is that long
        if (const std::string* builtin = BuiltinText(Narrow(caption))) ::SetWindowTextW(each, Widen(*builtin).c_str());
    }
}

std::vector<std::string> LanguageComponent::MissingKeys() const {
    std::vector<std::string> missing;
    for (const std::string& key : BuiltinKeys()) {
        if (ComponentText(component_, key).empty()) missing.push_back(key);
    }
    return missing;
}

// ---- XmlStoreComponent ------------------------------------------------------------------------

HRESULT XmlStoreComponent::Create(XmlStoreComponent& out) {
    return CreateInto<XmlStoreComponent, IXmlStoreComponent>(CLSID_XmlStoreComponent, out);
}

bool XmlStoreComponent::IsLibraryMissing() const {
    const HRESULT result = Require(component_)->CheckLibrary();
    Check(result, component_);
    return result == S_FALSE;
}

void XmlStoreComponent::Load(std::string_view path) const {
    Bstr file = ToBstr(path);
    Check(Require(component_)->Load(file.Get()), component_);
}

ComPtr<IXmlNode> XmlStoreComponent::SelectNode(std::string_view path) const {
    Bstr nodePath = ToBstr(path);
    ComPtr<IXmlNode> node;
    Check(Require(component_)->SelectNode(nodePath.Get(), node.GetAddressOf()), component_);
    return node;
}

ComPtr<IXmlNodeList> XmlStoreComponent::SelectChildren(IXmlNode* parent, std::string_view name) const {
    Bstr elementName = ToBstr(name);
    ComPtr<IXmlNodeList> list;
    Check(Require(component_)->SelectChildren(parent, elementName.Get(), list.GetAddressOf()), component_);
    return list;
}

ComPtr<IXmlNode> XmlStoreComponent::NextNode(IXmlNodeList* list) {
    if (!list) throw ComponentError(E_POINTER, "NextNode was called without a node list.");
    ComPtr<IXmlNode> node;
    ThrowIfFailed(list->NextNode(node.GetAddressOf()), list, __uuidof(IXmlNodeList));
    return node;
}

std::string XmlStoreComponent::GetAttribute(IXmlNode* node, std::string_view name) const {
    Bstr attributeName = ToBstr(name);
    Variant value;
    Check(Require(component_)->GetAttribute(node, attributeName.Get(), value.Put()), component_);
    const VARIANT& result = value.Get();
    if (result.vt == VT_BSTR && result.bstrVal) {
        return Narrow(std::wstring_view(result.bstrVal, ::SysStringLen(result.bstrVal)));
    }
    if (result.vt == VT_NULL || result.vt == VT_EMPTY) return {};
    // Anything else: let the system turn it into text, as the program would.
    Variant text;
    if (FAILED(::VariantChangeType(text.Put(), const_cast<VARIANT*>(&result), 0, VT_BSTR)) || !text.Get().bstrVal) return {};
    return Narrow(std::wstring_view(text.Get().bstrVal, ::SysStringLen(text.Get().bstrVal)));
}

ComPtr<IXmlNode> XmlStoreComponent::AppendChild(IXmlNode* parent, std::string_view name, std::string_view text) const {
    Bstr elementName = ToBstr(name), content = ToBstr(text);
    ComPtr<IXmlNode> child;
    Check(Require(component_)->AppendChild(parent, elementName.Get(), content.Get(), child.GetAddressOf()), component_);
    return child;
}

void XmlStoreComponent::SetAttribute(IXmlNode* node, std::string_view name, std::string_view value) const {
    Bstr attributeName = ToBstr(name), attributeValue = ToBstr(value);
    VARIANT argument;
    ::VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = attributeValue.Get();  // still owned by attributeValue
    Check(Require(component_)->SetAttribute(node, attributeName.Get(), argument), component_);
}

ComPtr<IXmlNode> XmlStoreComponent::RemoveChild(IXmlNode* parent, IXmlNode* child) const {
    ComPtr<IXmlNode> removed;
    Check(Require(component_)->RemoveChild(parent, child, removed.GetAddressOf()), component_);
    return removed;
}

void XmlStoreComponent::Save() const {
    Check(Require(component_)->Save(), component_);
}

// ---- BackupComponent --------------------------------------------------------------------------

HRESULT BackupComponent::Create(BackupComponent& out) {
    return CreateInto<BackupComponent, IBackupComponent>(CLSID_BackupComponent, out);
}

void BackupComponent::SetBackupDir(std::string_view directory) const {
    Bstr folder = ToBstr(directory);
    Check(Require(component_)->SetBackupDir(folder.Get()), component_);
}

std::string BackupComponent::GetBackupDir() const {
    Bstr folder;
    Check(Require(component_)->GetBackupDir(folder.Put()), component_);
    return FromBstr(folder);
}

// ---- SkinComponent ----------------------------------------------------------------------------

HRESULT SkinComponent::Create(SkinComponent& out) {
    return CreateInto<SkinComponent, ISkinComponent>(CLSID_SkinComponent, out);
}

void SkinComponent::AttachWindow(HWND window) const {
    Check(Require(component_)->AttachWindow(window), component_);
}

void SkinComponent::ApplySkin(std::string_view skinRoot, std::string_view skinDescription) const {
    Bstr root = ToBstr(skinRoot), description = ToBstr(skinDescription);
    Check(Require(component_)->ApplySkin(root.Get(), description.Get()), component_);
}

void SkinComponent::UseNoSkin() const {
    Check(Require(component_)->UseNoSkin(), component_);
}

// ---- FileFinderComponent ----------------------------------------------------------------------

HRESULT FileFinderComponent::Create(FileFinderComponent& out) {
    return CreateInto<FileFinderComponent, IFileFinderComponent>(CLSID_FileFinderComponent, out);
}

HRESULT FileFinderComponent::FindBrokenShortcuts(std::string_view root, FinderCallback onFileFound,
                                                 FinderCallback onFolderEntered, void* context, bool reportProblems) const {
    // The component may append one character (a backslash) to the root in place.
    std::vector<char> rootBuffer(root.size() + 2, '\0');
    root.copy(rootBuffer.data(), root.size());
    const char* includeMasks[2] = {"", ""};
    const char* excludeMasks[1] = {""};
    const HRESULT result = Require(component_)->FindFiles(rootBuffer.data(), includeMasks, 0, onFileFound, context,
                                                          onFolderEntered, context, excludeMasks, 0, 1, 0, 0, 0,
                                                          reportProblems ? 1 : 0, 1, 0, 0);
    Check(result, component_);
    return result;
}

namespace {

// SuggestTargets' context: the reports go into `found`, the progress to the caller's callback.
struct MovedTargetRelay {
    MovedTargetProgress onProgress;
    void* context;
    std::vector<MovedTarget>& found;
};

int __cdecl CollectMovedTarget(const MovedTargetReport* report, void* context) {
    std::vector<MovedTarget>& found = static_cast<MovedTargetRelay*>(context)->found;
    if (report->index < 0 || static_cast<size_t>(report->index) >= found.size()) return 1;
    found[static_cast<size_t>(report->index)] = {report->goneKind, report->goneName, report->goneFolder, report->suggestion,
                                                  report->confidence, report->targetIsFolder != 0};
    return 1;
}

int __cdecl RelayProgress(LONG done, LONG total, void* context) {
    const auto* relay = static_cast<MovedTargetRelay*>(context);
    return relay->onProgress ? relay->onProgress(done, total, relay->context) : 1;
}

}  // namespace

HRESULT FileFinderComponent::SuggestTargets(const std::vector<std::string>& shortcutPaths, std::vector<MovedTarget>& out,
                                            MovedTargetProgress onProgress, void* context) const {
    ComPtr<IMovedTargetFinder> moved;
    Check(Require(component_)->QueryInterface(IID_PPV_ARGS(moved.GetAddressOf())), component_);
    std::vector<const char*> paths;
    for (const std::string& path : shortcutPaths) paths.push_back(path.c_str());
    std::vector<MovedTarget> found(shortcutPaths.size());
    MovedTargetRelay relay{onProgress, context, found};
    const HRESULT result = moved->SuggestTargets(paths.data(), static_cast<LONG>(paths.size()), CollectMovedTarget,
                                                 RelayProgress, &relay);
    Check(result, moved);
    out.clear();
    if (result == S_OK) out = std::move(found);
    return result;
}

namespace {

int __cdecl CollectJudgement(const ShortcutJudgementReport* report, void* context) {
    auto& found = *static_cast<std::vector<ShortcutJudgement>*>(context);
    if (report->index < 0 || static_cast<size_t>(report->index) >= found.size()) return 1;
    ShortcutJudgement& judgement = found[static_cast<size_t>(report->index)];
    judgement.verdict = report->verdict > 0 ? ShortcutVerdict::Broken
                        : report->verdict == 0 ? ShortcutVerdict::NotBroken
                                               : ShortcutVerdict::Unreadable;
    judgement.target = report->target ? report->target : "";
    judgement.reason = report->reason ? report->reason : "";
    return 1;
}

}  // namespace

std::vector<ShortcutJudgement> FileFinderComponent::JudgeShortcuts(const std::vector<std::string>& shortcutPaths) const {
    ComPtr<IShortcutJudge> judge;
    Check(Require(component_)->QueryInterface(IID_PPV_ARGS(judge.GetAddressOf())), component_);
    std::vector<const char*> paths;
    for (const std::string& path : shortcutPaths) paths.push_back(path.c_str());
    std::vector<ShortcutJudgement> found(shortcutPaths.size());
    Check(judge->JudgeShortcuts(paths.data(), static_cast<LONG>(paths.size()), CollectJudgement, &found), judge);
    return found;
}

std::optional<FileFinderComponent::Coverage> FileFinderComponent::LastSearchCoverage() const {
    ComPtr<IFinderCoverage> coverage;
    if (FAILED(Require(component_)->QueryInterface(IID_PPV_ARGS(coverage.GetAddressOf())))) return std::nullopt;
    FinderCoverage counts{sizeof(FinderCoverage), 0, 0};
    const HRESULT result = coverage->LastSearchCoverage(&counts);
    Check(result, coverage);
    if (result != S_OK) return std::nullopt;
    return Coverage{counts.foldersSearched, counts.shortcutsChecked};
}

ComPtr<IXmlNode> ModuleElement(const XmlStoreComponent& moduleXml, std::string_view name, bool create) {
    if (!moduleXml) return nullptr;
    ComPtr<IXmlNode> element = moduleXml.SelectNode("config/" + std::string(name));
    if (element || !create) return element;
    ComPtr<IXmlNode> top = moduleXml.SelectNode("config");
    return top ? moduleXml.AppendChild(top.Get(), name, "") : nullptr;
}

// ---- Process-wide references -------------------------------------------------------------------

Components& TheComponents() {
    static Components components;
    return components;
}

std::string Text(std::string_view key) {
    const LanguageComponent& language = TheComponents().language;
    if (language) return language.GetText(key);
    // Before start-up made the component, or after teardown.
    const std::string* builtin = BuiltinText(key);
    return builtin ? *builtin : std::string(key);
}

}  // namespace qm::host
