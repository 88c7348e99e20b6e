#pragma once
// Where the handset's file system lives on the host.
//
// Device paths use "\" (or "/") from the device root: "\Lumeno\tidal.log", "\My Documents\a.txt",
// "\res.xml", "\Storage Card\DCIM". The first component selects the host folder:
//   "Lumeno"        the program folder
//   "My Documents"  the documents folder (and its special subfolders)
//   a card's name   that storage card
//   anything else   the device root folder
// With the environment variable LUMENO_DEVICE_ROOT set, the whole device lives under that one folder:
//   <root>/Lumeno, <root>/My Documents/{My Pictures,My Videos,My Music}, <root>/media/<card>,
//   <root>/data (registry.db, pim.db, messages.db), <root>/temp, everything else at <root>/.
// Without it, the special folders are the user's XDG folders (~/.config/user-dirs.dirs, else
// ~/Documents, ~/Pictures, ~/Videos, ~/Music), storage cards are the mounts under /media/$USER,
// the device data lives in $XDG_DATA_HOME/lumeno (default ~/.local/share/lumeno) and the program folder
// ("Lumeno"), the device root ("device") and the temporary folder ("temp") are folders inside it.
// Device paths compare case-insensitively (ASCII); the rest of a path keeps its case. All functions
// are thread-safe and read the environment on every call, so tests may change LUMENO_DEVICE_ROOT
// between cases. Only DataFolder, TempFolder and Special(..., true) create anything.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

enum class SpecialFolder : std::uint8_t { MyDocuments, MyPictures, MyVideo, MyMusic };

struct StorageCard {
    std::u16string name;           // as it appears on the device, e.g. "Storage Card"
    std::filesystem::path hostPath;
};

class CDevicePaths {
public:
    // Host path of a device path. Never fails; ".." components are dropped so that a device path
    // can never leave its folder.
    static std::filesystem::path ToHost(std::u16string_view devicePath);
    // Device path of a host path, the inverse of ToHost for the program folder, the storage cards,
    // the documents folder and the device root (checked in that order); the host names keep their
    // letter case. Empty for a path outside the device. Relative paths are taken from the current
    // folder.
    static std::u16string ToDevice(const std::filesystem::path& hostPath);

    // Host path of a special folder; created (with parents) when `create` is true and it is missing.
    static std::filesystem::path Special(SpecialFolder folder, bool create);

    // Storage cards in a stable order (by name); empty when there are none.
    static std::vector<StorageCard> StorageCards();

    static std::filesystem::path ProgramFolder(); // "\Lumeno"
    static std::filesystem::path DataFolder();    // created when missing, mode 0700
    static std::filesystem::path DeviceRoot();
    static std::filesystem::path TempFolder();    // created when missing
};
