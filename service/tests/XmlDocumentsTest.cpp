#include "ServiceFixture.h"

#include "platform/DevicePaths.h"
#include "testing/VirtualClock.h"
#include "service/XmlDocuments.h"

#include <sys/stat.h>

namespace {

// 2007-01-01 00:00:00 UTC, the virtual clock's default start.
constexpr std::int64_t kStartMs = 1167609600000;

class InstalledClock {
public:
    explicit InstalledClock(FileTime start = kFileTimeAt1970 + kStartMs * 10000) : m_clock(start)
    {
        CClock::Install(&m_clock);
    }
    ~InstalledClock() { CClock::Install(nullptr); }
    CVirtualClock* operator->() { return &m_clock; }

private:
    CVirtualClock m_clock;
};

} // namespace

TEST(XmlDocuments, TheEnvelopeOfAnEmptyRequest)
{
    InstalledClock clock;
    EXPECT_EQ(CurrentTimeMs(), kStartMs);
    CXmlDocument document;
    CXmlNode root;
    ASSERT_EQ(CreateEnvelope(document, root), 0);
    EXPECT_EQ(document.Serialize(), u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                    u"<QXSync xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                                    u"xsi:noNamespaceSchemaLocation=\"QXSync.xsd\""
                                    u" version=\"1.0\" timestamp=\"1167609600000\"/>");

    clock->Advance(1000);
    root.AppendElement(u"setting-list")
        .AppendElement(u"setting")
        .SetAttribute(u"name", u"Sync-Period")
        .SetAttribute(u"value", 7u);
    ASSERT_EQ(CreateEnvelope(document, root), 0); // starts a new document
    EXPECT_EQ(root.Attribute(u"timestamp"), u"1167609601000");
    EXPECT_EQ(root.ChildCount(), 0u);
}

TEST(XmlDocuments, TimesBefore1970AreNegative)
{
    InstalledClock clock(kFileTimeAt1970 - 20000);
    EXPECT_EQ(CurrentTimeMs(), -2);
}

class UnreadableAnswerTest : public ServiceFixture {};

TEST_F(UnreadableAnswerTest, ReplacesTheCopyAtTheDeviceRootReadableByTheUserOnly)
{
    const std::filesystem::path file = CDevicePaths::ToHost(u"\\res.xml");
    WriteFile(file, "an older, longer answer");
    ::chmod(file.c_str(), 0644);
    ASSERT_TRUE(SaveUnreadableAnswer(u"<settings \u00e4"));
    EXPECT_EQ(ReadFile(file), "<settings \xC3\xA4");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    std::filesystem::remove(file);
    ASSERT_TRUE(SaveUnreadableAnswer(u"new"));
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}
