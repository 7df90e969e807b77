#include "results/ResultsShell.h"

#include "base/PathSplit.h"
#include "base/Utf.h"
#include "base/win/FileAccess.h"
#include "host/Components.h"

#include <commdlg.h>
#include <shellapi.h>

namespace qm::results {
namespace {

// The deepest folder of `folder` that still exists ("" when not even its drive does).
std::string DeepestExistingFolder(std::string folder) {
    while (!folder.empty() && !IsFolder(folder)) {
        std::string parent = PathFolder(folder);
        if (parent == folder) return {};
        folder = std::move(parent);
    }
    if (folder.size() == 2 && folder[1] == ':') folder += '\\';  // "C:" alone is the current folder there
    return folder;
}

}  // namespace

std::string ChooseNewTarget(HWND owner, const std::string& oldTargetFolder) {
    std::wstring file(32768, L'\0');  // room for the longest path the system has
    const std::wstring title = Widen(host::Text("_QM_032"));
    const std::wstring initialFolder = Widen(DeepestExistingFolder(oldTargetFolder));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = L"All Files (*.*)\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                   OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&dialog)) return {};
    file.resize(::wcslen(file.c_str()));
    return Narrow(file);
}

std::string ChooseListFile(HWND owner) {
    std::wstring file = Widen(host::Text("_QM_SaveListFileName"));
    file.resize(32768, L'\0');  // room for the longest path the system has
    const std::wstring title = Widen(host::Text("_QM_SaveListTitle"));
    std::wstring filter = Widen(host::Text("_QM_SaveListCsvFiles"));
    filter += std::wstring(L"\0*.csv\0", 7) + Widen(host::Text("_QM_SaveListAllFiles")) + std::wstring(L"\0*.*\0", 5);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"csv";
    // No trial file from the dialog: a folder that cannot be written is told by the save itself,
    // with the system's reason.
    dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST |
                   OFN_NOCHANGEDIR | OFN_NOTESTFILECREATE;
    if (!::GetSaveFileNameW(&dialog)) return {};
    file.resize(::wcslen(file.c_str()));
    return Narrow(file);
}

bool RecycleWithShell(HWND owner, const std::vector<std::string>& paths) {
    std::wstring files;
    for (const std::string& path : paths) {
        files += Widen(path);
        files += L'\0';
    }
    files += L'\0';
    SHFILEOPSTRUCTW operation{};
    // Owned by the page, so the wizard stays disabled while the shell asks for confirmation.
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = files.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOERRORUI;
    ::SHFileOperationW(&operation);
    return operation.fAnyOperationsAborted != FALSE;
}

void LaunchExplorer(const std::wstring& parameters) {
    ::ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

void LaunchProperties(HWND owner, const std::wstring& file) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_INVOKEIDLIST;
    execute.hwnd = owner;
    execute.lpVerb = L"properties";
    execute.lpFile = file.c_str();
    execute.lpParameters = L"";
    execute.nShow = SW_SHOW;
    ::ShellExecuteExW(&execute);
}

}  // namespace qm::results
