// The service library creates its service object while it is loaded, and that object reads and
// writes the settings and creates the special folders of the device. A program that is not the
// product must never do that to the user's own device. So the first thing such a program does, from
// its preinit array (before any library is initialised), is to start itself again with
// LUMENO_DEVICE_ROOT pointing at a fresh private folder, which the restarted process removes when it
// ends. Setting the variable in place would not do: the C library resets the environment to the
// original one when it initialises itself, after the preinit array ran.

#include "PrivateDevice.h"

#include <ftw.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kRootVariable = "LUMENO_DEVICE_ROOT=";
// Names the process that owns the private folder (its id survives the restart).
constexpr const char* kOwnerVariable = "LUMENO_PRIVATE_DEVICE=";

// Plain storage: it is filled before any constructor of this program has run.
char s_root[4096];

const char* Find(char** envp, const char* prefix)
{
    const std::size_t length = strlen(prefix);
    for (char** entry = envp; *entry; ++entry) {
        if (strncmp(*entry, prefix, length) == 0)
            return *entry + length;
    }
    return nullptr;
}

[[noreturn]] void Fail(const char* what)
{
    perror(what);
    _exit(70);
}

void UsePrivateDevice(int, char** argv, char** envp)
{
    const std::string self = std::to_string(getpid());
    const char* owner = Find(envp, kOwnerVariable);
    const char* root = Find(envp, kRootVariable);
    if (owner && root && self == owner) {
        snprintf(s_root, sizeof s_root, "%s", root);
        return;
    }

    const char* temp = Find(envp, "TMPDIR=");
    std::string folder = std::string(temp && *temp ? temp : "/tmp") + "/lumeno-device-XXXXXX";
    if (!mkdtemp(folder.data()))
        Fail("private device folder");

    std::vector<std::string> added = {kRootVariable + folder, kOwnerVariable + self};
    std::vector<char*> environment;
    for (char** entry = envp; *entry; ++entry) {
        if (strncmp(*entry, kRootVariable, strlen(kRootVariable)) != 0 &&
            strncmp(*entry, kOwnerVariable, strlen(kOwnerVariable)) != 0)
            environment.push_back(*entry);
    }
    for (std::string& entry : added)
        environment.push_back(entry.data());
    environment.push_back(nullptr);
    execve("/proc/self/exe", argv, environment.data());
    Fail("restart with a private device");
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*)
{
    remove(path);
    return 0;
}

// Runs when the program ends, after main.
struct PrivateDeviceRemover {
    ~PrivateDeviceRemover()
    {
        if (s_root[0] != '\0')
            nftw(s_root, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
} s_remover;

} // namespace

__attribute__((section(".preinit_array"), used)) void (*const g_usePrivateDevice)(int, char**,
                                                                                  char**) = UsePrivateDevice;

const char* PrivateDeviceRoot()
{
    return s_root;
}
