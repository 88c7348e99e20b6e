#pragma once
// A device of its own for fuzz targets that bind the service or read the device's files: a folder in
// the temporary folder, made before the first input and removed when the target ends.

#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::filesystem::path& FuzzDeviceRoot()
{
    static const std::filesystem::path root = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumeno-fuzz-XXXXXX").string();
        std::filesystem::path made = ::mkdtemp(pattern.data()) ? pattern : "";
        ::setenv("LUMENO_DEVICE_ROOT", made.c_str(), 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(FuzzDeviceRoot(), ignored);
        });
        return made;
    }();
    return root;
}
