#pragma once
// SetupHook: the steps the package installer runs around installing and removing the product. The
// product lives in the device folder "\Lumeno"; the scheduled-sync trigger (device "CIR0:") is stopped
// before its file is replaced or removed, and loaded again, with the program started, after
// installation. The device manager, the shell and the message boxes are the installed platform ports,
// so the package scripts and a user's own run of lumeno-setup decide what each step does on the host.
// Every step but the folder check ignores its result.

#include "platform/Window.h"

#include <cstdint>

// Install_Init
inline constexpr int kInstallContinue = 0;
inline constexpr int kInstallCancel = 1;
// Install_Exit
inline constexpr int kInstallDone = 0;
inline constexpr int kInstallUninstallAgain = 1;

inline constexpr char16_t kInstallFolder[] = u"\\Lumeno";
inline constexpr char16_t kWrongFolderText[] =
    u"Current application must be installed to Main memory (Device). Please run installation again";
inline constexpr char16_t kWrongFolderCaption[] = u"Installer";

extern "C" {
// Cancels without a folder, or with any folder but exactly "\Lumeno" (after telling the user why);
// on the first call stops a loaded trigger.
int Install_Init(HWND owner, int firstCall, int previouslyInstalled, const char16_t* installFolder);
// Loads the trigger registered under "ORVANE_CIR" and starts the program "<folder>\Lumeno".
int Install_Exit(HWND owner, const char16_t* installFolder, std::uint32_t failedFolders, std::uint32_t failedFiles,
                 std::uint32_t failedRegistryKeys, std::uint32_t failedRegistryValues, std::uint32_t failedShortcuts);
// Deletes "Software\Orvane" of the current user and stops a loaded trigger.
int Uninstall_Init(HWND owner, const char16_t* installFolder);
int Uninstall_Exit(HWND owner);
}
