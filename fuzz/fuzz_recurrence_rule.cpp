// The rule reader on any text after "RRULE:", inside an appointment with a DTSTART, then the rule
// writer on the pattern it made.
#include "FuzzPimSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kFuzzPimMaxInput)
        return 0;
    std::u16string text = u"BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\nDTSTART:20070315T090000Z\r\nRRULE:";
    for (std::size_t i = 0; i < size; ++i)
        text.push_back(data[i] == '\n' ? u' ' : static_cast<char16_t>(data[i]));
    text += u"\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    FuzzReadText(text, PimFolder::Calendar);
    return 0;
}
