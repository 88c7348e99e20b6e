// vCard (2.1, 3.0 and 4.0) to contact. Names, parameters and types are read case-insensitively and
// group prefixes dropped (PropertyHead.h); unknown properties, everything before BEGIN:VCARD and a card
// nested in the card are ignored; the e-mail and fax values are sorted into their fields only at
// END:VCARD.

#include "pim/ItemConverter.h"

#include "OleDate.h"
#include "PropertyReader.h"
#include "pim/AlmanacLog.h"
#include "platform/PimStore.h"
#include "utils/AsciiFold.h"
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

// Fields the store reaches by property id are written at once, as the handset's store does.
void SetByPropertyId(CPimItem& item, PimField field, CPropertyReader& reader)
{
    item.SetProperty(static_cast<std::uint32_t>(field), reader.NextComponent());
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

void StoreTelephone(CPimItem& item, const CPropertyReader& reader, const std::u16string& value, CardState& state)
{
    if (reader.HasType(kTypeFax)) {
        if (reader.HasType(kTypeWork))
            state.workFax = value;
        else if (reader.HasType(kTypeHome))
            state.homeFax = value;
        else if (reader.HasType(kTypeOther))
            state.otherFax = value;
        else
            AppendLimited(state.plainFaxes, value);
        return;
    }
    if (reader.HasType(kTypeCar)) {
        item.SetText(PimField::CarTelephoneNumber, value);
    } else if (reader.HasType(kTypePager)) {
        item.SetText(PimField::PagerNumber, value);
    } else if (reader.HasType(kTypeCell)) {
        item.SetText(PimField::MobileTelephoneNumber, value);
    } else if (reader.HasType(kTypeWork)) {
        item.SetText(state.workNumberStored ? PimField::Business2TelephoneNumber : PimField::BusinessTelephoneNumber,
                     value);
        state.workNumberStored = true;
    } else if (!reader.HasType(kTypeHome)) {
        item.SetText(PimField::RadioTelephoneNumber, value);
    } else {
        item.SetText(state.homeNumberStored ? PimField::Home2TelephoneNumber : PimField::HomeTelephoneNumber, value);
        state.homeNumberStored = true;
    }
}

void StoreAddress(CPimItem& item, CPropertyReader& reader)
{
    if (reader.HasType(kTypeWork)) {
        reader.NextComponent();
        SetComponents(item, reader,
                      {PimField::OfficeLocation, PimField::BusinessAddressStreet, PimField::BusinessAddressCity,
                       PimField::BusinessAddressState, PimField::BusinessAddressPostalCode,
                       PimField::BusinessAddressCountry});
        return;
    }
    reader.NextComponent();
    reader.NextComponent();
    if (reader.HasType(kTypeHome)) {
        SetComponents(item, reader,
                      {PimField::HomeAddressStreet, PimField::HomeAddressCity, PimField::HomeAddressState,
                       PimField::HomeAddressPostalCode, PimField::HomeAddressCountry});
    } else {
        SetComponents(item, reader,
                      {PimField::OtherAddressStreet, PimField::OtherAddressCity, PimField::OtherAddressState,
                       PimField::OtherAddressPostalCode, PimField::OtherAddressCountry});
    }
}

bool ContainsFolded(std::u16string_view text, std::u16string_view part)
{
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (StartsWithFolded(text.substr(i), part))
            return true;
    }
    return false;
}

bool IsCardMark(CPropertyReader& reader)
{
    return StartsWithFolded(reader.NextComponent(), u"VCARD");
}

// A card inside the card (vCard 2.1 writes an AGENT's card on the lines after its property) is part of
// a value, not of the contact: everything up to its matching END:VCARD is passed over.
void SkipNestedCard(CPropertyReader& reader)
{
    for (int depth = 1; depth > 0 && reader.Next();) {
        if (reader.Id() == PropertyId::Begin && IsCardMark(reader))
            ++depth;
        else if (reader.Id() == PropertyId::End && IsCardMark(reader))
            --depth;
    }
}

TextDialect DialectOfVersion(const std::u16string& version)
{
    return version.starts_with(u"2") || version.starts_with(u"1") || version.empty() ? TextDialect::VCard21
                                                                                      : TextDialect::Modern;
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

bool IsBase64Line(std::u16string_view line)
{
    for (const char16_t c : line) {
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
        if (!letter && c != u'+' && c != u'/' && c != u'=' && !IsBase64Space(c))
            return false;
    }
    return true;
}

void AppendWithoutSpaces(std::u16string& out, std::u16string_view text)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || IsBase64Space(text[i])) {
            out.append(text.substr(start, i - start));
            start = i + 1;
        }
    }
}

} // namespace

// The picture arrives as Base64 in the value, folded over several lines or not, and may go on over
// lines of its own (vCard 2.1 writers do not indent them) up to an empty line or the next property.
// A picture named by a URI is not fetched. Failures are logged and never change the reader's result.
void ItemConverter::ImportPicture(CPropertyReader& reader)
{
    if (reader.Head().uriValue) {
        AlmanacLog("vCard: PHOTO names a picture elsewhere; picture not stored");
        return;
    }
    std::u16string encoded;
    AppendWithoutSpaces(encoded, reader.RawRest());
    std::u16string_view line;
    while (reader.PeekRawLine(line) && IsBase64Line(line)) {
        reader.SkipRawLine();
        const std::size_t before = encoded.size();
        AppendWithoutSpaces(encoded, line);
        if (encoded.size() == before)
            break; // the empty line that ends the data
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
        const PropertyId id = reader.Id();
        if (id == PropertyId::Begin) {
            if (!IsCardMark(reader))
                continue;
            if (state.inside)
                SkipNestedCard(reader);
            state.inside = true;
            continue;
        }
        if (!state.inside)
            continue;
        switch (id) {
        case PropertyId::Version: reader.SetDialect(DialectOfVersion(reader.NextComponent())); break;
        case PropertyId::N:
            SetComponents(item, reader,
                          {PimField::LastName, PimField::FirstName, PimField::MiddleName, PimField::Title,
                           PimField::Suffix});
            break;
        case PropertyId::Nickname: SetByPropertyId(item, PimField::Nickname, reader); break;
        case PropertyId::Org: SetComponents(item, reader, {PimField::CompanyName, PimField::Department}); break;
        case PropertyId::Title: item.SetText(PimField::JobTitle, reader.NextComponent()); break;
        case PropertyId::Note: item.SetText(PimField::Body, reader.NextComponent()); break;
        case PropertyId::Tel: StoreTelephone(item, reader, reader.NextComponent(), state); break;
        case PropertyId::Adr: StoreAddress(item, reader); break;
        case PropertyId::Anniversary: SetDateOnly(item, reader, PimField::Anniversary); break;
        case PropertyId::CustomerId: SetByPropertyId(item, PimField::CustomerId, reader); break;
        case PropertyId::Account: SetByPropertyId(item, PimField::AccountName, reader); break;
        case PropertyId::Children: SetByPropertyId(item, PimField::Children, reader); break;
        case PropertyId::Categories: SetByPropertyId(item, PimField::Categories, reader); break;
        case PropertyId::ImAddress: SetByPropertyId(item, PimField::IMAddress, reader); break;
        case PropertyId::XMsManager: SetByPropertyId(item, PimField::Manager, reader); break;
        case PropertyId::XMsTel:
            if (reader.HasType(kTypeCompany))
                SetByPropertyId(item, PimField::CompanyTelephoneNumber, reader);
            break;
        case PropertyId::Assistant: item.SetText(PimField::AssistantName, reader.NextComponent()); break;
        case PropertyId::AssistantTel:
            item.SetText(PimField::AssistantTelephoneNumber, reader.NextComponent());
            break;
        case PropertyId::Spouse: item.SetText(PimField::Spouse, reader.NextComponent()); break;
        case PropertyId::Url: item.SetText(PimField::WebPage, reader.NextComponent()); break;
        case PropertyId::Bday: SetDateOnly(item, reader, PimField::Birthday); break;
        case PropertyId::Email:
            AppendLimited(reader.HasType(kTypePref) ? state.preferredEmails : state.otherEmails,
                          reader.NextComponent());
            break;
        case PropertyId::Photo: ImportPicture(reader); break;
        case PropertyId::Agent:
            // vCard 2.1 may start the agent's card on the property's own line; 3.0 escapes it into the
            // value whole.
            if (StartsWithFolded(reader.RawRest(), u"BEGIN:VCARD") && !ContainsFolded(reader.RawRest(), u"END:VCARD"))
                SkipNestedCard(reader);
            break;
        case PropertyId::End:
            if (IsCardMark(reader)) {
                Finish(item, state);
                return S_OK;
            }
            break;
        default: break;
        }
    }
    AlmanacLog("vCard: text ends before END:VCARD");
    return E_FAIL;
}
