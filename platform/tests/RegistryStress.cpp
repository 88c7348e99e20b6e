// registry_stress <store> count <prefix> <n>   writes n values, exits 0 when all were written
// registry_stress <store> forever <prefix>     writes values until killed; after each commit writes
//                                              the value's index (4 bytes, native order) to stdout
#include "RegistryStress.h"
#include "platform/Registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv)
{
    const bool forever = argc >= 4 && std::strcmp(argv[2], "forever") == 0;
    if (!forever && argc < 5) {
        std::fprintf(stderr, "usage: registry_stress <store> count|forever <prefix> [n]\n");
        return 2;
    }
    const std::string prefix = argv[3];
    const std::uint32_t count = forever ? 0xFFFFFFFFu : static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10));

    CRegistry::UseStore(argv[1]);
    CRegKey key;
    if (CRegistry::CreateKey(RegRoot::CurrentUser, kStressKey, key) != RegStatus::Ok) {
        std::fprintf(stderr, "registry_stress: cannot create the key in %s\n", argv[1]);
        return 1;
    }
    for (std::uint32_t index = 0; index < count; ++index) {
        const std::vector<std::uint8_t> data = StressData(index);
        if (key.SetValue(StressName(prefix, index), REG_BINARY, data) != RegStatus::Ok) {
            std::fprintf(stderr, "registry_stress: writing value %u failed\n", index);
            return 1;
        }
        if (forever && ::write(STDOUT_FILENO, &index, sizeof index) != static_cast<ssize_t>(sizeof index))
            return 1;
    }
    return 0;
}
