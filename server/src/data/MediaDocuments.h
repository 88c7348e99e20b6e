#pragma once
// The documents of the media commands as the server reads and writes them: a device's list of its
// files, the "media-list" answers (with a Base64 thumbnail as the element's child) and the map.
//
// Paths and names from a device are hostile input: a url is "file://" and a path of UTF-8 without
// control characters, a name a plain file name.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct DeviceFile {
    std::string url;
    std::int64_t size = 0;
    std::string revision;
};

struct MediaListEntry {
    std::int64_t id = 0; // 0: a device file the server has no copy of
    std::string name;
    std::int64_t size = 0;
    std::string url;    // the device's copy; empty when the device has none
    std::string status; // "new", "changed", "current" or "deleted"
    std::string thumbnail;
};

struct MediaMapRecord {
    std::int64_t id = 0;
    std::string url;
};

// Nothing, with the reason in `error`, when the body is not UTF-8 XML or an entry's url, size or
// revision is not one a device sends.
std::optional<std::vector<DeviceFile>> ReadDeviceList(std::string_view body, std::string& error);
std::optional<std::vector<MediaMapRecord>> ReadMediaMap(std::string_view body, std::string& error);

// The answer; thumbnails are left out once the document would pass kMaxMediaListBytes.
std::string MediaListDocument(std::span<const MediaListEntry> entries);
inline constexpr std::size_t kMaxMediaListBytes = 32 * 1024 * 1024;

bool IsDeviceUrl(std::string_view url);
// A name without folders, "." or "..", control characters or anything but UTF-8, of 1 to 255 bytes.
bool IsPlainFileName(std::string_view name);
// The part after the url's last "/".
std::string FileNameOfUrl(std::string_view url);
