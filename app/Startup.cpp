#include "app/Startup.h"

#include "ui/AppModule.h"
#include "ui/FatalError.h"
#include "ui/PathMacros.h"
#include "app/RunningInstance.h"
#include "app/UserStateFile.h"
#include "app/WizardSheet.h"
#include "base/Text.h"
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "base/win/SystemText.h"
#include "host/BuiltinTexts.h"
#include "host/Components.h"
#include "changes/ChangeHistory.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <ctime>
#include <vector>

namespace qm::app {
namespace {

using host::Components;

// A settings value made ready for a component: read, folder macros expanded.
std::string PathSetting(std::string_view section, std::string_view key) {
    return ui::ExpandPathMacros(host::TheComponents().config.GetString(section, key));
}

void ShowMessage(const std::string& text, const std::string& caption, UINT icon) {
    ::MessageBoxW(nullptr, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | icon);
}

// Texts of boxes that must appear even when the language component is the one that failed: the
// built-in English stands in.
std::string TextOrBuiltin(std::string_view key) {
    try {
        return host::Text(key);
    } catch (...) {
    }
    const std::string* builtin = host::BuiltinText(key);
    return builtin ? *builtin : std::string(key);
}

void ShowFatalError(const ui::FatalError& error) noexcept {
    // A quit message still pending would close the message box at once.
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    try {
        std::string text = TextOrBuiltin("_QM_HostFailure");
        text += "\n\n";
        text += error.message.empty() ? "(no description)" : error.message;
        ShowMessage(text, TextOrBuiltin("_Error"), MB_ICONERROR);
    } catch (...) {
        ::MessageBoxW(nullptr, L"A component of the suite failed.", L"Error", MB_OK | MB_ICONERROR);
    }
}

// The system's words for a failure code; where it has none, a sentence that says so.
std::string ReasonInWords(HRESULT code) {
    const std::wstring reason = SystemMessage(static_cast<DWORD>(code));
    if (!reason.empty()) return Narrow(reason);
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(code));
    return FillIn(host::Text("_QM_NoReason"), "{code}", number);
}

// The settings file names every other file, so without it the program cannot go on: the box
// (in the built-in English, as nothing else is read yet) says which file and what to do.
void ShowSettingsFailure(const host::ComponentError& error) {
    const HRESULT code = error.Code();
    const char* advice = code == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || code == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)
                             ? "_QM_SettingsReinstall"
                         : code == HRESULT_FROM_WIN32(ERROR_INVALID_DATA) ? "_QM_SettingsFixLine"
                                                                          : "_QM_SettingsCheckAccess";
    const std::string text = FillIn(FillIn(host::Text("_QM_SettingsFailed"), "{reason}", error.Message()), "{advice}",
                                    host::Text(advice));
    ShowMessage(text, host::Text("_SHELL_ERROR"), MB_ICONERROR);
}

// Loads the language file. A missing, damaged or incomplete one is no reason to stop: the
// built-in English stands in for what it lacks. Returns what the user should be told ("" for
// nothing); the module document decides whether it is news.
std::string LoadLanguageFile(const host::LanguageComponent& language, const std::string& path) {
    std::string failure;
    try {
        language.Load(path);
    } catch (const host::ComponentError& error) {
        failure = error.Message();
    }
    if (!failure.empty()) return FillIn(host::Text("_QM_LanguageUnusable"), "{reason}", failure);
    const size_t missing = language.MissingKeys().size();
    if (missing == 0) return {};
    return FillIn(FillIn(host::Text("_QM_LanguageIncomplete"), "{file}", path), "{count}", std::to_string(missing));
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

// How start-up ended: ready for the wizard; quietly (a component cannot be created, or the XML
// library is missing); or at a settings file that cannot be used.
enum class StartupResult { Ready, Failed, SettingsUnusable };

// Steps 3 to 10: each component is created and fed its file; a component that cannot be
// created (or a missing XML library) ends start-up quietly. Operations raise ComponentError.
// What the user should be told about the files that were read goes to `notices`.
StartupResult CreateComponents(std::string& backupFolder, std::vector<std::string>& notices) {
    Components& components = host::TheComponents();
    if (FAILED(host::ConfigComponent::Create(components.config))) return StartupResult::Failed;
    try {
        components.config.Load(ui::GetModuleDirectory() + "\\config.ini");
    } catch (const host::ComponentError& error) {
        ShowSettingsFailure(error);
        return StartupResult::SettingsUnusable;
    }

    if (FAILED(host::LanguageComponent::Create(components.language))) return StartupResult::Failed;
    const std::string languageNotice = LoadLanguageFile(components.language, PathSetting("common", "langfile"));

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
    if (std::string notice = LoadUserStateFile(components.moduleXml, PathSetting("quillmend_module", "xmlfile"));
        !notice.empty()) {
        notices.push_back(std::move(notice));
    }
    if (IsNewNotice(components.moduleXml, languageNotice)) notices.push_back(languageNotice);

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
    // Another copy runs: its window comes to the front, and this one leaves, touching nothing else.
    RunningInstance runningInstance;
    if (!runningInstance.Claim()) {
        ShowRunningInstance();
        return 0;
    }

    int exitCode = 0;
    {
        ComApartment com(COINIT_APARTMENTTHREADED);
        if (FAILED(com.Result())) {
            // No component can be created, and the shell's dialogs need this apartment: say so
            // (in the built-in English, the language file is not read yet) rather than end
            // without a word.
            ShowMessage(host::Text("_QM_ComFailed") + "\n\n" + ReasonInWords(com.Result()), host::Text("_SHELL_ERROR"),
                        MB_ICONERROR);
            return ui::kExitComponentFailure;
        }
        std::optional<ui::FatalError> failure;
        try {
            std::string backupFolder;
            std::vector<std::string> notices;
            const StartupResult result = CreateComponents(backupFolder, notices);
            if (result == StartupResult::SettingsUnusable) exitCode = ui::kExitComponentFailure;
            if (result == StartupResult::Ready) {
                for (const std::string& notice : notices) ShowMessage(notice, host::Text("_Information"), MB_ICONWARNING);
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
