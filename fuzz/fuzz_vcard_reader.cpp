// The vCard reader on any bytes, then the writer on what it made. The input is read as UTF-8 text
// when its first byte is even and as UTF-16LE code units (any values, lone surrogates included)
// otherwise, so both 8-bit and wide text reach the reader.
#include "FuzzPimSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzReadItem(data, size, PimFolder::Contacts);
    return 0;
}
