#include "platform/SmsService.h"

#include "platform/Clock.h"
#include "platform/DeviceConfig.h"
#include "platform/DevicePaths.h"
#include "platform/HttpClient.h"
#include "utils/FormEncoding.h"
#include "utils/Utf.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace {

// One line per message; backslashes, tabs and line breaks in the text are escaped so a message can
// never look like more than one record.
std::string LogField(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

std::string UtcStamp()
{
    const CivilTime now = FileTimeToCivil(CClock::Get().UtcNow());
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02dZ", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    return stamp;
}

void AppendRecord(const std::string& line)
{
    const std::filesystem::path path = CDevicePaths::DataFolder() / "sent-sms.log";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const ssize_t written = ::write(fd, line.data(), line.size());
    (void)written; // the record is a courtesy; delivery decides the result
    ::close(fd);
}

// Hands the message to the gateway; empty on success, else why not.
std::string Deliver(const std::string& to, const std::string& text)
{
    const auto gateway = CDeviceConfig::Get("sms-gateway");
    if (!gateway || gateway->empty())
        return "no sms-gateway is configured";
    HttpUrl url;
    if (!SplitHttpUrl(*gateway, url))
        return "sms-gateway \"" + *gateway + "\" is not an http(s) address";
    HttpOptions options;
    options.caFile = CDeviceConfig::GetOr("ca-file", "");
    options.maxBodyBytes = 64 * 1024;
    std::unique_ptr<CHttpClient> client = CHttpClient::Create();
    std::string error;
    if (!client->Open(url, options, error))
        return error;
    const HttpResponse response =
        client->Execute("POST", url.path, {"Content-Type: application/x-www-form-urlencoded"},
                        "to=" + FormEncode(to) + "&text=" + FormEncode(text));
    client->Close();
    if (response.status == 0)
        return response.error;
    if (response.status < 200 || response.status > 299)
        return "gateway answered " + std::to_string(response.status);
    return {};
}

class CSmsGatewayService final : public CSmsService {
public:
    bool GetServiceCentre(std::u16string& number) override
    {
        number = Utf8ToUtf16(CDeviceConfig::GetOr("smsc", ""));
        return !number.empty();
    }

    bool Open() override
    {
        m_open.store(true);
        return true;
    }

    bool Send(std::u16string_view destination, std::u16string_view text) override
    {
        if (!m_open.load())
            return false;
        const std::string to = Utf16ToUtf8(destination);
        const std::string body = Utf16ToUtf8(text);
        const std::string failure = Deliver(to, body);
        AppendRecord(UtcStamp() + "\t" + LogField(to) + "\t" + LogField(body) + "\t" +
                     (failure.empty() ? "delivered" : "failed: " + LogField(failure)) + "\n");
        return failure.empty();
    }

    void Close() override { m_open.store(false); }

private:
    std::atomic<bool> m_open{false};
};

CSmsGatewayService s_defaultService;
std::atomic<CSmsService*> s_installed{nullptr};

} // namespace

CSmsService& CSmsService::Get()
{
    CSmsService* service = s_installed.load();
    return service ? *service : s_defaultService;
}

void CSmsService::Install(CSmsService* service)
{
    s_installed.store(service);
}
