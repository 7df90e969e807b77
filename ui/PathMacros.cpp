#include "ui/PathMacros.h"

#include "base/PathText.h"
#include "base/Utf.h"
#include "base/win/Handle.h"

#include <shlobj.h>

#include <vector>

namespace qm::ui {
namespace {

using FolderLookup = UINT(WINAPI*)(LPWSTR buffer, UINT size);

std::string SystemFolder(FolderLookup lookup) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = lookup(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    return WithoutTrailingBackslash(Narrow(std::wstring_view(buffer, length)));
}

UINT WINAPI TempFolder(LPWSTR buffer, UINT size) { return ::GetTempPathW(size, buffer); }

// The shell-folder library is loaded for each lookup, as the suite's other modules do, so a
// system without it only loses these macros.
std::string ShellFolder(int csidl) {
    ModuleHandle library(::LoadLibraryW(L"shfolder.dll"));
    if (!library) return {};
    using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
    auto getFolderPath = reinterpret_cast<GetFolderPath>(
        reinterpret_cast<void*>(::GetProcAddress(library.Get(), "SHGetFolderPathW")));
    if (!getFolderPath) return {};
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(getFolderPath(nullptr, csidl, nullptr, 0, buffer))) return {};
    return WithoutTrailingBackslash(Narrow(buffer));
}

}  // namespace

std::string ExpandPathMacros(std::string_view text) {
    const std::string windows = SystemFolder(&::GetWindowsDirectoryW);
    const std::string temp = SystemFolder(&TempFolder);
    const std::string system = SystemFolder(&::GetSystemDirectoryW);
    const std::string module = GetModuleDirectory();
    const std::string personal = ShellFolder(CSIDL_PERSONAL);
    const std::string appData = ShellFolder(CSIDL_APPDATA);
    const std::string commonAppData = ShellFolder(CSIDL_COMMON_APPDATA);

    MacroTable macros;
    auto define = [&macros](const char* name, const std::string& folder) {
        if (!folder.empty()) macros.emplace(name, folder);
    };
    define("%Windows%", windows);
    define("%WindowsDirectory%", windows);
    define("%ModulePath%", module);
    define("%SystemDirectory%", system);
    define("%TempDirectory%", temp);
    define("%Personal%", personal);
    define("%AppData%", appData);
    define("%CommonAppData%", commonAppData);
    define("%LocalAppData%", commonAppData);
    return ExpandMacros(text, macros);
}

std::string GetModulePath(HMODULE module) {
    // Grows the buffer instead of cutting a long path short.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return Narrow(std::wstring_view(buffer.data(), length));
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string GetModuleDirectory(HMODULE module) { return ModuleFolderOf(GetModulePath(module)); }

std::string GetVersionString(std::string_view filePath, std::string_view valueName) {
    const std::wstring path = Widen(filePath);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<unsigned char> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};

    struct Translation {
        WORD language;
        WORD codePage;
    };
    void* translations = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translations, &length) ||
        length < sizeof(Translation)) {
        return {};
    }
    const Translation first = *static_cast<const Translation*>(translations);
    wchar_t subBlock[256];
    const std::wstring name = Widen(valueName);
    if (swprintf(subBlock, 256, L"\\StringFileInfo\\%04x%04x\\%ls", first.language, first.codePage, name.c_str()) < 0) {
        return {};
    }
    void* value = nullptr;
    UINT valueLength = 0;
    if (!::VerQueryValueW(block.data(), subBlock, &value, &valueLength) || value == nullptr) return {};
    std::wstring_view text(static_cast<const wchar_t*>(value), valueLength);
    while (!text.empty() && text.back() == L'\0') text.remove_suffix(1);
    return Narrow(text);
}

std::string GetProductName(std::string_view filePath) { return GetVersionString(filePath, "ProductName"); }
std::string GetProductVersion(std::string_view filePath) { return GetVersionString(filePath, "ProductVersion"); }

}  // namespace qm::ui
