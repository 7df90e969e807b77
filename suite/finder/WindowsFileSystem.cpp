#include "suite/finder/WindowsFileSystem.h"

#include "base/Utf.h"
#include "base/win/Handle.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <memory>

namespace qm::finder {

namespace {

Presence PresenceFromError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return Presence::Missing;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return Presence::Exists;  // something is there; we just may not look at it
        default:
            return Presence::Unknown;  // device, network or name errors say nothing of the item
    }
}

// The probe runs on a thread of its own so that a silent server can't hold the scan longer
// than the time bound. The thread may outlive the wait: it shares only this block with the
// waiter, and holds a reference on the module so the DLL can't be unloaded under it.
struct ProbeState {
    std::wstring path;
    std::atomic<bool> answered{false};
};

DWORD WINAPI ProbeThread(void* parameter) {
    std::shared_ptr<ProbeState>* owned = static_cast<std::shared_ptr<ProbeState>*>(parameter);
    std::shared_ptr<ProbeState> state = std::move(*owned);
    delete owned;
    DWORD attributes = ::GetFileAttributesW(state->path.c_str());
    DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? ::GetLastError() : ERROR_SUCCESS;
    // The location answers when it exists or refuses us; a missing share or unreachable server
    // does not.
    state->answered = attributes != INVALID_FILE_ATTRIBUTES || error == ERROR_ACCESS_DENIED;
    state.reset();
    HMODULE self = nullptr;
    if (::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             reinterpret_cast<LPCWSTR>(&ProbeThread), &self)) {
        ::FreeLibraryAndExitThread(self, 0);
    }
    return 0;
}

uint64_t FileTimeValue(const FILETIME& time) {
    return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

ItemDetails DetailsFrom(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, const FILETIME& written) {
    ItemDetails details;
    details.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    details.reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    details.size = (uint64_t{sizeHigh} << 32) | sizeLow;
    details.writeTime = FileTimeValue(written);
    return details;
}

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

std::wstring ToExtendedPath(const std::string& path) {
    PathRoot root = ClassifyPath(path);
    switch (root.kind) {
        case PathRoot::Kind::Drive: return L"\\\\?\\" + Widen(root.path);
        case PathRoot::Kind::Unc: return L"\\\\?\\UNC\\" + Widen(std::string_view(root.path).substr(2));
        case PathRoot::Kind::Other: break;
    }
    return Widen(root.path);
}

Presence WindowsFileSystem::Probe(const std::string& path) {
    std::wstring wide = ToExtendedPath(path);
    if (::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) return Presence::Exists;
    return PresenceFromError(::GetLastError());
}

DriveState WindowsFileSystem::Drive(char letter) {
    DriveState state;
    const int index = letter - 'A';
    if (index < 0 || index >= 26 || !(::GetLogicalDrives() & (1u << index))) return state;  // Absent
    const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', 0};
    const UINT type = ::GetDriveTypeW(root);
    if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) return state;
    if (type == DRIVE_REMOTE) {
        state.kind = DriveKind::Remote;
        return state;
    }
    if (type != DRIVE_REMOVABLE && type != DRIVE_CDROM) {
        state.kind = DriveKind::Fixed;  // its serial is never needed: the medium can't change
        return state;
    }
    DWORD serial = 0;
    BOOL mounted = FALSE;
    {
        QuietCriticalErrors quiet;  // no error box for an empty drive while we ask
        mounted = ::GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
    }
    if (!mounted) {
        state.kind = DriveKind::NotReady;
        return state;
    }
    state.kind = DriveKind::Removable;
    state.serialKnown = true;
    state.serial = serial;
    return state;
}

bool WindowsFileSystem::Answers(const std::string& location) {
    auto state = std::make_shared<ProbeState>();
    state->path = ToExtendedPath(location + "\\");
    if (state->path.rfind(L"\\\\?\\", 0) != 0) return false;

    HMODULE self = nullptr;  // the probe thread's own reference on this module
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ProbeThread), &self)) {
        return false;
    }
    auto* handOver = new std::shared_ptr<ProbeState>(state);
    KernelHandle thread(::CreateThread(nullptr, 64 * 1024, ProbeThread, handOver, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) {
        delete handOver;
        ::FreeLibrary(self);
        return false;
    }
    if (::WaitForSingleObject(thread.Get(), probeTimeoutMs_) != WAIT_OBJECT_0) return false;  // silent: unknown
    return state->answered;
}

std::optional<std::string> WindowsFileSystem::EnvironmentVariable(const std::string& name) {
    std::wstring wideName = Widen(name);
    std::wstring value(256, L'\0');
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) {
            if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::string();
        }
        if (length < value.size()) {
            value.resize(length);
            return Narrow(value);
        }
        value.resize(length);
    }
}

bool WindowsFileSystem::ListFolder(const std::string& path, std::vector<FolderEntry>& entries) {
    entries.clear();
    std::wstring pattern = ToExtendedPath(path);
    if (pattern.empty()) return false;
    if (pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    FindHandle find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH));
    // An empty drive root has no entries at all, not even "." and "..": "file not found".
    if (!find) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const wchar_t* name = data.cFileName;
        if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
        entries.push_back({Narrow(name), DetailsFrom(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow,
                                                     data.ftLastWriteTime)});
    } while (::FindNextFileW(find.Get(), &data));
    // Cut short, the list is not the folder's: a name missing from it would prove nothing.
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

std::optional<ItemDetails> WindowsFileSystem::Details(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const std::wstring extended = ToExtendedPath(path);
    if (!::GetFileAttributesExW(extended.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    ItemDetails details = DetailsFrom(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
    // No access asked: opening for the identity neither reads nor recalls the file.
    FileHandle item(::CreateFileW(extended.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_NO_RECALL, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (item && ::GetFileInformationByHandle(item.Get(), &information)) {
        details.volumeSerial = information.dwVolumeSerialNumber;
        details.fileIndex = (uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    }
    return details;
}

std::optional<std::string> WindowsFileSystem::PathOfObject(const lnk::ShellLinkInfo::Guid& objectId) {
    static const bool underWine = RunningUnderWine();
    if (underWine) return std::nullopt;
    FILE_ID_DESCRIPTOR id{};
    id.dwSize = sizeof id;
    id.Type = ObjectIdType;
    std::memcpy(&id.ObjectId, objectId.data(), sizeof id.ObjectId);
    const DWORD drives = ::GetLogicalDrives();
    for (int index = 0; index < 26; ++index) {
        if (!(drives & (1u << index))) continue;
        const wchar_t root[] = {static_cast<wchar_t>(L'A' + index), L':', L'\\', 0};
        if (::GetDriveTypeW(root) != DRIVE_FIXED) continue;
        FileHandle volume(::CreateFileW(root, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!volume) continue;
        FileHandle file(::OpenFileById(volume.Get(), &id, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, FILE_FLAG_BACKUP_SEMANTICS));
        if (!file) continue;
        std::wstring path(MAX_PATH, L'\0');
        for (;;) {
            DWORD length = ::GetFinalPathNameByHandleW(file.Get(), path.data(), static_cast<DWORD>(path.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
            if (length == 0) break;
            if (length < path.size()) {
                path.resize(length);
                return ClassifyPath(Narrow(path)).path;  // without the "\\?\" prefix
            }
            path.resize(length);
        }
    }
    return std::nullopt;
}

}  // namespace qm::finder
