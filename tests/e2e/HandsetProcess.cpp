#include "HandsetProcess.h"

#include "platform/UdpSocket.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

// A UDP port nobody uses now, for the handset's pushes.
std::string FreePushPort()
{
    CUdpSocket probe;
    if (!probe.Bind("127.0.0.1", 0))
        return "0";
    return std::to_string(probe.LocalPort());
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

std::string CardText(const std::string& last, const std::string& first, const std::vector<std::string>& lines)
{
    std::string text = "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8:" + last + ";" + first + ";;;\r\n";
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text + "END:VCARD\r\n";
}

CHandsetProcess::CHandsetProcess(const CRefServerProcess& server, const std::string& imei) : m_imei(imei)
{
    std::filesystem::create_directories(m_folder.Path() / "data");
    std::ofstream(m_folder.Path() / "data" / "device.conf")
        << "manufacturer = Maker\nimei = " << imei << "\nsmsc = +491710760000\nsms-gateway = "
        << server.SmsGatewayUrl() << "\npush-address = 127.0.0.1\npush-port = " << FreePushPort() << "\n";
    EXPECT_EQ(Cli({"settings", "set", "URL", server.ServerUrl()}).first, 0);
}

std::vector<std::string> CHandsetProcess::Environment() const
{
    return {"LUMENO_DEVICE_ROOT=" + m_folder.Path().string()};
}

std::pair<int, std::string> CHandsetProcess::Cli(const std::vector<std::string>& arguments,
                                                 const std::string& input) const
{
    return CCliProcess::Run(arguments, Environment(), input);
}

std::pair<int, std::string> CHandsetProcess::Pim(const std::vector<std::string>& arguments) const
{
    return CCliProcess::Run(arguments, Environment(), "", LumenoPimProgram());
}

std::pair<int, std::string> CHandsetProcess::Sms(const std::vector<std::string>& arguments) const
{
    return CCliProcess::Run(arguments, Environment(), "", LumenoSmsProgram());
}

bool CHandsetProcess::Join(const std::string& userId, const std::string& password) const
{
    if (Cli({"settings", "set", "UserId", userId}).first != 0 || Cli({"settings", "set", "Password", password}).first != 0)
        return false;
    // Enter keeps the wizard's choices, Cancel declines the Sync it offers.
    const auto [status, output] = Cli({"identify"}, "\nc\n");
    EXPECT_EQ(status, 0) << output;
    return status == 0;
}

int CHandsetProcess::Sync() const
{
    return RunOperation("sync");
}

int CHandsetProcess::Restore() const
{
    return RunOperation("restore");
}

int CHandsetProcess::RunOperation(const std::string& command) const
{
    const auto [status, output] = Cli({"--yes", command});
    if (status != 0)
        m_lastFailure = command + ": " + output;
    return status;
}

bool CHandsetProcess::Import(const std::string& text) const
{
    const std::filesystem::path file = m_folder.Path() / "import.vcf";
    std::ofstream(file, std::ios::binary) << text;
    const auto [status, output] = Pim({"import", file.string()});
    EXPECT_EQ(status, 0) << output;
    return status == 0;
}

bool CHandsetProcess::Edit(const std::string& id, const std::string& text) const
{
    const std::filesystem::path file = m_folder.Path() / "edit.vcf";
    std::ofstream(file, std::ios::binary) << text;
    const auto [status, output] = Pim({"edit", id, file.string()});
    EXPECT_EQ(status, 0) << output;
    return status == 0;
}

bool CHandsetProcess::Delete(const std::string& id) const
{
    return Pim({"delete", id}).first == 0;
}

std::vector<std::string> CHandsetProcess::Items(const std::string& kind) const
{
    std::vector<std::string> items;
    for (const std::string& line : Lines(Pim({"list", kind}).second))
        items.push_back(line.substr(line.find('\t') + 1));
    std::sort(items.begin(), items.end());
    return items;
}

std::vector<std::string> CHandsetProcess::IdsOf(const std::string& kind, const std::string& title) const
{
    std::vector<std::string> ids;
    for (const std::string& line : Lines(Pim({"list", kind}).second)) {
        if (line.substr(line.rfind('\t') + 1) == title)
            ids.push_back(line.substr(0, line.find('\t')));
    }
    return ids;
}

std::string CHandsetProcess::Export(const std::string& kind) const
{
    return Pim({"export", kind, "-"}).second;
}
