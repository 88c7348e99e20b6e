#pragma once
// The accounts' media files as the server keeps them (their bytes live in the data folder, see
// CMediaFolder), and where each device holds its copy.
//
// A file keeps its media id for good; each new content raises its version. A file the operator deleted
// stays marked, so that devices holding a copy learn of the deletion.
//
// Implementations are thread-safe per call; CMediaLibrary serialises the read-modify-write of a step.
// Failures of the storage come back as false or nothing and are logged.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct MediaFile {
    std::int64_t id = 0; // the media id of "QX-MediaID"; 0 before the file is stored
    std::string name;    // file name without folder
    std::int64_t size = 0;
    std::string revision;     // the uploading device's last-write time, or the operator's time of adding
    std::int64_t version = 0; // raised with every new content
    std::string uploadedBy;   // device id; empty: the operator
    std::string thumbnail;    // picture bytes; empty: none
    std::int64_t changedMs = 0;
    bool deleted = false;
};

// One device's copy of a file.
struct MediaCopy {
    std::int64_t id = 0;
    std::string url;          // "file://" and the path on the device
    std::string revision;     // the device's last-write time of its copy as it listed it; empty: not yet
    std::int64_t version = 0; // the file's version the copy is of
};

class CMediaStore {
public:
    virtual ~CMediaStore() = default;

    // Every file of the account, those marked deleted included, by media id.
    virtual std::vector<MediaFile> MediaFiles(std::string_view userId) = 0;
    virtual std::optional<MediaFile> FindMediaFile(std::string_view userId, std::int64_t id) = 0;
    // Stores a new file (id 0) or replaces the file of its id; the file's id, nothing when the store
    // failed.
    virtual std::optional<std::int64_t> SaveMediaFile(std::string_view userId, const MediaFile& file) = 0;

    virtual std::vector<MediaCopy> MediaCopies(std::string_view userId, std::string_view deviceId) = 0;
    // Replaces the device's copy of that file and any other copy at that url.
    virtual bool SaveMediaCopy(std::string_view userId, std::string_view deviceId, const MediaCopy& copy) = 0;
    virtual bool DropMediaCopy(std::string_view userId, std::string_view deviceId, std::int64_t id) = 0;
};
