// vCard write and read throughput: contacts per second on one core, for a typical contact and for one
// with a 20 KB picture.
#include "PimBenchSupport.h"
#include "pim/ItemConverter.h"

#include <benchmark/benchmark.h>

namespace {

void BM_VCardWrite(benchmark::State& state)
{
    auto store = CreateMemoryPimStore();
    auto item = NewBenchItem(*store, PimFolder::Contacts);
    FillTypicalContact(*item, 1, static_cast<std::size_t>(state.range(0)));
    std::size_t characters = 0;
    for (auto _ : state) {
        ItemConverter converter;
        converter.Attach(*item);
        const std::u16string text = converter.GetText();
        characters = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["chars"] = static_cast<double>(characters);
}

void BM_VCardRead(benchmark::State& state)
{
    auto store = CreateMemoryPimStore();
    auto source = NewBenchItem(*store, PimFolder::Contacts);
    FillTypicalContact(*source, 1, static_cast<std::size_t>(state.range(0)));
    ItemConverter writer;
    writer.Attach(*source);
    const std::u16string text = writer.GetText() + u"\r\n";
    for (auto _ : state) {
        CPimItem item(*store, PimRecord{0, PimFolder::Contacts, {}, false, {}});
        ItemConverter converter;
        converter.Attach(item);
        if (converter.SetText(text) != S_OK)
            state.SkipWithError("the contact was not read");
        benchmark::DoNotOptimize(item.Record().fields.data());
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_VCardWrite)->Arg(0)->Arg(20 * 1024);
BENCHMARK(BM_VCardRead)->Arg(0)->Arg(20 * 1024);
