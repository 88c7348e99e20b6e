// The sample files in pim/tests/data, written for this project the way phones, mail programs and
// address books of the last twenty years write theirs: every item is found, reads into the fields the
// file means, and what the writer makes of it reads back to the same text.
#include "ItemFile.h"
#include "PimTestSupport.h"
#include "ZoneSupport.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

// Pseudo fields of the checks below: a line the written text holds, and the size of the picture.
constexpr PimField kWrittenLine = static_cast<PimField>(0);
constexpr PimField kPictureSize = static_cast<PimField>(1);

std::string ReadSample(const char* name)
{
    std::ifstream in(std::string(LUMENO_PIM_SAMPLES) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

PimFolder FolderOf(std::u16string_view text)
{
    switch (ItemConverter::DetectKind(text)) {
    case ItemKind::Appointment: return PimFolder::Calendar;
    case ItemKind::Task: return PimFolder::Tasks;
    default: return PimFolder::Contacts;
    }
}

std::u16string PictureSize(CPimItem& item)
{
    std::unique_ptr<CPimPictureStream> stream;
    item.OpenPicture(PictureAccess::Read, stream);
    std::uint64_t size = 0;
    if (stream)
        stream->Seek(0, SeekOrigin::End, &size);
    return Utf8ToUtf16(std::to_string(size));
}

} // namespace

TEST(SampleFiles, EveryItemReadsAsMeantAndWritesBackStably)
{
    ScopedTimeZone zone("UTC");
    struct File {
        const char* name;
        std::size_t items;
    };
    const File files[] = {
        {"contacts-v21.vcf", 2},        {"contacts-v30.vcf", 1},     {"contacts-charsets.vcf", 8},
        {"contacts-utf16le-bom.vcf", 2}, {"contacts-utf16be.vcf", 2}, {"calendar-rules.vcs", 7},
        {"calendar-cr.vcs", 1},          {"calendar-all-day.ics", 3},
    };
    struct Check {
        const char* file;
        std::size_t item;
        PimField field;
        std::u16string expected;
    };
    const Check checks[] = {
        {"contacts-v21.vcf", 0, PimField::LastName, u"Müller"},
        {"contacts-v21.vcf", 0, PimField::CompanyName, u"Smith, Jones & Partner"},
        {"contacts-v21.vcf", 0, PimField::Home2TelephoneNumber, u"+49 30 7654322"},
        {"contacts-v21.vcf", 0, PimField::BusinessFaxNumber, u"+49 30 1234568"},
        {"contacts-v21.vcf", 0, PimField::BusinessAddressStreet, u"Line 1\r\nLine 2"},
        {"contacts-v21.vcf", 0, PimField::BusinessAddressCountry, u"Land"},
        {"contacts-v21.vcf", 0, PimField::WebPage, u"http://example.com/?id=42&lang=en"},
        {"contacts-v21.vcf", 0, PimField::Body, u"x = y and 5=5%"},
        {"contacts-v21.vcf", 0, PimField::Birthday, u"19800322T000000Z"},
        {"contacts-v21.vcf", 1, PimField::LastName, u"Doe;Smith"},
        {"contacts-v21.vcf", 1, PimField::Body, u"Hello world, first; second\r\nand a second line"},
        {"contacts-v21.vcf", 1, PimField::MobileTelephoneNumber, u"555-0100"},
        {"contacts-v21.vcf", 1, PimField::Email1Address, u"john.doe@example.net"},
        {"contacts-v21.vcf", 1, PimField::BusinessTelephoneNumber, u""},
        {"contacts-v21.vcf", 1, PimField::JobTitle, u"Buyer"},
        {"contacts-v21.vcf", 1, kPictureSize, u"156"},
        {"contacts-v30.vcf", 0, PimField::Title, u"Dr."},
        {"contacts-v30.vcf", 0, PimField::CompanyName, u"Example, Ltd."},
        {"contacts-v30.vcf", 0, PimField::MobileTelephoneNumber, u"+353 87 1234567"},
        {"contacts-v30.vcf", 0, PimField::BusinessTelephoneNumber, u"+353 1 2345678"},
        {"contacts-v30.vcf", 0, PimField::BusinessFaxNumber, u"+353 1 2345679"},
        {"contacts-v30.vcf", 0, PimField::Email1Address, u"siobhan@example.ie"},
        {"contacts-v30.vcf", 0, PimField::Email2Address, u"s.obrien@example.com"},
        {"contacts-v30.vcf", 0, PimField::HomeAddressCountry, u"Ireland"},
        {"contacts-v30.vcf", 0, PimField::Body,
         u"This note was folded at a word and says:\r\nfirst line, second; third and goes on after a tab"},
        {"contacts-v30.vcf", 0, PimField::Birthday, u"19800322T000000Z"},
        {"contacts-v30.vcf", 0, kPictureSize, u"156"},
        {"contacts-charsets.vcf", 0, PimField::LastName, u"テスト"},
        {"contacts-charsets.vcf", 0, PimField::FirstName, u"花子"},
        {"contacts-charsets.vcf", 0, PimField::CompanyName, u"表計算株式会社"},
        {"contacts-charsets.vcf", 1, PimField::FirstName, u"Пётр"},
        {"contacts-charsets.vcf", 2, PimField::FirstName, u"小明"},
        {"contacts-charsets.vcf", 3, PimField::LastName, u"李"},
        {"contacts-charsets.vcf", 4, PimField::LastName, u"Иванов"},
        {"contacts-charsets.vcf", 5, PimField::LastName, u"Dvořák"},
        {"contacts-charsets.vcf", 6, PimField::LastName, u"François – €"},
        {"contacts-charsets.vcf", 7, PimField::FirstName, u"Text"},
        {"contacts-utf16le-bom.vcf", 0, PimField::LastName, u"Øster"},
        {"contacts-utf16le-bom.vcf", 1, PimField::FirstName, u"Văn An"},
        {"contacts-utf16be.vcf", 0, PimField::MobileTelephoneNumber, u"+47 912 34 567"},
        {"contacts-utf16be.vcf", 1, PimField::LastName, u"Nguyễn"},
        {"calendar-all-day.ics", 0, kWrittenLine, u"DTSTART;VALUE=DATE:20250620"},
        {"calendar-all-day.ics", 0, kWrittenLine, u"DTEND;VALUE=DATE:20250621"},
        {"calendar-all-day.ics", 0, PimField::Location, u"Lake shore, north side"},
        {"calendar-all-day.ics", 1, kWrittenLine, u"DTEND;VALUE=DATE:20250809"},
        {"calendar-all-day.ics", 2, kWrittenLine, u"DTSTART:20250623T090000Z"},
        {"calendar-rules.vcs", 0, PimField::Subject, u"Daily stand-up; team"},
        {"calendar-rules.vcs", 0, kWrittenLine, u"RRULE:D2 #5"},
        {"calendar-rules.vcs", 1, kWrittenLine, u"RRULE:W1 MO WE FR #10"},
        {"calendar-rules.vcs", 2, PimField::Location, u"Office; room 4"},
        {"calendar-rules.vcs", 2, kWrittenLine, u"RRULE:MD2 15 20071214T230000Z"},
        {"calendar-rules.vcs", 3, kWrittenLine, u"RRULE:MP1 1- FR #0"},
        {"calendar-rules.vcs", 4, kWrittenLine, u"RRULE:YM2 5 #10"},
        {"calendar-rules.vcs", 5, kWrittenLine, u"RRULE:YM1 3 #5"},
        {"calendar-rules.vcs", 5, PimField::Body, u"First line\r\nSecond line with a = sign"},
        {"calendar-rules.vcs", 6, PimField::StartDate, u"20070302T100000Z"},
        {"calendar-rules.vcs", 6, PimField::DueDate, u"20070309T170000Z"},
        {"calendar-rules.vcs", 6, PimField::Importance, u"1"},
        {"calendar-rules.vcs", 6, kWrittenLine, u"RRULE:W1 FR #0"},
        {"calendar-cr.vcs", 0, PimField::Subject, u"Saved with CR line ends"},
        {"calendar-cr.vcs", 0, PimField::Importance, u"2"},
    };
    PimTestStore store;
    for (const File& file : files) {
        const std::vector<std::u16string> texts = SplitItemTexts(DecodeItemFile(ReadSample(file.name)));
        ASSERT_EQ(texts.size(), file.items) << file.name;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const PimTestStore::RoundTrip trip = store.ReadAndRewrite(FolderOf(texts[i]), texts[i]);
            EXPECT_EQ(trip.status, S_OK) << file.name << " item " << i;
            EXPECT_EQ(trip.rewritten, trip.written) << file.name << " item " << i;
            for (const Check& check : checks) {
                if (std::string_view(check.file) != file.name || check.item != i)
                    continue;
                std::u16string actual;
                const bool holdsLine = trip.written.find(check.expected + u"\r\n") != std::u16string::npos;
                if (check.field == kWrittenLine)
                    actual = holdsLine ? check.expected : trip.written;
                else if (check.field == kPictureSize)
                    actual = PictureSize(*trip.item);
                else
                    actual = PimTestStore::FieldText(*trip.item, check.field);
                EXPECT_EQ(Utf16ToUtf8(actual), Utf16ToUtf8(check.expected)) << file.name << " item " << i;
            }
        }
    }
}
