#pragma once
// A private device for one test: its own folder as the device root and its own registry store, and no
// service object or singleton left over from the library's load or from an earlier test.

#include "TempDir.h"
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

    static void WriteFile(const std::filesystem::path& file, std::string_view bytes)
    {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }

private:
    TempDir m_folder;
    ScopedEnv m_root{"LUMENO_DEVICE_ROOT", m_folder.Path().string()};
};
