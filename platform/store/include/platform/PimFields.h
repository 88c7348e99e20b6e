#pragma once
// The fields of contacts, appointments and tasks that the PIM store keeps.
//
// Text fields carry the handset store's property ids (type 0x001F, a wide string in the low word); the
// vCard and vCalendar converters read and set text by these numbers. Dates, integers and flags have no
// property id on the handset: they get ids of our own above 0x80000000, with the type in the low word in
// the same way (0x0040 date, 0x0003 integer, 0x000B flag), so that a field's id tells its type.

#include <cstdint>

enum class PimField : std::uint32_t {
    // Shared by several kinds.
    Subject = 0x0020001F,
    Location = 0x0041001F,
    Body = 0x101F001F,
    Categories = 0x101D001F,

    // Contacts.
    Title = 0x0081001F,
    FirstName = 0x0082001F,
    MiddleName = 0x0083001F,
    LastName = 0x0084001F,
    Suffix = 0x0085001F,
    Nickname = 0x0086001F,
    CompanyName = 0x008A001F,
    Department = 0x008B001F,
    JobTitle = 0x008C001F,
    Manager = 0x008D001F,
    OfficeLocation = 0x008E001F,
    AssistantName = 0x008F001F,
    Email1Address = 0x0090001F,
    Email2Address = 0x0091001F,
    Email3Address = 0x0092001F,
    IMAddress = 0x0093001F,
    MobileTelephoneNumber = 0x0096001F,
    BusinessTelephoneNumber = 0x0097001F,
    Business2TelephoneNumber = 0x0098001F,
    HomeTelephoneNumber = 0x0099001F,
    Home2TelephoneNumber = 0x009A001F,
    BusinessFaxNumber = 0x009B001F,
    HomeFaxNumber = 0x009C001F,
    PagerNumber = 0x009D001F,
    CarTelephoneNumber = 0x009E001F,
    RadioTelephoneNumber = 0x009F001F,
    CompanyTelephoneNumber = 0x00A0001F,
    AssistantTelephoneNumber = 0x00A1001F,
    Spouse = 0x00A5001F,
    Children = 0x00A6001F,
    WebPage = 0x00A7001F,
    CustomerId = 0x00A9001F,
    AccountName = 0x00AB001F,
    BusinessAddressStreet = 0x00C1001F,
    BusinessAddressCity = 0x00C2001F,
    BusinessAddressState = 0x00C3001F,
    BusinessAddressPostalCode = 0x00C4001F,
    BusinessAddressCountry = 0x00C5001F,
    HomeAddressStreet = 0x00D1001F,
    HomeAddressCity = 0x00D2001F,
    HomeAddressState = 0x00D3001F,
    HomeAddressPostalCode = 0x00D4001F,
    HomeAddressCountry = 0x00D5001F,
    OtherAddressStreet = 0x00E1001F,
    OtherAddressCity = 0x00E2001F,
    OtherAddressState = 0x00E3001F,
    OtherAddressPostalCode = 0x00E4001F,
    OtherAddressCountry = 0x00E5001F,
    Birthday = 0x80010040,
    Anniversary = 0x80020040,

    // Appointments.
    Start = 0x80100040,
    End = 0x80110040,
    ReminderSet = 0x8012000B,
    ReminderMinutesBeforeStart = 0x80130003,
    AllDayEvent = 0x8015000B, // Start and End are local days (midnight), whatever the time zone

    // Appointments and tasks.
    Sensitivity = 0x80140003,

    // Tasks.
    StartDate = 0x80200040,
    DueDate = 0x80210040,
    Complete = 0x8022000B,
    DateCompleted = 0x80230040,
    ReminderTime = 0x80240040,
    Importance = 0x80250003,
};

enum class PimFieldType : std::uint8_t { Text, Date, Integer, Flag, Unknown };

constexpr PimFieldType TypeOfField(std::uint32_t id)
{
    switch (id & 0xFFFFu) {
    case 0x001F: return PimFieldType::Text;
    case 0x0040: return PimFieldType::Date;
    case 0x0003: return PimFieldType::Integer;
    case 0x000B: return PimFieldType::Flag;
    default: return PimFieldType::Unknown;
    }
}

constexpr PimFieldType TypeOfField(PimField field) { return TypeOfField(static_cast<std::uint32_t>(field)); }

// The picture of a contact, reached as a stream.
inline constexpr std::uint32_t kPimPictureProperty = 0x00FF0064;

// Dates are OLE dates (days since 30 December 1899, local time); this value and above mean "no date".
inline constexpr double NO_DATE = 900000.0;

// Sensitivity and importance values.
inline constexpr std::int32_t kSensitivityNormal = 0;
inline constexpr std::int32_t kSensitivityPersonal = 1;
inline constexpr std::int32_t kSensitivityPrivate = 2;
inline constexpr std::int32_t kSensitivityConfidential = 3;
inline constexpr std::int32_t kImportanceLow = 0;
inline constexpr std::int32_t kImportanceNormal = 1;
inline constexpr std::int32_t kImportanceHigh = 2;
