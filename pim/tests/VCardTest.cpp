#include "OleDate.h"
#include "PimTestSupport.h"
#include "ZoneSupport.h"
#include "platform/XmlDom.h"
#include "utils/Base64.h"

#include <gtest/gtest.h>

namespace {

constexpr PimFolder kContacts = PimFolder::Contacts;

std::u16string Card(std::u16string_view body)
{
    return u"BEGIN:VCARD\r\nVERSION:2.1\r\n" + std::u16string(body) + u"END:VCARD\r\n";
}

class VCardTest : public ::testing::Test {
protected:
    std::unique_ptr<CPimItem> Contact(std::initializer_list<std::pair<PimField, std::u16string>> fields)
    {
        auto item = m_store.NewItem(kContacts);
        for (const auto& [field, value] : fields)
            item->SetText(field, value);
        return item;
    }

    std::unique_ptr<CPimItem> Read(std::u16string_view text, HRESULT* status = nullptr)
    {
        return m_store.Read(kContacts, text, status);
    }

    static std::u16string Field(const CPimItem& item, PimField field) { return PimTestStore::Field(item, field); }

    std::string Picture(CPimItem& item)
    {
        std::unique_ptr<CPimPictureStream> stream;
        item.OpenPicture(PictureAccess::Read, stream);
        std::string bytes(1 << 16, '\0');
        std::uint32_t read = 0;
        stream->Read(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &read);
        bytes.resize(read);
        return bytes;
    }

    PimTestStore m_store;
};

} // namespace

TEST_F(VCardTest, WriterLeavesOutAbsentLines)
{
    auto item = Contact({{PimField::FirstName, u"John"}});
    EXPECT_EQ(PimTestStore::TextOf(*item), u"BEGIN:VCARD\r\nVERSION:2.1\r\nN:;John;;;\r\nEND:VCARD");

    auto address = Contact({{PimField::BusinessAddressStreet, u"Main St 1"}, {PimField::BusinessAddressCity, u"Ulm"}});
    EXPECT_EQ(PimTestStore::TextOf(*address),
              u"BEGIN:VCARD\r\nVERSION:2.1\r\nADR;WORK:;;Main St 1;Ulm;;;\r\nEND:VCARD");
}

TEST_F(VCardTest, NoteIsTrimmedAndFolded)
{
    auto item = Contact({{PimField::Body, u"a\r\nb  \r\n"}});
    EXPECT_EQ(PimTestStore::TextOf(*item), u"BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE:a\r\n b\r\nEND:VCARD");
    auto lone = Contact({{PimField::Body, u"a\nb"}});
    EXPECT_EQ(PimTestStore::TextOf(*lone), u"BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE:a\r\n b\r\nEND:VCARD");
}

TEST_F(VCardTest, MultiLineNoteRoundTripsDirectlyAndThroughXml)
{
    auto item = Contact({{PimField::Body, u"a\r\nb\r\n\r\nc"}});
    const std::u16string text = PimTestStore::TextOf(*item) + u"\r\n";
    EXPECT_EQ(Field(*Read(text), PimField::Body), u"a\r\nb\r\n\r\nc");

    // A server's XML parser hands the text back with LF line ends.
    CXmlDocument document;
    ASSERT_TRUE(document.Load(u"<contact><vcard><![CDATA[" + text + u"]]></vcard></contact>", XmlLineEnds::Normalise));
    const std::u16string travelled = document.DocumentElement().FirstChildElement(u"vcard").Text();
    ASSERT_EQ(travelled.find(u'\r'), std::u16string::npos);
    EXPECT_EQ(Field(*Read(travelled), PimField::Body), u"a\r\nb\r\n\r\nc");
}

TEST_F(VCardTest, ReaderTable)
{
    struct Case {
        const char* what;
        std::u16string body;
        PimField field;
        std::u16string expected;
    };
    const Case cases[] = {
        {"NOTE takes the first component", u"NOTE:x;y\r\n", PimField::Body, u"x"},
        {"CELL before WORK", u"TEL;WORK;CELL:1\r\n", PimField::MobileTelephoneNumber, u"1"},
        {"first TEL;WORK", u"TEL;WORK:1\r\nTEL;WORK:2\r\nTEL;WORK:3\r\n", PimField::BusinessTelephoneNumber, u"1"},
        {"later TEL;WORK", u"TEL;WORK:1\r\nTEL;WORK:2\r\nTEL;WORK:3\r\n", PimField::Business2TelephoneNumber, u"3"},
        {"TEL;HOME twice", u"TEL;HOME:1\r\nTEL;HOME:2\r\n", PimField::Home2TelephoneNumber, u"2"},
        {"TEL without kind", u"TEL:9\r\n", PimField::RadioTelephoneNumber, u"9"},
        {"plain fax alone", u"TEL;FAX:5\r\n", PimField::BusinessFaxNumber, u"5"},
        {"plain fax after work fax", u"TEL;WORK;FAX:4\r\nTEL;FAX:5\r\n", PimField::HomeFaxNumber, u"5"},
        {"two internet e-mails, first", u"EMAIL;INTERNET:a@x\r\nEMAIL;INTERNET:b@x\r\n", PimField::Email1Address, u"a@x"},
        {"two internet e-mails, second", u"EMAIL;INTERNET:a@x\r\nEMAIL;INTERNET:b@x\r\n", PimField::Email2Address, u"b@x"},
        {"PREF first", u"EMAIL;INTERNET:a@x\r\nEMAIL;PREF:p@x\r\n", PimField::Email1Address, u"p@x"},
        {"empty e-mails skipped", u"EMAIL;PREF:\r\nEMAIL:c@x\r\n", PimField::Email1Address, u"c@x"},
        {"N with too few components", u"N:Smith\r\n", PimField::LastName, u"Smith"},
        {"N fills prefix", u"N:Smith;John;Q;Dr.;Jr.\r\n", PimField::Title, u"Dr."},
        {"N;CHARSET", u"N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller\r\n", PimField::LastName, u"Müller"},
        {"ADR;WORK office", u"ADR;WORK:x;Room 4;Street;City;ST;12345;DE\r\n", PimField::OfficeLocation, u"Room 4"},
        {"ADR;WORK country", u"ADR;WORK:x;Room 4;Street;City;ST;12345;DE\r\n", PimField::BusinessAddressCountry, u"DE"},
        {"ADR;HOME street", u"ADR;HOME:x;y;Home St\r\n", PimField::HomeAddressStreet, u"Home St"},
        {"ADR;POSTAL city", u"ADR;POSTAL:;;S;Other City\r\n", PimField::OtherAddressCity, u"Other City"},
        {"set by property id", u"X-MS-TEL;COMPANY:77\r\n", PimField::CompanyTelephoneNumber, u"77"},
        {"later value wins", u"TITLE:a\r\nTITLE:b\r\n", PimField::JobTitle, u"b"},
        {"before BEGIN ignored", u"", PimField::JobTitle, u""},
    };
    for (const Case& c : cases) {
        HRESULT status = E_FAIL;
        auto item = Read(Card(c.body), &status);
        EXPECT_EQ(status, S_OK) << c.what;
        EXPECT_EQ(Field(*item, c.field), c.expected) << c.what;
    }
    auto before = Read(u"TITLE:early\r\n" + Card(u""));
    EXPECT_EQ(Field(*before, PimField::JobTitle), u"");
    auto noPlain = Read(Card(u"TEL;FAX:5\r\n"));
    EXPECT_EQ(Field(*noPlain, PimField::HomeFaxNumber), u"");
}

TEST_F(VCardTest, PositionsAreNotKeptAcrossWriteAndRead)
{
    struct Case {
        PimField written;
        PimField readBack;
    };
    const Case cases[] = {
        {PimField::Email2Address, PimField::Email1Address},
        {PimField::Business2TelephoneNumber, PimField::BusinessTelephoneNumber},
        {PimField::Home2TelephoneNumber, PimField::HomeTelephoneNumber},
    };
    for (const Case& c : cases) {
        auto item = Contact({{c.written, u"v"}});
        auto back = Read(PimTestStore::TextOf(*item) + u"\r\n");
        EXPECT_EQ(Field(*back, c.readBack), u"v");
    }
}

TEST_F(VCardTest, UnicodeSurvivesTheReader)
{
    const std::u16string names[] = {u"Müller", u"Жуков", u"王小明", u"Zoë 😀", u"Ñandú"};
    for (const std::u16string& name : names) {
        auto item = Contact({{PimField::LastName, name}, {PimField::Body, name + u"\r\n" + name}});
        auto back = Read(PimTestStore::TextOf(*item) + u"\r\n");
        EXPECT_EQ(Field(*back, PimField::LastName), name);
        EXPECT_EQ(Field(*back, PimField::Body), name + u"\r\n" + name);
    }
}

TEST_F(VCardTest, DatesInTheLocalForm)
{
    auto item = m_store.NewItem(kContacts);
    CivilTime birthday{1975, 6, 6, 0, 0, 0, 0, 0};
    item->SetDate(PimField::Birthday, CivilToOle(birthday));
    const std::u16string text = PimTestStore::TextOf(*item);
    EXPECT_NE(text.find(u"BDAY:19750606T000000\r\n"), std::u16string::npos);
    double date = 0;
    Read(text + u"\r\n")->GetDate(PimField::Birthday, date);
    EXPECT_EQ(date, CivilToOle(birthday));

    // The time part is read back as midnight; a value that is no date leaves the field unset.
    Read(Card(u"ANNIVERSARY:20010203T101010\r\n"))->GetDate(PimField::Anniversary, date);
    EXPECT_EQ(date, CivilToOle(CivilTime{2001, 2, 3, 0, 0, 0, 0, 0}));
    Read(Card(u"BDAY:20011303\r\n"))->GetDate(PimField::Birthday, date);
    EXPECT_EQ(date, NO_DATE);
}

TEST_F(VCardTest, PictureImport)
{
    const std::string jpeg = "\xFF\xD8\xFF\xE0 picture bytes \x00\x01\x02 end";
    const std::string b64 = Base64Encode(jpeg);
    const std::u16string encoded(b64.begin(), b64.end());
    const std::u16string half1 = encoded.substr(0, 20);
    const std::u16string half2 = encoded.substr(20);
    struct Case {
        const char* what;
        std::u16string body;
    };
    const Case cases[] = {
        {"one line", u"PHOTO;TYPE=JPEG;ENCODING=BASE64:" + encoded + u"\r\n"},
        {"folded", u"PHOTO;ENCODING=BASE64:" + half1 + u"\r\n " + half2 + u"\r\n"},
        {"on the following lines", u"PHOTO;ENCODING=BASE64:\r\n" + half1 + u"\r\n" + half2 + u"\r\n\r\n"},
        {"following lines up to the next property", u"PHOTO;ENCODING=BASE64:\r\n" + half1 + u"\r\n" + half2 + u"\r\n"},
        {"lines not indented, up to an empty line", u"PHOTO;ENCODING=BASE64:" + half1 + u"\r\n" + half2 + u"\r\n\r\n"},
        {"vCard 3.0", u"PHOTO;ENCODING=b;TYPE=JPEG:" + half1 + u"\r\n " + half2 + u"\r\n"},
    };
    for (const Case& c : cases) {
        HRESULT status = E_FAIL;
        auto item = Read(Card(c.body + u"TITLE:t\r\n"), &status);
        EXPECT_EQ(status, S_OK) << c.what;
        EXPECT_EQ(Picture(*item), jpeg) << c.what;
        EXPECT_EQ(Field(*item, PimField::JobTitle), u"t") << c.what;
    }
    HRESULT status = E_FAIL;
    auto empty = Read(Card(u"PHOTO:\r\n\r\n"), &status);
    EXPECT_EQ(status, S_OK);
    EXPECT_EQ(Picture(*empty), "");
    EXPECT_EQ(Picture(*Read(Card(u"PHOTO;VALUE=URI:http://example.com/a.jpg\r\n"))), "");
}

TEST_F(VCardTest, EveryFieldRoundTrips)
{
    auto item = m_store.NewItem(kContacts);
    int n = 0;
    for (const PimField field :
         {PimField::LastName, PimField::FirstName, PimField::MiddleName, PimField::Title, PimField::Suffix,
          PimField::Nickname, PimField::CompanyName, PimField::Department, PimField::JobTitle, PimField::Manager,
          PimField::OfficeLocation, PimField::AssistantName, PimField::Email1Address, PimField::Email2Address,
          PimField::Email3Address, PimField::IMAddress, PimField::MobileTelephoneNumber,
          PimField::BusinessTelephoneNumber, PimField::Business2TelephoneNumber, PimField::HomeTelephoneNumber,
          PimField::Home2TelephoneNumber, PimField::BusinessFaxNumber, PimField::HomeFaxNumber, PimField::PagerNumber,
          PimField::CarTelephoneNumber, PimField::RadioTelephoneNumber, PimField::CompanyTelephoneNumber,
          PimField::AssistantTelephoneNumber, PimField::Spouse, PimField::Children, PimField::WebPage,
          PimField::CustomerId, PimField::AccountName, PimField::BusinessAddressStreet, PimField::BusinessAddressCity,
          PimField::BusinessAddressState, PimField::BusinessAddressPostalCode, PimField::BusinessAddressCountry,
          PimField::HomeAddressStreet, PimField::HomeAddressCity, PimField::HomeAddressState,
          PimField::HomeAddressPostalCode, PimField::HomeAddressCountry, PimField::OtherAddressStreet,
          PimField::OtherAddressCity, PimField::OtherAddressState, PimField::OtherAddressPostalCode,
          PimField::OtherAddressCountry, PimField::Categories}) {
        item->SetText(field, u"v" + std::u16string(1, static_cast<char16_t>(u'A' + n++ % 26)) + u"é");
    }
    item->SetText(PimField::Body, u"line one\r\nline two");
    item->SetDate(PimField::Birthday, CivilToOle(CivilTime{1980, 2, 29, 0, 0, 0, 0, 0}));
    item->SetDate(PimField::Anniversary, CivilToOle(CivilTime{2005, 9, 1, 0, 0, 0, 0, 0}));
    std::unique_ptr<CPimPictureStream> picture;
    item->OpenPicture(PictureAccess::Write, picture);
    std::string bytes(3000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    picture->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), nullptr);
    picture->Commit();
    ASSERT_EQ(item->Save(), S_OK);

    const std::u16string first = PimTestStore::TextOf(*item);
    HRESULT status = E_FAIL;
    auto back = Read(first + u"\r\n", &status);
    EXPECT_EQ(status, S_OK);
    ASSERT_EQ(back->Save(), S_OK);
    EXPECT_EQ(PimTestStore::TextOf(*back), first);
    EXPECT_EQ(Picture(*back), bytes);
}

TEST_F(VCardTest, IncompleteTextsFail)
{
    struct Case {
        const char* what;
        std::u16string text;
        HRESULT expected;
    };
    const Case cases[] = {
        {"no END:VCARD", u"BEGIN:VCARD\r\nN:a\r\n", E_FAIL},
        {"END without line end", u"BEGIN:VCARD\r\nN:a\r\nEND:VCARD", E_FAIL},
        {"CDATA start", u"![CDATA[BEGIN:VCARD\r\nN:a\r\nEND:VCARD\r\n", S_OK},
        {"unknown kind", u"BEGIN:VNOTE\r\nEND:VNOTE\r\n", S_NOTHING_DONE},
        {"kind does not match the item", u"BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nEND:VTODO\r\nEND:VCALENDAR\r\n", E_FAIL},
    };
    for (const Case& c : cases) {
        HRESULT status = S_OK;
        auto item = Read(c.text, &status);
        EXPECT_EQ(status, c.expected) << c.what;
    }
    auto partial = Read(u"BEGIN:VCARD\r\nN:a\r\nEMAIL:x@y\r\n");
    EXPECT_EQ(Field(*partial, PimField::LastName), u"a");
    EXPECT_EQ(Field(*partial, PimField::Email1Address), u"");
}

TEST_F(VCardTest, KindDetection)
{
    EXPECT_EQ(ItemConverter::DetectKind(u"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n"), ItemKind::Appointment);
    EXPECT_EQ(ItemConverter::DetectKind(u"BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\n"), ItemKind::Task);
    EXPECT_EQ(ItemConverter::DetectKind(u"X:1\r\nBEGIN:VCARD\r\n"), ItemKind::Contact);
    EXPECT_EQ(ItemConverter::DetectKind(u"BEGIN:VCARDX\r\n"), ItemKind::Unknown);
    EXPECT_EQ(ItemConverter::DetectKind(u""), ItemKind::Unknown);
}

// Cards as phones, mail programs and address books write them: each reads into the field as the card
// means it, and what the writer makes of the contact reads back to the same text.
TEST_F(VCardTest, RealWorldCardsReadAndWriteBackStably)
{
    ScopedTimeZone zone("UTC");
    struct Case {
        const char* what;
        std::u16string text;
        PimField field;
        std::u16string expected;
    };
    const Case cases[] = {
        {"= without quoted-printable", Card(u"NOTE:x = y and 5=5%\r\n"), PimField::Body, u"x = y and 5=5%"},
        {"= in a URL", Card(u"URL:http://example.com/?id=42&lang=en\r\n"), PimField::WebPage,
         u"http://example.com/?id=42&lang=en"},
        {"soft line break", Card(u"NOTE;ENCODING=QUOTED-PRINTABLE:Hello=\r\n world\r\n"), PimField::Body,
         u"Hello world"},
        {"escape as the last characters", Card(u"NOTE;ENCODING=QUOTED-PRINTABLE:abc=3D=41\r\n"), PimField::Body,
         u"abc=A"},
        {"line break in a street",
         Card(u"ADR;WORK;ENCODING=QUOTED-PRINTABLE:;;Line 1=0D=0ALine 2;Town;;12345;Land\r\n"),
         PimField::BusinessAddressStreet, u"Line 1\r\nLine 2"},
        {"the address goes on after it",
         Card(u"ADR;WORK;ENCODING=QUOTED-PRINTABLE:;;Line 1=0D=0ALine 2;Town;;12345;Land\r\n"),
         PimField::BusinessAddressCity, u"Town"},
        {"BEGIN:vCard", u"BEGIN:vCard\r\nVERSION:2.1\r\nN:Doe\r\nEND:vCard\r\n", PimField::LastName, u"Doe"},
        {"lower-case names", u"begin:vcard\r\nversion:2.1\r\nn:Doe\r\ntel;cell:4\r\nend:vcard\r\n",
         PimField::MobileTelephoneNumber, u"4"},
        {"TYPE=cell", Card(u"TEL;TYPE=cell:1\r\n"), PimField::MobileTelephoneNumber, u"1"},
        {"TYPE=fax", Card(u"TEL;TYPE=fax:2\r\n"), PimField::BusinessFaxNumber, u"2"},
        {"TYPE=work", Card(u"TEL;TYPE=work:3\r\n"), PimField::BusinessTelephoneNumber, u"3"},
        {"TYPE=WORK,VOICE", Card(u"TEL;TYPE=WORK,VOICE:4\r\n"), PimField::BusinessTelephoneNumber, u"4"},
        {"TYPE=\"home,fax\"", Card(u"TEL;TYPE=\"home,fax\":5\r\n"), PimField::HomeFaxNumber, u"5"},
        {"ADR;TYPE=home", Card(u"ADR;TYPE=home:;;Harbour Road 12;Dublin\r\n"), PimField::HomeAddressStreet,
         u"Harbour Road 12"},
        {"EMAIL;TYPE=pref", Card(u"EMAIL:b@x\r\nEMAIL;TYPE=INTERNET,pref:a@x\r\n"), PimField::Email1Address, u"a@x"},
        {"BDAY extended", Card(u"BDAY:1980-03-22\r\n"), PimField::Birthday, u"19800322T000000Z"},
        {"BDAY;VALUE=DATE", Card(u"BDAY;VALUE=DATE:1980-03-22\r\n"), PimField::Birthday, u"19800322T000000Z"},
        {"ANNIVERSARY extended with a time", Card(u"ANNIVERSARY:2001-02-03T10:10:10Z\r\n"), PimField::Anniversary,
         u"20010203T000000Z"},
        {"\\; in N", Card(u"N:Doe\\;Smith;John;;;\r\n"), PimField::LastName, u"Doe;Smith"},
        {"N goes on after \\;", Card(u"N:Doe\\;Smith;John;;;\r\n"), PimField::FirstName, u"John"},
        {"\\; in NOTE", Card(u"NOTE:first\\; second\r\n"), PimField::Body, u"first; second"},
        {"\\, in ORG", Card(u"ORG:Smith\\, Jones\r\n"), PimField::CompanyName, u"Smith, Jones"},
        {"\\\\ and \\n in ADR", Card(u"ADR;HOME:;;a\\\\b\\nc\r\n"), PimField::HomeAddressStreet, u"a\\b\r\nc"},
        {"backslashes of vCard 2.1 text", Card(u"NOTE:C:\\temp\\new\r\n"), PimField::Body, u"C:\\temp\\new"},
        {"vCard 3.0 fold", Card(u"VERSION:3.0\r\nNOTE:folde\r\n d at\r\n"), PimField::Body, u"folded at"},
        {"vCard 3.0 escapes", Card(u"VERSION:3.0\r\nNOTE:a\\nb\\, c\\; d\r\n"), PimField::Body, u"a\r\nb, c; d"},
        {"TAB starts a fold", Card(u"TITLE:long\r\n\ttitle\r\n"), PimField::JobTitle, u"longtitle"},
        {"group prefix", Card(u"item1.EMAIL;type=INTERNET:a@example.com\r\n"), PimField::Email1Address,
         u"a@example.com"},
        {"Shift_JIS", Card(u"N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=83=65=83=58=83=67\r\n"),
         PimField::LastName, u"テスト"},
        {"Shift_JIS second byte 0x5C", Card(u"N;CHARSET=SHIFT_JIS:\u0095\\;x\r\n"), PimField::LastName, u"表"},
        {"bytes that form no character", Card(u"N;CHARSET=SHIFT_JIS:a\u0081\r\n"), PimField::LastName, u"a\uFFFD"},
        {"KOI8-R", Card(u"N;CHARSET=KOI8-R:\u00F6\u00D5\u00CB\u00CF\u00D7\r\n"), PimField::LastName, u"Жуков"},
        {"Windows-1252", Card(u"N;CHARSET=windows-1252:\u0080 5\r\n"), PimField::LastName, u"€ 5"},
        {"unknown character set", Card(u"N;CHARSET=X-NONE:M\u00C3\u00BCller\r\n"), PimField::LastName, u"Müller"},
        {"a nested card is not the contact", Card(u"N:Parent\r\nAGENT:\r\nBEGIN:VCARD\r\nN:Agent\r\nEND:VCARD\r\n"),
         PimField::LastName, u"Parent"},
        {"the contact goes on after it",
         Card(u"AGENT:BEGIN:VCARD\r\nN:Agent\r\nTITLE:agent\r\nEND:VCARD\r\nTITLE:parent\r\n"), PimField::JobTitle,
         u"parent"},
    };
    for (const Case& c : cases) {
        const PimTestStore::RoundTrip trip = m_store.ReadAndRewrite(kContacts, c.text);
        EXPECT_EQ(trip.status, S_OK) << c.what;
        EXPECT_EQ(PimTestStore::FieldText(*trip.item, c.field), c.expected) << c.what;
        EXPECT_EQ(trip.rewritten, trip.written) << c.what;
    }
}

// Each line as the writer makes it, and the value as the reader gives it back (a second home number on
// its own comes back as the first, as PositionsAreNotKeptAcrossWriteAndRead shows).
TEST_F(VCardTest, WriterLinesReadBackWhole)
{
    struct Case {
        PimField field;
        std::u16string value;
        std::u16string line;
    };
    const Case cases[] = {
        {PimField::BusinessTelephoneNumber, u"1", u"TEL;WORK;VOICE:1\r\n"},
        {PimField::HomeTelephoneNumber, u"2", u"TEL;HOME;VOICE:2\r\n"},
        {PimField::Home2TelephoneNumber, u"3", u"TEL;HOME:3\r\n"},
        {PimField::MobileTelephoneNumber, u"4", u"TEL;CELL;VOICE:4\r\n"},
        {PimField::CarTelephoneNumber, u"5", u"TEL;CAR;VOICE:5\r\n"},
        {PimField::PagerNumber, u"6", u"TEL;PAGER;VOICE:6\r\n"},
        {PimField::RadioTelephoneNumber, u"7", u"TEL;OTHER:7\r\n"},
        {PimField::BusinessFaxNumber, u"8", u"TEL;WORK;FAX:8\r\n"},
        {PimField::HomeFaxNumber, u"9", u"TEL;HOME;FAX:9\r\n"},
        {PimField::BusinessAddressStreet, u"Line 1\r\nLine 2",
         u"ADR;WORK;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;Line 1=0D=0ALine 2;;;;\r\n"},
        {PimField::HomeAddressCity, u"Köln\nNord",
         u"ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;;K=C3=B6ln=0ANord;;;\r\n"},
        {PimField::LastName, u"Doe;Smith", u"N:Doe\\;Smith;;;;\r\n"},
        {PimField::CompanyName, u"a\\b", u"ORG:a\\\\b;\r\n"},
        {PimField::Body, u"x = y; z", u"NOTE:x = y\\; z\r\n"},
        {PimField::Body, u"a\\;b", u"NOTE:a\\\\;b\r\n"},
        {PimField::JobTitle, u"a=b", u"TITLE:a=b\r\n"},
        {PimField::JobTitle, u"Zeile\r\nzwei=3",
         u"TITLE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Zeile=0D=0Azwei=3D3\r\n"},
        {PimField::JobTitle, u"\u00C3\u00BC", u"TITLE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=83=C2=BC\r\n"},
        {PimField::Spouse, u"Zoë 😀", u"SPOUSE:Zoë 😀\r\n"},
    };
    for (const Case& c : cases) {
        auto item = Contact({{c.field, c.value}});
        const std::u16string text = PimTestStore::TextOf(*item);
        EXPECT_NE(text.find(c.line), std::u16string::npos) << std::string(c.line.begin(), c.line.end());
        const PimField readBack = c.field == PimField::Home2TelephoneNumber ? PimField::HomeTelephoneNumber : c.field;
        EXPECT_EQ(Field(*Read(text + u"\r\n"), readBack), c.value) << std::string(c.line.begin(), c.line.end());
    }
}
