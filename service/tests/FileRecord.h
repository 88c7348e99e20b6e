#pragma once
// A files list record as a test writes one.

#include "service/FileObject.h"

#include <string>

inline FILE_OBJECT FileRecord(std::u16string name, std::int64_t size, std::int32_t kind = FILE_KIND_IMAGE,
                              std::u16string path = {})
{
    FILE_OBJECT file;
    file.name = std::move(name);
    file.size = size;
    file.kind = kind;
    file.path = std::move(path);
    return file;
}
