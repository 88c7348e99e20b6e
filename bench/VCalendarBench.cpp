// Appointments and tasks written and read per second on one core (typical item, and an appointment
// with a weekly rule and three exceptions), and whole-folder loads of 10,000 items from pim.db.
#include "PimBenchSupport.h"
#include "pim/ItemConverter.h"
#include "pim/OutlookManager.h"
#include "testing/TempDir.h"

#include <benchmark/benchmark.h>

namespace {

enum Kind : std::int64_t { kAppointment, kWeeklyAppointment, kTask };

std::unique_ptr<CPimItem> MakeItem(PimStore& store, std::int64_t kind)
{
    auto item = NewBenchItem(store, kind == kTask ? PimFolder::Tasks : PimFolder::Calendar);
    if (kind == kTask)
        FillTypicalTask(*item, 1);
    else
        FillTypicalAppointment(*item, 1, kind == kWeeklyAppointment);
    return item;
}

void BM_VCalendarWrite(benchmark::State& state)
{
    auto store = CreateMemoryPimStore();
    auto item = MakeItem(*store, state.range(0));
    for (auto _ : state) {
        ItemConverter converter;
        converter.Attach(*item);
        const std::u16string text = converter.GetText();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_VCalendarRead(benchmark::State& state)
{
    auto store = CreateMemoryPimStore();
    auto source = MakeItem(*store, state.range(0));
    ItemConverter writer;
    writer.Attach(*source);
    const std::u16string text = writer.GetText();
    const PimFolder folder = source->Folder();
    for (auto _ : state) {
        CPimItem item(*store, PimRecord{0, folder, {}, false, {}});
        ItemConverter converter;
        converter.Attach(item);
        if (converter.SetText(text) != S_OK)
            state.SkipWithError("the item was not read");
        benchmark::DoNotOptimize(item.Record().fields.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// A pim.db of 10,000 items of one kind, made once per run in a temporary folder.
class CLoadFixture {
public:
    explicit CLoadFixture(PimFolder folder)
    {
        auto store = Open();
        store->Logon();
        for (int i = 0; i < 10000; ++i) {
            auto item = NewBenchItem(*store, folder);
            if (folder == PimFolder::Contacts)
                FillTypicalContact(*item, i, 0);
            else
                FillTypicalAppointment(*item, i, i % 10 == 0);
        }
    }
    std::unique_ptr<PimStore> Open() const { return CreateSqlitePimStore(m_dir.Path() / "pim.db"); }

private:
    TempDir m_dir;
};

void BM_LoadContacts10000(benchmark::State& state)
{
    static const CLoadFixture fixture(PimFolder::Contacts);
    OutlookManager manager(fixture.Open());
    for (auto _ : state) {
        if (manager.LoadContacts() != S_OK)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(manager.GetContactsCRC());
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}

void BM_LoadAppointments10000(benchmark::State& state)
{
    static const CLoadFixture fixture(PimFolder::Calendar);
    OutlookManager manager(fixture.Open());
    for (auto _ : state) {
        if (manager.LoadAppointments(100000, 100000) != S_OK)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(manager.GetAppointmentsCRC());
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}

} // namespace

BENCHMARK(BM_VCalendarWrite)->Arg(kAppointment)->Arg(kWeeklyAppointment)->Arg(kTask);
BENCHMARK(BM_VCalendarRead)->Arg(kAppointment)->Arg(kWeeklyAppointment)->Arg(kTask);
BENCHMARK(BM_LoadContacts10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAppointments10000)->Unit(benchmark::kMillisecond);
