// vCard to contact. Unknown properties and everything before BEGIN:VCARD are ignored; the e-mail and
// fax values are sorted into their fields only at END:VCARD.

#include "pim/ItemConverter.h"

#include "OleDate.h"
#include "PropertyReader.h"
#include "pim/AlmanacLog.h"
#include "platform/PimStore.h"
#include "utils/Base64.h"
#include "utils/Utf.h"

#include <array>
#include <vector>

namespace {

constexpr std::size_t kListLimit = 3;

struct CardState {
    bool inside = false;
    bool workNumberStored = false;
    bool homeNumberStored = false;
    std::u16string workFax;
    std::u16string homeFax;
    std::u16string otherFax;
    std::vector<std::u16string> plainFaxes;
    std::vector<std::u16string> preferredEmails;
    std::vector<std::u16string> otherEmails;
};

void AppendLimited(std::vector<std::u16string>& list, const std::u16string& value)
{
    if (list.size() < kListLimit)
        list.push_back(value);
}

void SetComponents(CPimItem& item, CPropertyReader& reader, std::initializer_list<PimField> fields)
{
    for (const PimField field : fields)
        item.SetText(field, reader.NextComponent());
}

void SetDateOnly(CPimItem& item, CPropertyReader& reader, PimField field)
{
    double date = 0;
    const std::u16string& text = reader.NextComponent();
    if (!ParseDateOnly(text, date)) {
        AlmanacLog("vCard: " + Utf16ToUtf8(reader.Name()) + " value \"" + Utf16ToUtf8(text) +
                   "\" is not a date; field left unchanged");
        return;
    }
    item.SetDate(field, date);
}

void StoreTelephone(CPimItem& item, std::u16string_view name, const std::u16string& value, CardState& state)
{
    if (NameHas(name, u"FAX")) {
        if (NameHas(name, u"WORK"))
            state.workFax = value;
        else if (NameHas(name, u"HOME"))
            state.homeFax = value;
        else if (NameHas(name, u"OTHER"))
            state.otherFax = value;
        else
            AppendLimited(state.plainFaxes, value);
        return;
    }
    if (NameHas(name, u"CAR")) {
        item.SetText(PimField::CarTelephoneNumber, value);
    } else if (NameHas(name, u"PAGER")) {
        item.SetText(PimField::PagerNumber, value);
    } else if (NameHas(name, u"CELL")) {
        item.SetText(PimField::MobileTelephoneNumber, value);
    } else if (NameHas(name, u"WORK")) {
        item.SetText(state.workNumberStored ? PimField::Business2TelephoneNumber : PimField::BusinessTelephoneNumber,
                     value);
        state.workNumberStored = true;
    } else if (!NameHas(name, u"HOME")) {
        item.SetText(PimField::RadioTelephoneNumber, value);
    } else {
        item.SetText(state.homeNumberStored ? PimField::Home2TelephoneNumber : PimField::HomeTelephoneNumber, value);
        state.homeNumberStored = true;
    }
}

void Finish(CPimItem& item, CardState& state)
{
    static constexpr std::array kEmailFields = {PimField::Email1Address, PimField::Email2Address,
                                                PimField::Email3Address};
    std::size_t next = 0;
    for (const auto* list : {&state.preferredEmails, &state.otherEmails}) {
        for (const std::u16string& email : *list) {
            if (!email.empty() && next < kEmailFields.size())
                item.SetText(kEmailFields[next++], email);
        }
    }
    std::size_t plain = 0;
    for (std::u16string* slot : {&state.workFax, &state.homeFax, &state.otherFax}) {
        if (slot->empty() && plain < state.plainFaxes.size())
            *slot = state.plainFaxes[plain++];
    }
    if (!state.homeFax.empty())
        item.SetText(PimField::HomeFaxNumber, state.homeFax);
    if (!state.workFax.empty())
        item.SetText(PimField::BusinessFaxNumber, state.workFax);
}

bool IsBase64Space(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

void AppendWithoutSpaces(std::u16string& out, std::u16string_view text)
{
    for (const char16_t c : text) {
        if (!IsBase64Space(c))
            out.push_back(c);
    }
}

} // namespace

// The picture arrives as Base64 in the value, folded over several lines or not, or, when the value is
// empty, on the lines that follow, up to an empty line (one holding only blanks and CR) or the next
// property line. Failures are logged and never change the reader's result.
void ItemConverter::ImportPicture(CPropertyReader& reader)
{
    std::u16string encoded;
    AppendWithoutSpaces(encoded, reader.NextComponent());
    if (encoded.empty()) {
        std::u16string_view line;
        while (reader.PeekRawLine(line)) {
            const std::size_t before = encoded.size();
            AppendWithoutSpaces(encoded, line);
            if (encoded.size() == before) {
                reader.SkipRawLine();
                break;
            }
            if (line.find(u':') != std::u16string_view::npos) {
                encoded.resize(before);
                break;
            }
            reader.SkipRawLine();
        }
    }
    const std::string bytes = Base64Decode(encoded);
    if (bytes.empty()) {
        AlmanacLog("vCard: PHOTO holds no picture data; picture not stored");
        return;
    }
    std::unique_ptr<CPimPictureStream> stream;
    HRESULT status = m_item->OpenPicture(PictureAccess::Write, stream);
    std::uint32_t written = 0;
    if (Succeeded(status))
        status = stream->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
    if (Succeeded(status) && written != bytes.size())
        status = E_FAIL;
    if (Succeeded(status))
        status = stream->Commit();
    if (Succeeded(status))
        status = m_item->Save();
    if (Failed(status))
        AlmanacLog("vCard: picture of " + std::to_string(bytes.size()) + " bytes could not be stored");
}

HRESULT ItemConverter::ReadVCard(CPropertyReader& reader)
{
    CPimItem& item = *m_item;
    CardState state;
    while (reader.Next()) {
        const std::u16string_view name = reader.Name();
        if (NameIs(name, u"BEGIN")) {
            if (reader.NextComponent().starts_with(u"VCARD"))
                state.inside = true;
        } else if (!state.inside) {
            continue;
        } else if (NameIs(name, u"N") || NameStarts(name, u"N;")) {
            SetComponents(item, reader,
                          {PimField::LastName, PimField::FirstName, PimField::MiddleName, PimField::Title,
                           PimField::Suffix});
        } else if (NameStarts(name, u"NICKNAME")) {
            item.SetProperty(static_cast<std::uint32_t>(PimField::Nickname), reader.NextComponent());
        } else if (NameStarts(name, u"ORG")) {
            SetComponents(item, reader, {PimField::CompanyName, PimField::Department});
        } else if (NameStarts(name, u"TITLE")) {
            item.SetText(PimField::JobTitle, reader.NextComponent());
        } else if (NameStarts(name, u"NOTE")) {
            item.SetText(PimField::Body, reader.NextComponent());
        } else if (NameStarts(name, u"TEL")) {
            StoreTelephone(item, name, reader.NextComponent(), state);
        } else if (NameStarts(name, u"ADR") && NameHas(name, u"WORK")) {
            reader.NextComponent();
            SetComponents(item, reader,
                          {PimField::OfficeLocation, PimField::BusinessAddressStreet, PimField::BusinessAddressCity,
                           PimField::BusinessAddressState, PimField::BusinessAddressPostalCode,
                           PimField::BusinessAddressCountry});
        } else if (NameStarts(name, u"ADR")) {
            const bool home = NameHas(name, u"HOME");
            reader.NextComponent();
            reader.NextComponent();
            if (home) {
                SetComponents(item, reader,
                              {PimField::HomeAddressStreet, PimField::HomeAddressCity, PimField::HomeAddressState,
                               PimField::HomeAddressPostalCode, PimField::HomeAddressCountry});
            } else {
                SetComponents(item, reader,
                              {PimField::OtherAddressStreet, PimField::OtherAddressCity, PimField::OtherAddressState,
                               PimField::OtherAddressPostalCode, PimField::OtherAddressCountry});
            }
        } else if (NameIs(name, u"ANNIVERSARY")) {
            SetDateOnly(item, reader, PimField::Anniversary);
        } else if (NameIs(name, u"CUSTOMERID")) {
            item.SetProperty(static_cast<std::uint32_t>(PimField::CustomerId), reader.NextComponent());
        } else if (NameIs(name, u"ACCOUNT")) {
            item.SetProperty(static_cast<std::uint32_t>(PimField::AccountName), reader.NextComponent());
        } else if (NameIs(name, u"CHILDREN")) {
            item.SetProperty(static_cast<std::uint32_t>(PimField::Children), reader.NextComponent());
        } else if (NameIs(name, u"CATEGORIES")) {
            item.SetProperty(static_cast<std::uint32_t>(PimField::Categories), reader.NextComponent());
        } else if (NameIs(name, u"IMADDRESS")) {
            item.SetProperty(static_cast<std::uint32_t>(PimField::IMAddress), reader.NextComponent());
        } else if (NameIs(name, u"X-MS-MANAGER")) {
            item.SetProperty(static_cast<std::uint32_t>(PimField::Manager), reader.NextComponent());
        } else if (NameStarts(name, u"X-MS-TEL") && NameHas(name, u"COMPANY")) {
            item.SetProperty(static_cast<std::uint32_t>(PimField::CompanyTelephoneNumber), reader.NextComponent());
        } else if (NameIs(name, u"ASSISTANT")) {
            item.SetText(PimField::AssistantName, reader.NextComponent());
        } else if (NameIs(name, u"ASSISTANT-TEL")) {
            item.SetText(PimField::AssistantTelephoneNumber, reader.NextComponent());
        } else if (NameIs(name, u"SPOUSE")) {
            item.SetText(PimField::Spouse, reader.NextComponent());
        } else if (NameStarts(name, u"URL")) {
            item.SetText(PimField::WebPage, reader.NextComponent());
        } else if (NameIs(name, u"BDAY")) {
            SetDateOnly(item, reader, PimField::Birthday);
        } else if (NameStarts(name, u"EMAIL")) {
            AppendLimited(NameHas(name, u"PREF") ? state.preferredEmails : state.otherEmails, reader.NextComponent());
        } else if (NameStarts(name, u"PHOTO")) {
            ImportPicture(reader);
        } else if (NameIs(name, u"END")) {
            if (reader.NextComponent().starts_with(u"VCARD")) {
                Finish(item, state);
                return S_OK;
            }
        }
    }
    AlmanacLog("vCard: text ends before END:VCARD");
    return E_FAIL;
}
