// The VEVENT and VTODO readers on any bytes, then the writers on what they made. The first byte picks
// the text form (see FuzzPimSupport.h) and, by its second bit, an appointment or a task.
#include "FuzzPimSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const PimFolder folder = size > 0 && (data[0] & 2) ? PimFolder::Tasks : PimFolder::Calendar;
    FuzzReadItem(data, size, folder);
    return 0;
}
