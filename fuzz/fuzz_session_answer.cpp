// The session id and the cookie come from the server's answers and go into the next requests: taking
// them from any header values must never crash, and the next request must carry them as they came.

#include "FuzzCheck.h"
#include "FuzzDevice.h"
#include "service/ServerTransport.h"
#include "testing/ScriptedHttp.h"
#include "utils/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzDeviceRoot();
    static CScriptedHttp http;
    static ServerTransport transport;
    static const bool opened = transport.Open(u"PocketPC", u"http://127.0.0.1/sync/serv");
    FUZZ_CHECK(opened);

    // The cookie, a line break, the session id.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = bytes.find('\n');
    const std::string cookie(bytes.substr(0, split));
    const std::string session(split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1));

    // What the previous input left recorded would slow every later one.
    http.Reset();
    transport.ClearSession();
    transport.ResetHeaders();
    http.Answer({{"Set-Cookie", cookie}, {"QX-SessionID", session}});
    FUZZ_CHECK(transport.SendRequest(u"GET", std::string_view()) == 200);
    FUZZ_CHECK(transport.Cookie().find(u';') == std::u16string::npos);
    if (session.size() <= 1024)
        FUZZ_CHECK(transport.SessionId() == Utf8ToUtf16(session));

    http.Answer(CScriptedHttp::Headers{});
    FUZZ_CHECK(transport.SendRequest(u"GET", std::string_view()) == 200);
    const RecordedRequest sent = http.Requests().back();
    if (transport.SessionId().empty()) {
        FUZZ_CHECK(sent.target == "/sync/serv");
        FUZZ_CHECK(sent.Header("Cookie").has_value() == !transport.Cookie().empty());
    } else {
        FUZZ_CHECK(sent.target.ends_with(";" + Utf16ToUtf8(transport.SessionId())));
        FUZZ_CHECK(!sent.Header("Cookie"));
    }
    return 0;
}
