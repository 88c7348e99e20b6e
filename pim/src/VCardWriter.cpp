// Contact to vCard 2.1: lines in a fixed order, values escaped where the reader would split them and
// quoted-printable where they hold a line break (PropertyWriter.h), only NOTE folded, the picture as
// one Base64 line, dates in the local form. The text ends with "END:VCARD" and no line break.

#include "pim/ItemConverter.h"

#include "OleDate.h"
#include "PropertyWriter.h"
#include "platform/PimStore.h"
#include "utils/Base64.h"
#include "utils/Files.h"

#include <array>

namespace {

class CVCardWriter {
public:
    CVCardWriter(CPimItem& item, std::u16string& out) : m_item(item), m_out(out) {}

    const std::u16string* Text(PimField field) const { return m_item.FindText(field); }
    void Line(std::u16string_view name, PimField field)
    {
        AppendProperty(m_out, name, Text(field), ValueText::Escaped);
    }
    void Structured(std::u16string_view name, std::initializer_list<PimField> fields, int leadingEmpty)
    {
        std::array<const std::u16string*, 8> components{};
        std::size_t count = static_cast<std::size_t>(leadingEmpty);
        for (const PimField field : fields)
            components[count++] = Text(field);
        AppendProperty(m_out, name, std::span(components.data(), count), ValueText::Structured);
    }

    void Date(std::u16string_view prefix, PimField field)
    {
        double date = NO_DATE;
        if (Failed(m_item.GetDate(field, date)) || date >= NO_DATE)
            return;
        const std::size_t mark = m_out.size();
        m_out.append(prefix);
        if (!AppendDateText(m_out, date, false)) {
            m_out.resize(mark);
            return;
        }
        m_out.append(u"\r\n");
    }

    void Picture()
    {
        std::unique_ptr<CPimPictureStream> stream;
        if (Failed(m_item.OpenPicture(PictureAccess::Read, stream)))
            return;
        std::uint8_t* buffer = nullptr;
        std::size_t size = 0;
        if (Failed(ReadStreamAndAllocBuffer(*stream, buffer, size)))
            return;
        const std::string encoded = Base64Encode(std::string_view(reinterpret_cast<const char*>(buffer), size));
        ReleaseBuffer(buffer);
        m_out.append(u"PHOTO;TYPE=JPEG;ENCODING=BASE64:");
        m_out.append(encoded.begin(), encoded.end());
        m_out.append(u"\r\n");
    }

private:
    CPimItem& m_item;
    std::u16string& m_out;
};

} // namespace

std::u16string ItemConverter::WriteVCard() const
{
    std::u16string out;
    out.reserve(512);
    CVCardWriter writer(*m_item, out);
    out.append(u"BEGIN:VCARD\r\nVERSION:2.1\r\n");
    writer.Structured(u"N",
                      {PimField::LastName, PimField::FirstName, PimField::MiddleName, PimField::Title, PimField::Suffix},
                      0);
    writer.Line(u"NICKNAME", PimField::Nickname);
    writer.Structured(u"ORG", {PimField::CompanyName, PimField::Department}, 0);
    writer.Line(u"TITLE", PimField::JobTitle);
    AppendProperty(out, u"NOTE", writer.Text(PimField::Body), ValueText::Escaped, LineBreaks::Fold);
    writer.Line(u"TEL;WORK;VOICE", PimField::BusinessTelephoneNumber);
    writer.Line(u"TEL;WORK;VOICE", PimField::Business2TelephoneNumber);
    writer.Line(u"TEL;HOME;VOICE", PimField::HomeTelephoneNumber);
    writer.Line(u"TEL;HOME", PimField::Home2TelephoneNumber);
    writer.Line(u"TEL;CELL;VOICE", PimField::MobileTelephoneNumber);
    writer.Line(u"TEL;CAR;VOICE", PimField::CarTelephoneNumber);
    writer.Line(u"TEL;PAGER;VOICE", PimField::PagerNumber);
    writer.Line(u"TEL;OTHER", PimField::RadioTelephoneNumber);
    writer.Line(u"TEL;WORK;FAX", PimField::BusinessFaxNumber);
    writer.Line(u"TEL;HOME;FAX", PimField::HomeFaxNumber);
    writer.Structured(u"ADR;WORK",
                      {PimField::OfficeLocation, PimField::BusinessAddressStreet, PimField::BusinessAddressCity,
                       PimField::BusinessAddressState, PimField::BusinessAddressPostalCode,
                       PimField::BusinessAddressCountry},
                      1);
    writer.Structured(u"ADR;HOME",
                      {PimField::HomeAddressStreet, PimField::HomeAddressCity, PimField::HomeAddressState,
                       PimField::HomeAddressPostalCode, PimField::HomeAddressCountry},
                      2);
    writer.Structured(u"ADR;POSTAL",
                      {PimField::OtherAddressStreet, PimField::OtherAddressCity, PimField::OtherAddressState,
                       PimField::OtherAddressPostalCode, PimField::OtherAddressCountry},
                      2);
    writer.Line(u"URL;WORK", PimField::WebPage);
    writer.Line(u"EMAIL;PREF", PimField::Email1Address);
    writer.Line(u"EMAIL;INTERNET", PimField::Email2Address);
    writer.Line(u"EMAIL;INTERNET", PimField::Email3Address);
    writer.Date(u"BDAY:", PimField::Birthday);
    writer.Picture();
    writer.Line(u"IMADDRESS", PimField::IMAddress);
    writer.Line(u"ASSISTANT", PimField::AssistantName);
    writer.Line(u"SPOUSE", PimField::Spouse);
    writer.Date(u"ANNIVERSARY:", PimField::Anniversary);
    writer.Line(u"X-MS-MANAGER", PimField::Manager);
    writer.Line(u"ASSISTANT-TEL", PimField::AssistantTelephoneNumber);
    writer.Line(u"X-MS-TEL;COMPANY", PimField::CompanyTelephoneNumber);
    writer.Line(u"CUSTOMERID", PimField::CustomerId);
    writer.Line(u"ACCOUNT", PimField::AccountName);
    writer.Line(u"CHILDREN", PimField::Children);
    writer.Line(u"CATEGORIES", PimField::Categories);
    out.append(u"END:VCARD");
    return out;
}
