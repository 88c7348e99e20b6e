#pragma once
// A fresh folder for one test under $TMPDIR (or /tmp), removed with its contents afterwards.

#include "utils/Utf.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

class CTempDir {
public:
    CTempDir()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/utils_test.XXXXXX";
        if (const char* made = ::mkdtemp(pattern.data()))
            m_path = made;
    }
    ~CTempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path Path(std::string_view name) const { return m_path / name; }
    std::u16string WidePath(std::string_view name) const { return Utf8ToUtf16(Path(name).string()); }

    std::u16string Write(std::string_view name, std::string_view bytes) const
    {
        std::ofstream(Path(name), std::ios::binary | std::ios::trunc)
            .write(bytes.data(), std::streamsize(bytes.size()));
        return WidePath(name);
    }
    std::string Read(std::string_view name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_path;
};
