#include "setup_hook/SetupHook.h"

#include "platform/DeviceManager.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/UiPort.h"

#include <string>

namespace {

constexpr std::u16string_view kTriggerDevice = u"CIR0:";
constexpr std::u16string_view kTriggerFile = u"\\windows\\OrvaneCir.dll";
constexpr std::u16string_view kTriggerRegistration = u"ORVANE_CIR";

void UnloadTrigger()
{
    CDeviceManager& manager = CDeviceManager::Get();
    if (manager.IsLoaded(kTriggerDevice, kTriggerFile))
        manager.Unload(kTriggerDevice);
}

} // namespace

extern "C" {

int Install_Init(HWND owner, int firstCall, int, const char16_t* installFolder)
{
    if (!installFolder)
        return kInstallCancel;
    if (std::u16string_view(installFolder) != kInstallFolder) {
        CUiPort::Get().MessageBox(owner, kWrongFolderText, kWrongFolderCaption, MB_OK);
        return kInstallCancel;
    }
    if (!firstCall)
        return kInstallContinue;
    UnloadTrigger();
    return kInstallContinue;
}

int Install_Exit(HWND, const char16_t* installFolder, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                 std::uint32_t)
{
    if (!installFolder)
        return kInstallUninstallAgain;
    CDeviceManager::Get().LoadRegistered(kTriggerRegistration);
    CShell::Get().Execute(std::u16string(installFolder) + u"\\Lumeno", u"");
    return kInstallDone;
}

int Uninstall_Init(HWND, const char16_t*)
{
    CRegistry::DeleteTree(RegRoot::CurrentUser, u"Software\\Orvane");
    UnloadTrigger();
    return 0;
}

int Uninstall_Exit(HWND)
{
    return 0;
}

} // extern "C"
