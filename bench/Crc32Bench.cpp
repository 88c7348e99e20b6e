// CRC-32 throughput: the item checksum and the file checksum against zlib's crc32 on the same bytes.
#include "BenchRatio.h"
#include "utils/Crc32.h"
#include "utils/Utf.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

std::u16string RandomText(std::size_t bytes)
{
    std::mt19937 generator(42);
    std::u16string text(bytes / 2, u'\0');
    for (auto& unit : text)
        unit = static_cast<char16_t>(generator());
    return text;
}

// One scratch file per size, removed when the program ends.
class CScratchFiles {
public:
    ~CScratchFiles()
    {
        for (const auto& entry : m_paths)
            std::remove(entry.second.c_str());
    }

    const std::string& Get(std::size_t size)
    {
        auto& path = m_paths[size];
        if (path.empty()) {
            const char* folder = std::getenv("TMPDIR");
            path = std::string(folder && *folder ? folder : "/tmp") + "/lumeno_bench_crc.XXXXXX";
            const int fd = ::mkstemp(path.data());
            const std::u16string text = RandomText(size);
            if (fd < 0 || ::write(fd, text.data(), size) != static_cast<ssize_t>(size))
                std::abort();
            ::close(fd);
        }
        return path;
    }

private:
    std::map<std::size_t, std::string> m_paths;
};

CScratchFiles s_files;

void BM_Crc32Win32String(benchmark::State& state)
{
    const std::u16string text = RandomText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::uint32_t crc = 0;
        Crc32Win32String(text, crc);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size() * 2));
}

void BM_ZlibCrc32(benchmark::State& state)
{
    const std::u16string text = RandomText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto crc = ::crc32_z(0, reinterpret_cast<const Bytef*>(text.data()), text.size() * 2);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size() * 2));
}

void BM_FileCrc32Win32(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::u16string path = Utf8ToUtf16(s_files.Get(size));
    for (auto _ : state) {
        std::uint32_t crc = 0;
        if (Failed(FileCrc32Win32(path, crc)))
            state.SkipWithError("checksum failed");
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}

// The same open / read in 64 KiB blocks / close as FileCrc32Win32, with zlib doing the checksum.
void BM_ZlibFileCrc32(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::string& path = s_files.Get(size);
    std::vector<unsigned char> block(64 * 1024);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        uLong crc = ::crc32_z(0, nullptr, 0);
        ssize_t count;
        while ((count = ::read(fd, block.data(), block.size())) > 0)
            crc = ::crc32_z(crc, block.data(), static_cast<std::size_t>(count));
        ::close(fd);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}

BENCHMARK(BM_Crc32Win32String)->RangeMultiplier(16)->Range(64, 4 << 20);
BENCHMARK(BM_ZlibCrc32)->RangeMultiplier(16)->Range(64, 4 << 20);
BENCHMARK(BM_FileCrc32Win32)->RangeMultiplier(16)->Range(4096, 16 << 20);
BENCHMARK(BM_ZlibFileCrc32)->RangeMultiplier(16)->Range(4096, 16 << 20);

const bool s_stringRatio =
    RegisterThroughputRatio({"Crc32Win32String / zlib crc32", "BM_Crc32Win32String", "BM_ZlibCrc32"});
const bool s_fileRatio =
    RegisterThroughputRatio({"FileCrc32Win32 / zlib crc32 file", "BM_FileCrc32Win32", "BM_ZlibFileCrc32"});

} // namespace
