// SMS archives as phones' backup apps write them, read, imported into the messaging store and written
// back out.

#include "SmsArchive.h"
#include "SmsArchiveStore.h"
#include "platform/Sqlite.h"
#include "testing/TempDir.h"
#include "utils/Utf.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

std::string Sample(const char* name)
{
    std::ifstream in(std::filesystem::path(LUMENO_SMS_SAMPLES) / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

SmsArchive Read(std::string_view bytes)
{
    SmsArchive archive;
    std::string error;
    EXPECT_TRUE(ReadSmsArchive(bytes, archive, error)) << error;
    return archive;
}

std::vector<std::u16string> Bodies(const std::vector<ArchivedSms>& messages)
{
    std::vector<std::u16string> bodies;
    for (const ArchivedSms& message : messages)
        bodies.push_back(message.body);
    return bodies;
}

TEST(SmsArchive, ReadsArchivesOfPhones)
{
    const SmsArchive phone = Read(Sample("sms-archive-phone.xml"));
    EXPECT_EQ(phone.skipped, 1u) << "the picture message";
    EXPECT_EQ(Bodies(phone.messages), (std::vector<std::u16string>{
                                          u"Frohe Weihnachten! 🎅😀",
                                          u"Danke, euch auch!\nBis morgen & liebe Grüße",
                                          u"Привет! Как дела? 👍",
                                          u"您的话费余额为 12.50 元。<回复 1 查询>",
                                          u"Entwurf: noch nicht gesendet",
                                          u"failed \uFFFD",
                                      }));
    const ArchivedSms& first = phone.messages[0];
    EXPECT_EQ(first.address, u"+4917012345678");
    EXPECT_EQ(first.dateMs, 1703442600000);
    EXPECT_EQ(first.type, ArchivedSmsType::Received);
    EXPECT_TRUE(first.read);
    EXPECT_EQ(first.contactName, u"Anna Müller");
    EXPECT_FALSE(phone.messages[2].read);
    EXPECT_EQ(phone.messages[2].contactName, u"") << "(Unknown)";
    EXPECT_EQ(phone.messages[3].contactName, u"") << "null";
    EXPECT_EQ(phone.messages[5].type, ArchivedSmsType::Failed);

    const SmsArchive minimal = Read(Sample("sms-archive-minimal.xml"));
    EXPECT_EQ(Bodies(minimal.messages),
              (std::vector<std::u16string>{u"Happy new year 😀 and 🎆 and 😀", u"Line one\r\nline two", u""}));
    EXPECT_EQ(minimal.messages[2].type, ArchivedSmsType::Queued);
}

TEST(SmsArchive, MalformedFilesAreRefusedSayingWhere)
{
    struct Case {
        std::string bytes;
        const char* error;
    };
    const Case cases[] = {
        {Sample("sms-archive-bad-date.xml"), "message 2: date \"yesterday\" is not a time"},
        {Sample("sms-archive-truncated.xml"), "not an XML file"},
        {"<?xml version=\"1.0\"?><contacts/>", "the root element is \"contacts\", not \"smses\""},
        {"<smses><sms date=\"1\" type=\"7\"/></smses>", "message 1: type \"7\" is not one of 1 to 6"},
        {"<smses><sms type=\"1\"/></smses>", "message 1: date \"\" is not a time"},
        {"<smses><sms date=\"99999999999999999\" type=\"1\"/></smses>", "date \"99999999999999999\""},
        {"", "not an XML file"},
    };
    for (const Case& c : cases) {
        SmsArchive archive;
        archive.skipped = 9;
        std::string error;
        EXPECT_FALSE(ReadSmsArchive(c.bytes, archive, error)) << c.error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_TRUE(archive.messages.empty());
        EXPECT_EQ(archive.skipped, 0u);
    }
}

class SmsArchiveStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        m_store = MAPIMsgStore::Open(m_dir.Path() / "messages.db", u"SMS", error);
        ASSERT_TRUE(m_store) << error;
    }

    std::vector<ArchivedSms> Exported()
    {
        std::vector<ArchivedSms> messages;
        std::string error;
        EXPECT_TRUE(ExportSmsArchive(*m_store, messages, error)) << error;
        return messages;
    }

    TempDir m_dir;
    std::unique_ptr<MAPIMsgStore> m_store;
};

TEST_F(SmsArchiveStoreTest, ImportedArchiveComesBackOutWholeAndOnlyOnce)
{
    const SmsArchive archive = Read(Sample("sms-archive-phone.xml"));
    for (const std::size_t added : {archive.messages.size(), std::size_t{0}}) {
        SmsImportCounts counts;
        std::string error;
        ASSERT_TRUE(ImportSmsArchive(*m_store, archive, counts, error)) << error;
        EXPECT_EQ(counts.added, added);
        EXPECT_EQ(counts.present, archive.messages.size() - added);
    }

    // Export writes the folders in their order: received, sent, draft, then the unsent ones.
    const std::vector<ArchivedSms> written = Read(WriteSmsArchive(Exported())).messages;
    ASSERT_EQ(written.size(), archive.messages.size());
    const std::size_t order[] = {0, 2, 3, 1, 4, 5};
    for (std::size_t i = 0; i < written.size(); ++i) {
        const ArchivedSms& original = archive.messages[order[i]];
        SCOPED_TRACE(Utf16ToUtf8(original.body));
        EXPECT_EQ(written[i].address, original.address);
        EXPECT_EQ(written[i].dateMs, original.dateMs);
        EXPECT_EQ(written[i].body, original.body);
        EXPECT_EQ(written[i].read, original.read);
        EXPECT_EQ(written[i].contactName, original.contactName);
        EXPECT_EQ(written[i].type,
                  original.type == ArchivedSmsType::Failed ? ArchivedSmsType::Outbox : original.type);
    }
}

TEST_F(SmsArchiveStoreTest, RefusedImportLeavesTheStoreAsItWas)
{
    SmsImportCounts counts;
    std::string error;
    ASSERT_TRUE(ImportSmsArchive(*m_store, Read(Sample("sms-archive-minimal.xml")), counts, error)) << error;
    CSqliteDb db;
    ASSERT_TRUE(db.Open(m_dir.Path() / "messages.db").Ok());
    ASSERT_TRUE(
        db.Exec("CREATE TRIGGER full BEFORE INSERT ON messages WHEN (SELECT count(*) FROM messages) >= 5 "
                "BEGIN SELECT RAISE(ABORT, 'store is full'); END;")
            .Ok());

    EXPECT_FALSE(ImportSmsArchive(*m_store, Read(Sample("sms-archive-phone.xml")), counts, error));

    EXPECT_NE(error.find("store is full"), std::string::npos) << error;
    EXPECT_EQ(Bodies(Exported()), Bodies(Read(Sample("sms-archive-minimal.xml")).messages));
}

} // namespace
