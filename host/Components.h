// The program's side of the suite's host components: thin wrappers over every operation that
// take and give UTF-8 text, convert to BSTR at the call, and raise ComponentError on a failure
// code. Nothing else in the program touches the raw interfaces.
#pragma once

#include "host/ComponentError.h"
#include "suite/include/QuillSuite.h"

#include <wrl/client.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <string_view>

namespace qm::host {

using Microsoft::WRL::ComPtr;

// Creates a component by class identifier with the class context "all". Returns the HRESULT;
// start-up decides what a failure means (it ends silently).
HRESULT CreateComponent(const CLSID& clsid, const IID& iid, void** object);

class ConfigComponent {
public:
    ConfigComponent() = default;
    explicit ConfigComponent(ComPtr<IConfigComponent> component) : component_(std::move(component)) {}
    static HRESULT Create(ConfigComponent& out);

    void Load(std::string_view path) const;
    std::string GetString(std::string_view section, std::string_view key) const;  // null reads as ""
    int GetInt(std::string_view section, std::string_view key) const;
    void SetInt(std::string_view section, std::string_view key, int value) const;

    IConfigComponent* Get() const { return component_.Get(); }
    explicit operator bool() const { return component_ != nullptr; }
    void Reset() { component_.Reset(); }

private:
    ComPtr<IConfigComponent> component_;
};

class LanguageComponent {
public:
    LanguageComponent() = default;
    explicit LanguageComponent(ComPtr<ILanguageComponent> component) : component_(std::move(component)) {}
    static HRESULT Create(LanguageComponent& out);

    void Load(std::string_view path) const;
    // The display text of `key`; the built-in English one (host/BuiltinTexts.h) when the
    // component has none (it answers the key itself, or nothing). Safe from the scan worker too.
    std::string GetText(std::string_view key) const;
    // The component's translation of the window's and its children's captions, then the built-in
    // English for every caption that is still a key.
    void TranslateWindow(HWND window) const;
    // The keys with a built-in text that the component has no text for, sorted.
    std::vector<std::string> MissingKeys() const;

    ILanguageComponent* Get() const { return component_.Get(); }
    explicit operator bool() const { return component_ != nullptr; }
    void Reset() { component_.Reset(); }

private:
    ComPtr<ILanguageComponent> component_;
};

class XmlStoreComponent {
public:
    XmlStoreComponent() = default;
    explicit XmlStoreComponent(ComPtr<IXmlStoreComponent> component) : component_(std::move(component)) {}
    static HRESULT Create(XmlStoreComponent& out);

    bool IsLibraryMissing() const;  // CheckLibrary: S_FALSE means missing
    void Load(std::string_view path) const;
    ComPtr<IXmlNode> SelectNode(std::string_view path) const;  // null when absent
    ComPtr<IXmlNodeList> SelectChildren(IXmlNode* parent, std::string_view name) const;  // null when none
    static ComPtr<IXmlNode> NextNode(IXmlNodeList* list);  // null after the last
    // The attribute as text; an absent attribute reads as "".
    std::string GetAttribute(IXmlNode* node, std::string_view name) const;
    ComPtr<IXmlNode> AppendChild(IXmlNode* parent, std::string_view name, std::string_view text) const;
    void SetAttribute(IXmlNode* node, std::string_view name, std::string_view value) const;
    ComPtr<IXmlNode> RemoveChild(IXmlNode* parent, IXmlNode* child) const;
    void Save() const;

    IXmlStoreComponent* Get() const { return component_.Get(); }
    explicit operator bool() const { return component_ != nullptr; }
    void Reset() { component_.Reset(); }

private:
    ComPtr<IXmlStoreComponent> component_;
};

// The element `name` under the module document's top element `config`, where each part keeps
// what the user chose: null when it is missing (or the store is absent), unless `create`,
// which appends it to `config` (still null for a document without `config`).
ComPtr<IXmlNode> ModuleElement(const XmlStoreComponent& moduleXml, std::string_view name, bool create);

class BackupComponent {
public:
    BackupComponent() = default;
    explicit BackupComponent(ComPtr<IBackupComponent> component) : component_(std::move(component)) {}
    static HRESULT Create(BackupComponent& out);

    void SetBackupDir(std::string_view directory) const;
    std::string GetBackupDir() const;  // as last set; "" before any

    IBackupComponent* Get() const { return component_.Get(); }
    explicit operator bool() const { return component_ != nullptr; }
    void Reset() { component_.Reset(); }

private:
    ComPtr<IBackupComponent> component_;
};

class SkinComponent {
public:
    SkinComponent() = default;
    explicit SkinComponent(ComPtr<ISkinComponent> component) : component_(std::move(component)) {}
    static HRESULT Create(SkinComponent& out);

    void AttachWindow(HWND window) const;
    void ApplySkin(std::string_view skinRoot, std::string_view skinDescription) const;
    void UseNoSkin() const;

    ISkinComponent* Get() const { return component_.Get(); }
    explicit operator bool() const { return component_ != nullptr; }
    void Reset() { component_.Reset(); }

private:
    ComPtr<ISkinComponent> component_;
};

// What the file finder says of one broken shortcut's target (IMovedTargetFinder in QuillSuite.h:
// the texts are its stable names, for language keys).
struct MovedTarget {
    std::string goneKind;    // "ItemNotInFolder", "FolderGone", "MissingOnShare"; "" when not broken
    std::string goneName;    // the target's own name
    std::string goneFolder;  // the folder it is no longer in / that is gone / the network location
    std::string suggestion;  // the suggested new target; "" when none
    std::string confidence;  // "Certain" (may be repaired without asking), "Possible", ""
    bool targetIsFolder = false;
};

// What the file finder's rule says of a shortcut file now (IShortcutJudge in QuillSuite.h).
enum class ShortcutVerdict { Broken, NotBroken, Unreadable };
struct ShortcutJudgement {
    ShortcutVerdict verdict = ShortcutVerdict::Unreadable;
    std::string target;  // the target that was checked
    std::string reason;  // the engine's reason name ("TargetMissing")
};

class FileFinderComponent {
public:
    FileFinderComponent() = default;
    explicit FileFinderComponent(ComPtr<IFileFinderComponent> component) : component_(std::move(component)) {}
    static HRESULT Create(FileFinderComponent& out);

    // Searches one root for broken shortcuts with the one set of arguments the program uses;
    // raises ComponentError on a failure code, else answers the success code: S_OK complete,
    // S_FALSE when some folder below the root could not be listed (suite/finder/FindOptions.h
    // has the others). The root is copied into a writable buffer. With `reportProblems` the
    // callbacks also hear of the folders that could not be listed and the files that could not be
    // read as shell links (FindFiles' argument 14).
    HRESULT FindBrokenShortcuts(std::string_view root, FinderCallback onFileFound, FinderCallback onFolderEntered,
                                void* context, bool reportProblems = false) const;
    // Where the targets of these shortcut files (full paths, e.g. the last scan's broken ones)
    // went: `out` gets one entry per path, in order. `onProgress` (may be null) answers 0 to
    // stop: the answer is then the stopped code and `out` is left empty. Raises ComponentError on
    // a failure, also when the component lacks the interface.
    HRESULT SuggestTargets(const std::vector<std::string>& shortcutPaths, std::vector<MovedTarget>& out,
                           MovedTargetProgress onProgress, void* context) const;

    // The rule's judgement of each shortcut file now, one per path in order. Raises
    // ComponentError on a failure, also when the component lacks the interface.
    std::vector<ShortcutJudgement> JudgeShortcuts(const std::vector<std::string>& shortcutPaths) const;

    // What the last search on the calling thread covered (IFinderCoverage in QuillSuite.h);
    // nullopt when the component cannot say: it lacks the interface, or this thread made no
    // search. Raises ComponentError on a failure.
    struct Coverage {
        std::uint64_t folders = 0;
        std::uint64_t shortcuts = 0;
    };
    std::optional<Coverage> LastSearchCoverage() const;

    IFileFinderComponent* Get() const { return component_.Get(); }
    explicit operator bool() const { return component_ != nullptr; }
    void Reset() { component_.Reset(); }

private:
    ComPtr<IFileFinderComponent> component_;
};

// The process-wide component references: set during start-up, cleared during teardown, read by
// the other parts without locking.
struct Components {
    ConfigComponent config;
    LanguageComponent language;
    XmlStoreComponent commonXml;
    BackupComponent backup;
    XmlStoreComponent moduleXml;
    SkinComponent skin;
    FileFinderComponent finder;
};
Components& TheComponents();

// Shorthand for the most common call: a display text by key. Before the language component
// exists (and after it is gone) the built-in English text.
std::string Text(std::string_view key);

}  // namespace qm::host
