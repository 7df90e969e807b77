#include "app/Startup.h"

#include "ui/AppModule.h"
#include "ui/FatalError.h"
#include "ui/PathMacros.h"
#include "app/WizardSheet.h"
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "host/Components.h"
#include "changes/ChangeHistory.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <ctime>

namespace qm::app {
namespace {

using host::Components;

// A settings value made ready for a component: read, folder macros expanded.
std::string PathSetting(std::string_view section, std::string_view key) {
    return ui::ExpandPathMacros(host::TheComponents().config.GetString(section, key));
}

// A display text for a message that must appear even when the language component is the one
// that failed: the built-in English text stands in.
std::string TextOr(std::string_view key, std::string_view fallback) noexcept {
    try {
        if (host::TheComponents().language) return host::Text(key);
    } catch (...) {
    }
    return std::string(fallback);
}

void ShowMessage(const std::string& text, const std::string& caption, UINT icon) {
    ::MessageBoxW(nullptr, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | icon);
}

void ShowFatalError(const ui::FatalError& error) noexcept {
    // A quit message still pending would close the message box at once.
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    try {
        std::string text = TextOr("_QM_HostFailure", "A component of the suite reported an error, and QuillMend has to close:");
        text += "\n\n";
        text += error.message.empty() ? "(no description)" : error.message;
        ShowMessage(text, TextOr("_Error", "Error"), MB_ICONERROR);
    } catch (...) {
        ::MessageBoxW(nullptr, L"A component of the suite failed.", L"Error", MB_OK | MB_ICONERROR);
    }
}

// Where the backup copies and the change journal go when the settings name no folder: the
// user's own local application data, which roams nowhere and needs no rights.
std::string DefaultBackupFolder() {
    TaskMemoryText path;
    if (FAILED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, path.Put())) || !path) return {};
    return Narrow(path.Get()) + "\\QuillMend\\Backup";
}

// Batches of changes older than the setting's days go, with their backup copies.
void PruneOldBackups(const std::string& backupFolder) {
    const int keepDays = changes::KeepDaysSetting(host::TheComponents().config.GetString("quillmend_module", "backup_keep_days"));
    changes::PruneChangeHistory(backupFolder, static_cast<int64_t>(std::time(nullptr)), keepDays);
}

enum class StartupResult { Ready, Failed };

// Steps 3 to 10: each component is created and fed its file; a component that cannot be
// created (or a missing XML library) ends start-up quietly. Operations raise ComponentError.
StartupResult CreateComponents(std::string& backupFolder) {
    Components& components = host::TheComponents();
    if (FAILED(host::ConfigComponent::Create(components.config))) return StartupResult::Failed;
    components.config.Load(ui::GetModuleDirectory() + "\\config.ini");

    if (FAILED(host::LanguageComponent::Create(components.language))) return StartupResult::Failed;
    components.language.Load(PathSetting("common", "langfile"));

    if (FAILED(host::XmlStoreComponent::Create(components.commonXml))) return StartupResult::Failed;
    if (components.commonXml.IsLibraryMissing()) {
        ShowMessage(host::Text("_SHELL_REQUEST_XMLLIB"), host::Text("_SHELL_ERROR"), MB_ICONERROR);
        return StartupResult::Failed;
    }
    components.commonXml.Load(PathSetting("common", "xmlfile"));

    if (FAILED(host::BackupComponent::Create(components.backup))) return StartupResult::Failed;
    backupFolder = PathSetting("Vaultdesk", "vd_backup_dir");
    if (backupFolder.empty()) backupFolder = DefaultBackupFolder();
    components.backup.SetBackupDir(backupFolder);

    if (FAILED(host::XmlStoreComponent::Create(components.moduleXml))) return StartupResult::Failed;
    components.moduleXml.Load(PathSetting("quillmend_module", "xmlfile"));

    if (FAILED(host::SkinComponent::Create(components.skin))) return StartupResult::Failed;
    if (FAILED(host::FileFinderComponent::Create(components.finder))) return StartupResult::Failed;
    return StartupResult::Ready;
}

}  // namespace

void ReleaseComponents() {
    Components& components = host::TheComponents();
    components.commonXml.Reset();
    components.language.Reset();
    components.config.Reset();
    components.backup.Reset();
    components.moduleXml.Reset();
    components.skin.Reset();
    components.finder.Reset();
}

int RunProgram(HINSTANCE instance, const char* commandLine, int showCommand, WelcomeDialogEntry showWelcome) {
    // Another instance holds the mutex: leave at once, touching nothing. The handle is left
    // to the process end. Without a mutex at all the program runs unguarded.
    KernelHandle mutex(::CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName));
    if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        mutex.Release();
        return 0;
    }

    int exitCode = 0;
    {
        ComApartment com(COINIT_APARTMENTTHREADED);
        if (FAILED(com.Result())) {
            // No component can be created, and the shell's dialogs need this apartment: say so
            // (in English, the language file is not read yet) rather than end without a word.
            char text[160];
            std::snprintf(text, sizeof text,
                          "QuillMend cannot start: COM could not be initialised for its main thread (error 0x%08lX).",
                          static_cast<unsigned long>(com.Result()));
            ShowMessage(text, "Error", MB_ICONERROR);
            return ui::kExitComponentFailure;
        }
        std::optional<ui::FatalError> failure;
        try {
            std::string backupFolder;
            if (CreateComponents(backupFolder) == StartupResult::Ready) {
                PruneOldBackups(backupFolder);
                INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
                ::InitCommonControlsEx(&controls);
                ui::TheAppModule().Init(instance);
                exitCode = Run(commandLine, showCommand, showWelcome);
                // A failure raised inside a window ended the loop; the record has its text.
                failure = ui::TakeFatalError();
            }
        } catch (...) {
            failure = ui::FatalErrorFromCurrentException();
        }
        if (failure) {
            ShowFatalError(*failure);
            exitCode = ui::kExitComponentFailure;
        }
        ui::TheAppModule().Term();
        ReleaseComponents();
    }  // COM uninitialised here
    return exitCode;
}

}  // namespace qm::app
