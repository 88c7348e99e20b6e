// lumeno-pim import of 10,000 typical contacts into a new pim.db, the whole way a user's file goes
// (bytes, text, items, reader, store), with the reader's own rate on the same items beside it
// (counter "reader/s": CPU time of reading each item into an item in memory, nothing stored).
#include "ItemFile.h"
#include "ItemImport.h"
#include "PimBenchSupport.h"
#include "ProcessUsage.h"
#include "pim/ItemConverter.h"
#include "pim/OutlookManager.h"
#include "testing/TempDir.h"
#include "utils/Utf.h"

#include <benchmark/benchmark.h>

namespace {

// The writer's text of `count` typical contacts, one after the other, as an export file holds them.
std::string TypicalContactsFile(std::int64_t count)
{
    auto store = CreateMemoryPimStore();
    std::u16string text;
    for (std::int64_t i = 0; i < count; ++i) {
        auto item = NewBenchItem(*store, PimFolder::Contacts);
        FillTypicalContact(*item, static_cast<int>(i), 0);
        ItemConverter writer;
        writer.Attach(*item);
        text += writer.GetText() + u"\r\n";
    }
    return Utf16ToUtf8(text);
}

// Items per CPU second of the reader alone on the file's items.
double ReaderRate(const std::string& file)
{
    const std::vector<std::u16string> texts = SplitItemTexts(DecodeItemFile(file));
    auto store = CreateMemoryPimStore();
    const double start = CpuSeconds();
    for (const std::u16string& text : texts) {
        CPimItem item(*store, PimRecord{0, PimFolder::Contacts, {}, false, {}});
        ItemConverter converter;
        converter.Attach(item);
        converter.SetText(text);
        benchmark::DoNotOptimize(item.Record().fields.data());
    }
    return static_cast<double>(texts.size()) / (CpuSeconds() - start);
}

void BM_PimImport(benchmark::State& state)
{
    const std::int64_t count = state.range(0);
    const std::string file = TypicalContactsFile(count);
    TempDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* name : {"pim.db", "pim.db-wal", "pim.db-shm"})
            std::filesystem::remove(dir.Path() / name);
        state.ResumeTiming();
        OutlookManager manager(CreateSqlitePimStore(dir.Path() / "pim.db"));
        const ImportOutcome outcome = ImportItemFile(manager, file);
        if (outcome.added != static_cast<std::size_t>(count))
            state.SkipWithError("not every contact was added");
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["reader/s"] = ReaderRate(file);
}

} // namespace

BENCHMARK(BM_PimImport)->Arg(10000)->Unit(benchmark::kMillisecond);
