#include "PimBenchSupport.h"

#include <string>

namespace {

std::u16string Numbered(std::u16string_view text, int index)
{
    return std::u16string(text) + std::u16string(1, static_cast<char16_t>(u'0' + index % 10));
}

} // namespace

void FillTypicalContact(CPimItem& item, int index, std::size_t photoBytes)
{
    item.SetText(PimField::LastName, Numbered(u"Müller", index));
    item.SetText(PimField::FirstName, u"Jürgen");
    item.SetText(PimField::CompanyName, u"Beispiel GmbH");
    item.SetText(PimField::JobTitle, u"Einkauf");
    item.SetText(PimField::MobileTelephoneNumber, Numbered(u"+49 170 123456", index));
    item.SetText(PimField::BusinessTelephoneNumber, u"+49 30 1234567");
    item.SetText(PimField::HomeTelephoneNumber, u"+49 30 7654321");
    item.SetText(PimField::Email1Address, u"juergen.mueller@example.org");
    item.SetText(PimField::Email2Address, u"jm@example.com");
    item.SetText(PimField::HomeAddressStreet, u"Hauptstraße 12");
    item.SetText(PimField::HomeAddressCity, u"Berlin");
    item.SetText(PimField::HomeAddressPostalCode, u"10115");
    item.SetText(PimField::HomeAddressCountry, u"Deutschland");
    item.SetText(PimField::Body, u"Met at the fair.\r\nPrefers calls in the morning.");
    item.SetDate(PimField::Birthday, 29000.0 + index % 3000);
    if (photoBytes > 0) {
        std::string photo(photoBytes, '\0');
        for (std::size_t i = 0; i < photo.size(); ++i)
            photo[i] = static_cast<char>((i * 131 + static_cast<std::size_t>(index)) & 0xFF);
        std::unique_ptr<CPimPictureStream> stream;
        item.OpenPicture(PictureAccess::Write, stream);
        stream->Write(photo.data(), static_cast<std::uint32_t>(photo.size()), nullptr);
        stream->Commit();
    }
    item.Save();
}

void FillTypicalAppointment(CPimItem& item, int index, bool weekly)
{
    const double start = 39156.0 + index % 700 + 10.0 / 24;
    item.SetText(PimField::Subject, Numbered(u"Projektbesprechung ", index));
    item.SetText(PimField::Location, u"Raum 4.12");
    item.SetText(PimField::Body, u"Agenda:\r\nStatus und nächste Schritte");
    item.SetDate(PimField::Start, start);
    item.SetDate(PimField::End, start + 1.0 / 24);
    item.SetFlag(PimField::ReminderSet, true);
    item.SetInteger(PimField::ReminderMinutesBeforeStart, 15);
    if (weekly) {
        PimRecurrence* pattern = nullptr;
        item.GetRecurrencePattern(pattern);
        pattern->recurrenceType = 1;
        pattern->interval = 1;
        pattern->dayOfWeekMask = 42;
        pattern->occurrences = 10;
        pattern->noEndDate = false;
        pattern->exceptionDates = {start + 7, start + 14, start + 21};
    }
    item.Save();
}

void FillTypicalTask(CPimItem& item, int index)
{
    const double start = 39156.0 + index % 700;
    item.SetText(PimField::Subject, Numbered(u"Angebot schreiben ", index));
    item.SetText(PimField::Body, u"Preise prüfen\r\nVersand per Post");
    item.SetDate(PimField::StartDate, start);
    item.SetDate(PimField::DueDate, start + 3);
    item.SetDate(PimField::ReminderTime, start + 2 + 9.0 / 24);
    item.SetInteger(PimField::Importance, kImportanceHigh);
    item.SetInteger(PimField::Sensitivity, kSensitivityPrivate);
    item.Save();
}
