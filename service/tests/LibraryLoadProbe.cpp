// Loads the service library and the libraries below it and, given "init", makes the service object;
// the test reads what that did to the device it was given.
#include "service/TesselService.h"

#include <string_view>

int main(int argc, char** argv)
{
    if (argc > 1 && std::string_view(argv[1]) == "init")
        return TesselService::InitService() ? 0 : 1;
    return 0;
}
