// The suite's host components: their class identifiers and interfaces.
//
// The program and the components' DLL (QuillSuite.dll) both compile this header; the program's
// manifest maps each class identifier to the DLL (registration-free COM), so nothing needs the
// registry. Text crosses every interface as BSTR (UTF-16); every method returns an HRESULT and,
// on failure, leaves rich error information (ISupportErrorInfo / SetErrorInfo) for the caller.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <unknwn.h>

#ifndef __CRT_UUID_DECL  // MSVC: MIDL_INTERFACE already gives __uuidof its answer.
#define __CRT_UUID_DECL(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)
#endif

#define QM_DECLARE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

// ---- Class identifiers --------------------------------------------------------------------
// The manifests' <comClass> entries are generated from these lines (cmake/ComClasses.cmake):
// one class per line, written with every hex digit.
QM_DECLARE_GUID(CLSID_ConfigComponent,     0x1288e798, 0x248e, 0x4649, 0x9f, 0xc5, 0x7a, 0x6f, 0x3d, 0x59, 0x9f, 0xa9);
QM_DECLARE_GUID(CLSID_LanguageComponent,   0x2b63896d, 0x3f68, 0x49d6, 0xbe, 0x5e, 0x69, 0xb2, 0xc0, 0xa6, 0x43, 0xaf);
QM_DECLARE_GUID(CLSID_XmlStoreComponent,   0x437d189c, 0xf59b, 0x477c, 0x90, 0x21, 0x78, 0xb0, 0xc5, 0x48, 0x41, 0x56);
QM_DECLARE_GUID(CLSID_BackupComponent,     0xbe28c817, 0xd3ec, 0x4c9b, 0x9f, 0x18, 0xa9, 0xf4, 0x02, 0x86, 0x6c, 0x22);
QM_DECLARE_GUID(CLSID_SkinComponent,       0xc70893c4, 0x6a61, 0x4435, 0xa0, 0xca, 0xc3, 0xea, 0x65, 0xe0, 0x32, 0xff);
QM_DECLARE_GUID(CLSID_FileFinderComponent, 0x010d0d72, 0x3913, 0x4a89, 0xbe, 0x25, 0x64, 0x46, 0x2e, 0xe5, 0x10, 0x03);

// ---- Settings file ("config.ini") ---------------------------------------------------------
MIDL_INTERFACE("9dd3ba20-a466-4589-a390-c55f75d06ee9")
IConfigComponent : public IUnknown {
    // Reads the INI file. A missing, unreadable or malformed file is a failure whose message
    // names the path; the configuration is then empty (reads give "" and 0).
    virtual HRESULT STDMETHODCALLTYPE Load(BSTR path) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetString(BSTR section, BSTR key, BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInt(BSTR section, BSTR key, LONG* value) = 0;
    // Written through to the file at once.
    virtual HRESULT STDMETHODCALLTYPE SetInt(BSTR section, BSTR key, LONG value) = 0;
};
__CRT_UUID_DECL(IConfigComponent, 0x9dd3ba20, 0xa466, 0x4589, 0xa3, 0x90, 0xc5, 0x5f, 0x75, 0xd0, 0x6e, 0xe9)

// ---- Language file ------------------------------------------------------------------------
MIDL_INTERFACE("11bbcb32-38f3-4a44-9e1f-bf9cab21a5cd")
ILanguageComponent : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Load(BSTR path) = 0;
    // A key the file lacks answers the key itself. Safe from any thread.
    virtual HRESULT STDMETHODCALLTYPE GetText(BSTR key, BSTR* text) = 0;
    // Replaces the caption of the window and of each child whose caption is a key.
    virtual HRESULT STDMETHODCALLTYPE TranslateWindow(HWND window) = 0;
};
__CRT_UUID_DECL(ILanguageComponent, 0x11bbcb32, 0x38f3, 0x4a44, 0x9e, 0x1f, 0xbf, 0x9c, 0xab, 0x21, 0xa5, 0xcd)

// ---- XML documents ------------------------------------------------------------------------
MIDL_INTERFACE("6030ad29-3521-49fb-a90d-036af91a9677")
IXmlNode : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetName(BSTR* name) = 0;
    // The underlying DOM node (an IXMLDOMNode), so a store can work on nodes of another store.
    virtual HRESULT STDMETHODCALLTYPE GetDomNode(IUnknown** domNode) = 0;
};
__CRT_UUID_DECL(IXmlNode, 0x6030ad29, 0x3521, 0x49fb, 0xa9, 0x0d, 0x03, 0x6a, 0xf9, 0x1a, 0x96, 0x77)

MIDL_INTERFACE("77005191-6d03-4ef5-ae1e-77e0088188f4")
IXmlNodeList : public IUnknown {
    // S_OK with the next node, or S_FALSE with none after the last.
    virtual HRESULT STDMETHODCALLTYPE NextNode(IXmlNode** node) = 0;
};
__CRT_UUID_DECL(IXmlNodeList, 0x77005191, 0x6d03, 0x4ef5, 0xae, 0x1e, 0x77, 0xe0, 0x08, 0x81, 0x88, 0xf4)

MIDL_INTERFACE("589ace4f-539e-497f-8d34-13cd635eb40d")
IXmlStoreComponent : public IUnknown {
    // S_OK when the system XML library is present, S_FALSE when it cannot be created.
    virtual HRESULT STDMETHODCALLTYPE CheckLibrary() = 0;
    virtual HRESULT STDMETHODCALLTYPE Load(BSTR path) = 0;
    // Slash-separated element names from the top element ("config/select_folders").
    // S_FALSE and a null node when absent.
    virtual HRESULT STDMETHODCALLTYPE SelectNode(BSTR path, IXmlNode** node) = 0;
    // Child elements of that name in document order; S_FALSE and a null list when none.
    virtual HRESULT STDMETHODCALLTYPE SelectChildren(IXmlNode* parent, BSTR name, IXmlNodeList** list) = 0;
    // VT_BSTR with the value, or VT_NULL when the attribute is absent.
    virtual HRESULT STDMETHODCALLTYPE GetAttribute(IXmlNode* node, BSTR name, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE AppendChild(IXmlNode* parent, BSTR name, BSTR text, IXmlNode** child) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAttribute(IXmlNode* node, BSTR name, VARIANT value) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveChild(IXmlNode* parent, IXmlNode* child, IXmlNode** removed) = 0;
    // Writes the whole document back to the file Load read.
    virtual HRESULT STDMETHODCALLTYPE Save() = 0;
};
__CRT_UUID_DECL(IXmlStoreComponent, 0x589ace4f, 0x539e, 0x497f, 0x8d, 0x34, 0x13, 0xcd, 0x63, 0x5e, 0xb4, 0x0d)

// ---- Backup centre ------------------------------------------------------------------------
MIDL_INTERFACE("ea56dab2-893e-4e37-ba68-c81e1be6ef74")
IBackupComponent : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetBackupDir(BSTR directory) = 0;
    // The directory last set, exactly as given ("" before any).
    virtual HRESULT STDMETHODCALLTYPE GetBackupDir(BSTR* directory) = 0;
};
__CRT_UUID_DECL(IBackupComponent, 0xea56dab2, 0x893e, 0x4e37, 0xba, 0x68, 0xc8, 0x1e, 0x1b, 0xe6, 0xef, 0x74)

// ---- Skin engine --------------------------------------------------------------------------
MIDL_INTERFACE("8fa85c0a-5b9e-4574-adce-9b00d8debbba")
ISkinComponent : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AttachWindow(HWND window) = 0;
    virtual HRESULT STDMETHODCALLTYPE ApplySkin(BSTR skinRoot, BSTR skinDescription) = 0;
    virtual HRESULT STDMETHODCALLTYPE UseNoSkin() = 0;
};
__CRT_UUID_DECL(ISkinComponent, 0x8fa85c0a, 0x5b9e, 0x4574, 0xad, 0xce, 0x9b, 0x00, 0xd8, 0xde, 0xbb, 0xba)

// ---- File finder --------------------------------------------------------------------------
// What the search decided about a file it reports to onFileFound, handed over in the same call
// as the file's path, so a report and its details can never belong to different files. Valid
// only during that call. onFolderEntered, and onFileFound of a plain file search (no target
// check), get a null pointer.
struct FinderReport {
    DWORD size;          // sizeof(FinderReport): later versions may only append members
    const char* target;  // the target path judged missing (UTF-8, however long); "" when none
    const char* reason;  // why: the engine's reason name, e.g. "TargetMissing"
    const char* detail;  // for what a search with reportProblems passed over: the system's or the
                         // reader's words for why ("Access is denied."); "" otherwise
};

// Called by FindFiles for each report: the full UTF-8 path, the report's details (above), the
// entry's find data (by value) and the context given next to the callback. 1 = go on, 0 = stop.
typedef int(__cdecl* FinderCallback)(const char* path, const FinderReport* report, WIN32_FIND_DATAA findData,
                                     void* context);

MIDL_INTERFACE("0e396068-30df-43d2-a444-789c62fc8d13")
IFileFinderComponent : public IUnknown {
    // Searches root and everything below it. The meaning of the constant arguments is documented
    // in suite/finder/FindOptions.h; the scan passes exactly one set of values.
    virtual HRESULT STDMETHODCALLTYPE FindFiles(char* root, const char** includeMasks, LONG arg3,
                                                FinderCallback onFileFound, void* fileContext,
                                                FinderCallback onFolderEntered, void* folderContext,
                                                const char** excludeMasks, LONG arg9, LONG arg10,
                                                LONG arg11, LONG arg12, LONG arg13, LONG arg14,
                                                LONG arg15, LONG arg16, LONG arg17) = 0;
};
__CRT_UUID_DECL(IFileFinderComponent, 0x0e396068, 0x30df, 0x43d2, 0xa4, 0x4c, 0x78, 0x9c, 0x62, 0xfc, 0x8d, 0x13)

// ---- Where did the targets go? (a second interface of the file finder object) ------------
// What the search for moved targets says about one shortcut. Valid only during the callback.
// Every text is UTF-8; the kind and confidence texts are stable names for the program to key
// its language texts on.
struct MovedTargetReport {
    DWORD size;              // sizeof(MovedTargetReport): later versions may only append members
    LONG index;              // the shortcut's position in the list SuggestTargets was given
    const char* goneKind;    // "ItemNotInFolder": goneName is no longer in goneFolder;
                             // "FolderGone": the folder goneFolder no longer exists;
                             // "MissingOnShare": goneName is missing on the location goneFolder;
                             // "" when the shortcut is no longer broken or can't be read
    const char* goneName;    // the target's own name
    const char* goneFolder;  // see goneKind
    const char* suggestion;  // the suggested new target; "" when none was found
    const char* confidence;  // "Certain" (may be repaired without asking), "Possible", or ""
    const char* strategy;    // which search found it: "ObjectId", "KnownRelocation",
                             // "VersionFolder", "SubtreeSearch"; "" when none
    LONG targetIsFolder;     // 1 when the shortcut's target was a folder ("The folder ... is no
                             // longer in ..."), else 0
};
// Called once per shortcut, in the order given, after the searches. 1 = go on, 0 = stop.
typedef int(__cdecl* MovedTargetCallback)(const MovedTargetReport* report, void* context);
// Called while the searches run: `done` shortcuts of `total` searched. Also asked before each
// shortcut file is read and each folder is listed, with `done` as it is, so that a 0 ends the
// call soon in any phase. 1 = go on, 0 = stop; after a 0 it is not called again.
typedef int(__cdecl* MovedTargetProgress)(LONG done, LONG total, void* context);

MIDL_INTERFACE("087f9521-5a52-43a7-85b3-95d0396aad9b")
IMovedTargetFinder : public IUnknown {
    // Reads each of the `count` shortcut files again (full UTF-8 paths: the broken ones a scan
    // reported), judges it, and searches where its target went; then reports every shortcut.
    // `onProgress` may be null. S_OK when every shortcut was reported; 0x00040201 (the finder's
    // stopped code) when a callback answered 0.
    virtual HRESULT STDMETHODCALLTYPE SuggestTargets(const char** shortcutPaths, LONG count,
                                                     MovedTargetCallback onReport,
                                                     MovedTargetProgress onProgress, void* context) = 0;
};
__CRT_UUID_DECL(IMovedTargetFinder, 0x087f9521, 0x5a52, 0x43a7, 0x85, 0xb3, 0x95, 0xd0, 0x39, 0x6a, 0xad, 0x9b)

// ---- Is it still broken? (a third interface of the file finder object) -------------------
// The search's own judgement of one shortcut file now, asked before a shortcut the scan reported
// is changed or deleted, since its target may have come back since. Valid only during the
// callback; texts are UTF-8.
struct ShortcutJudgementReport {
    DWORD size;          // sizeof(ShortcutJudgementReport): later versions may only append members
    LONG index;          // the shortcut's position in the list JudgeShortcuts was given
    LONG verdict;        // 1: broken; 0: working, or not to be judged (a drive not ready...);
                         // -1: the file is gone or cannot be read as a shell link (nor,
                         // named .url, as an internet shortcut)
    const char* target;  // the target path that was checked; "" when none
    const char* reason;  // the engine's reason name, e.g. "TargetMissing", "TargetExists"
};
// Called once per shortcut, in the order given. 1 = go on, 0 = stop.
typedef int(__cdecl* ShortcutJudgementCallback)(const ShortcutJudgementReport* report, void* context);

MIDL_INTERFACE("f8cce540-3340-4e4f-9fcc-26475baf1d94")
IShortcutJudge : public IUnknown {
    // Reads each of the `count` shortcut files (full UTF-8 paths) and judges it with the rule of
    // FindFiles. S_OK when every shortcut was reported; 0x00040201 when the callback answered 0.
    virtual HRESULT STDMETHODCALLTYPE JudgeShortcuts(const char** shortcutPaths, LONG count,
                                                     ShortcutJudgementCallback onReport, void* context) = 0;
};
__CRT_UUID_DECL(IShortcutJudge, 0xf8cce540, 0x3340, 0x4e4f, 0x9f, 0xcc, 0x26, 0x47, 0x5b, 0xaf, 0x1d, 0x94)

// ---- What did the last search cover? (a fourth interface of the file finder object) ------
struct FinderCoverage {
    DWORD size;                  // sizeof(FinderCoverage): later versions may only append members
    ULONGLONG foldersSearched;   // folders entered (listed), the root included
    ULONGLONG shortcutsChecked;  // files read as a shell link or an internet shortcut and judged
};

MIDL_INTERFACE("b8c8f330-943a-476d-b7bf-5329d6909bb4")
IFinderCoverage : public IUnknown {
    // What the last FindFiles call made on the calling thread covered, whether it searched to
    // the end or was stopped: S_OK with the counts, or S_FALSE and zeros when this thread has
    // made none. The caller sets `coverage->size` (E_INVALIDARG when it is too small).
    virtual HRESULT STDMETHODCALLTYPE LastSearchCoverage(FinderCoverage* coverage) = 0;
};
__CRT_UUID_DECL(IFinderCoverage, 0xb8c8f330, 0x943a, 0x476d, 0xb7, 0xbf, 0x53, 0x29, 0xd6, 0x90, 0x9b, 0xb4)
