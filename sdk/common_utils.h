// Small services every part of the plug-in uses the same way: where the host keeps its settings
// (preference key, registry paths, program, resource and help folders), the automated test
// mode, message boxes with a caption, and thin system queries.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "framework/message_dialog.h"

namespace sdk {

// ---- Settings and folders ------------------------------------------------------------------

// "\" + folder name, "\Zelmar2004" unless the registry or "PrefFolder.ini" says otherwise.
// Determined once per process.
std::string GetApplicationPreferenceKey();
// "Software" + preference key, under HKEY_CURRENT_USER.
std::string GetRegistryKeyPath();
// The registry key path + "\Marvuna".
std::string GetProductFamilyRegistryKey();
// The product family key + "\Forms\"; follows the preference key.
std::string GetFormsKey();

// The shell's folder for a CSIDL value; empty when the shell cannot tell.
std::string GetSpecialFolder(int folder_id);
// The user's roaming application data.
std::string GetApplicationDataFolder();
// The application data folder + the preference key, created (one level) when missing.
std::string MakeApplicationFolder();

// Folders of the running executable (the host), each ending in "\".
std::string GetApplicationFolder();
std::string GetSystemFolder();        // application folder + "System\"
std::string GetResourcesFolder();     // system folder + "Resources\"
std::string GetLanguageFolder();      // per locale under the resources, or the system folder
std::string GetHelpFolder();          // language folder + "Help\"
std::string GetFallbackHelpFolder();  // application folder + "Help\"

// A bare name becomes the language help folder's file when that exists, else the fallback
// help folder's; a name with a folder part is kept.
std::string ResolveHelpFileName(const std::string& name);

// The system default locale, mapped through "LanguageMappings.dat" of the resources folder.
LCID GetLanguageId();
// The system default locale with bits 10 to 15 cleared.
LCID GetSystemLanguageId();
// "LanguageMappings.dat": "<system locale>=<resource locale>" lines; other lines are skipped
// and the first pair of a locale wins.
std::map<LCID, LCID> ParseLanguageMappings(std::string_view text);

// Forgets the cached preference key, language table and forms key (the unit's start; tests).
void ResetApplicationPreferenceKey();

// ---- Message boxes ---------------------------------------------------------------------------

// Shows the message with the caption, centred on the screen, and returns the modal result.
// In test mode it prints "ShowDialogWithCaption with<caption> <message>" and ends the process
// with exit code 1 instead.
int ShowDialogWithCaption(const std::string& caption, const std::string& message,
                          framework::MessageKind kind, framework::MessageButtons buttons);
// One OK button; an empty caption becomes "Error", "Information" or "Warning".
void ShowErrorMessage(const std::string& message, const std::string& caption = {});
void ShowInformationMessage(const std::string& message, const std::string& caption = {});
void ShowWarningMessage(const std::string& message, const std::string& caption = {});

// ---- Test mode -------------------------------------------------------------------------------

// The key under HKEY_LOCAL_MACHINE whose presence puts the module in test mode.
inline constexpr char kTestModeKey[] = "Software\\Zelmar\\TestMode";
// Read from the registry at every call.
bool IsTestMode();
// Flushes standard output and ends the process at once: nothing of ours runs after it.
[[noreturn]] void TerminateCurrentProcess(UINT exit_code);
// Writes the text to the process's standard output as it is.
void WriteStandardOutput(std::string_view text);

// ---- System queries --------------------------------------------------------------------------

bool IsCtrlDown();
bool IsShiftDown();
bool IsAltDown();
bool IsWindows2000();
bool IsWindowsVistaOrLater();
// Equal when equal after folding the ASCII letters.
bool IsSameText(std::string_view a, std::string_view b);
// The process's main executable: the host.
HMODULE GetHostModuleHandle();
// A file (not a folder) of that name exists.
bool FileExists(const std::string& file);
// The Windows folder and its system folder, without a trailing "\"; empty when the system
// cannot tell.
std::string GetWindowsFolder();
std::string GetWindowsSystemFolder();
// The variable's whole value; empty when it is not set.
std::string GetEnvironmentValue(const std::string& name);
std::string GetComputerNameText();
std::string GetUserNameText();
// The fixed file version, most significant part first; 0 when the file has no version
// resource. Any other failure raises.
uint64_t GetFileVersion(const std::string& file_name);

// The system's message for an error code, without the trailing line end.
std::string SystemErrorText(DWORD error);

}  // namespace sdk
