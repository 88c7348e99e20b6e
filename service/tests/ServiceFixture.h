#pragma once
// A private device for one test: its own folder as the device root and its own registry store, and no
// service object or singleton left over from the library's load or from an earlier test.

#include "testing/TempDir.h"
#include "platform/Registry.h"
#include "service/CBrandingGuide.h"
#include "service/CLog_File.h"
#include "service/CReg_Api.h"
#include "service/TesselService.h"
#include "service/UI_Sync.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

class ServiceFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ReleaseEverything();
        CRegistry::UseStore(m_folder.Path() / "data" / "registry.db");
    }

    void TearDown() override
    {
        ReleaseEverything();
        CRegistry::UseStore({});
    }

    static void ReleaseEverything()
    {
        TesselService::ReleaseService();
        CReg_Api::Release();
        CBrandingGuide::Release();
        UI_Sync::Release();
        CLog_File::CloseFile();
    }

    const std::filesystem::path& Root() const { return m_folder.Path(); }

    static std::string ReadFile(const std::filesystem::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // What the settings key holds, as the next start of the program would find it.
    static std::optional<std::u16string> StoredText(std::u16string_view name)
    {
        const std::optional<RegValue> value = Stored(name);
        if (!value || value->type != REG_SZ)
            return std::nullopt;
        std::u16string text;
        for (std::size_t i = 0; i + 1 < value->data.size(); i += 2)
            text.push_back(static_cast<char16_t>(value->data[i] | (value->data[i + 1] << 8)));
        return text.substr(0, text.find(u'\0'));
    }

    static std::optional<std::uint32_t> StoredNumber(std::u16string_view name)
    {
        const std::optional<RegValue> value = Stored(name);
        if (!value || value->type != REG_DWORD || value->data.size() != 4)
            return std::nullopt;
        const auto& d = value->data;
        return static_cast<std::uint32_t>(d[0] | (d[1] << 8) | (d[2] << 16) |
                                          (static_cast<std::uint32_t>(d[3]) << 24));
    }

    static std::optional<RegValue> Stored(std::u16string_view name)
    {
        CRegKey key;
        RegValue value;
        if (CRegistry::OpenKey(RegRoot::CurrentUser, kSettingsKey, key) != RegStatus::Ok ||
            key.QueryValue(name, value) != RegStatus::Ok)
            return std::nullopt;
        return value;
    }

    static void WriteFile(const std::filesystem::path& file, std::string_view bytes)
    {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }

private:
    TempDir m_folder;
    ScopedEnv m_root{"LUMENO_DEVICE_ROOT", m_folder.Path().string()};
};
