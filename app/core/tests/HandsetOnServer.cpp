#include "HandsetOnServer.h"

#include "platform/DeviceConfig.h"
#include "platform/DevicePaths.h"
#include "service/CReg_Api.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <utility>
#include <vector>

bool ConfigureTestHandset()
{
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"manufacturer", "Maker"}, {"imei", kHandsetImei}, {"smsc", "+491710760000"},
             {"push-address", "127.0.0.1"}, {"push-port", "0"}}) {
        if (!CDeviceConfig::Set(key, value))
            return false;
    }
    return true;
}

bool StartServerForHandset(CRefServerProcess& server, CPushWatcher& watcher, std::string& error)
{
    if (!watcher.Start(error))
        return false;
    const std::string pushPort = std::to_string(watcher.Port());
    if (!CDeviceConfig::Set("push-port", pushPort)) {
        error = "device.conf: push-port cannot be written";
        return false;
    }
    if (!server.Start({"--push-port", pushPort, "--identification-timeout-ms", "15000"})) {
        error = server.Error();
        return false;
    }
    if (!CDeviceConfig::Set("sms-gateway", server.SmsGatewayUrl())) {
        error = "device.conf: sms-gateway cannot be written";
        return false;
    }
    CReg_Api::GetInstanceReg()->Set(&_SETTINGS_DEF::URL, Utf8ToUtf16(server.ServerUrl()));
    CReg_Api::GetInstanceReg()->SaveSettings();
    return true;
}

void StopServerForHandset(CRefServerProcess& server, bool failed)
{
    if (server.IsRunning()) {
        EXPECT_TRUE(server.Stop());
    }
    if (!failed)
        return;
    std::ifstream log(CDevicePaths::ProgramFolder() / "tidal.log", std::ios::binary);
    std::cerr << "--- server log ---\n"
              << server.Log() << "--- handset log ---\n"
              << std::string(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
}
