#include "service/XmlDocuments.h"

#include "platform/Clock.h"
#include "platform/DevicePaths.h"
#include "utils/Files.h"
#include "utils/Utf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>

namespace {

constexpr std::u16string_view kDeclaration = u"version=\"1.0\" encoding=\"UTF-8\"";

struct EnvelopeAttribute {
    std::u16string_view name;
    std::u16string value;
};

// The envelope element's attributes in their order; the time stamp is taken now.
std::array<EnvelopeAttribute, 4> EnvelopeAttributes()
{
    const std::string timestamp = std::to_string(CurrentTimeMs());
    return {{
        {u"xmlns:xsi", u"http://www.w3.org/2001/XMLSchema-instance"},
        {u"xsi:noNamespaceSchemaLocation", u"QXSync.xsd"},
        {u"version", u"1.0"},
        {u"timestamp", std::u16string(timestamp.begin(), timestamp.end())},
    }};
}

} // namespace

int CreateEnvelope(CXmlDocument& document, CXmlNode& root)
{
    document.Clear();
    document.AppendProcessingInstruction(u"xml", kDeclaration);
    root = document.CreateDocumentElement(u"QXSync");
    if (root.IsNull())
        return -1;
    for (const EnvelopeAttribute& attribute : EnvelopeAttributes())
        root.SetAttribute(attribute.name, attribute.value);
    return 0;
}

void WriteEnvelopeStart(CXmlTextWriter& writer)
{
    writer.ProcessingInstruction("xml", Utf16ToUtf8(kDeclaration));
    writer.StartElement("QXSync");
    for (const EnvelopeAttribute& attribute : EnvelopeAttributes())
        writer.Attribute(Utf16ToUtf8(attribute.name), attribute.value);
}

std::int64_t CurrentTimeMs()
{
    const auto now = static_cast<std::int64_t>(CClock::Get().UtcNow());
    return (now - static_cast<std::int64_t>(kFileTimeAt1970)) / 10000;
}

bool SaveUnreadableAnswer(std::u16string_view text)
{
    const std::filesystem::path file = CDevicePaths::ToHost(u"\\res.xml");
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    // The answer may hold settings and keys: the copy is for the user only. The file is made (or
    // narrowed) to 0600 first, because the replacement below keeps the mode of the file it replaces.
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0)
        return false;
    const bool narrowed = ::fchmod(descriptor, 0600) == 0;
    ::close(descriptor);
    return narrowed && WriteUTF8File(Utf8ToUtf16(file.native()), text) == S_OK;
}
