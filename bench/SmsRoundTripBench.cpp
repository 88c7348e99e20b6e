// 50,000 text messages to the reference server and back into an empty store: a Backup session with
// SmsBackupFlow, then a Restore session with SmsRestoreFlow, against lumeno-refserver on loopback (a
// process of its own, so the memory measured is the handset's alone). The time is the wall time of
// both sessions (the server's share included); the handset must make it within 5 s. Prints the
// handset's peak resident memory over the two sessions.
#include "ProcessUsage.h"
#include "RefServerProcess.h"
#include "platform/DeviceConfig.h"
#include "platform/MAPIMsgStore.h"
#include "service/CReg_Api.h"
#include "service/TesselService.h"
#include "testing/TempDir.h"
#include "utils/Utf.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>

namespace {

constexpr int kMessages = 50000;
constexpr double kLimitSeconds = 5;
constexpr char kDeviceId[] = "3569380356438091";
constexpr FileTime kFirstTime = 133478937000000000; // 24-12-2023 12:15 UTC

// The handset's identity, as its maker configured it.
class CBenchHandset {
public:
    CBenchHandset()
    {
        const std::map<std::string, std::string> config = {
            {"manufacturer", "Maker"},      {"oem-info", "Maker Phone"},
            {"platform-type", "PocketPC"},  {"os-version", "5.1.1700"},
            {"imei", "356938035643809123"}, {"subscriber", "262011234567890"},
            {"smsc", "+491710760000"},      {"machine-id", "0123456789abcdef0123456789abcdef"},
        };
        for (const auto& [key, value] : config)
            m_config.push_back(
                std::make_unique<ScopedEnv>(CDeviceConfig::EnvironmentName(key).c_str(), value));
    }

private:
    TempDir m_folder;
    ScopedEnv m_root{"LUMENO_DEVICE_ROOT", m_folder.Path().string()};
    std::vector<std::unique_ptr<ScopedEnv>> m_config;
};

// Typical texts: mostly short, some long, some beyond ASCII; half received, half sent.
bool FillStore(MAPIMsgStore& store)
{
    const std::u16string texts[] = {
        u"Bin in 10 Minuten da",
        u"Kannst du noch Milch mitbringen? Danke!",
        u"Frohe Weihnachten und einen guten Rutsch ins neue Jahr 🎄🎆",
        u"Der Termin morgen um 14:30 Uhr ist bestätigt. Bitte bringen Sie Ihre Versichertenkarte mit. "
        u"Bei Verhinderung sagen Sie bitte bis spätestens 24 Stunden vorher ab.",
        u"ok",
        u"Привет! Как дела?",
    };
    const auto inbox = store.OpenSpecialFolder(MsgSpecialFolder::Inbox);
    const auto sent = store.OpenSpecialFolder(MsgSpecialFolder::SentItems);
    if (!inbox || !sent || !store.BeginBatch())
        return false;
    for (int i = 0; i < kMessages; ++i) {
        SmsFolder& folder = i % 2 == 0 ? *inbox : *sent;
        const std::u16string peer = u"+49170" + Utf8ToUtf16(std::to_string(1000000 + i % 300));
        const auto message = folder.CreateSmsMessage();
        if (!folder.WriteSms(*message, texts[i % std::size(texts)], i % 2 == 0 ? peer : u"",
                             i % 2 == 0 ? u"" : peer, kFirstTime + static_cast<FileTime>(i) * 600'000'000))
            return false;
    }
    return store.CommitBatch();
}

bool EmptyStore(MAPIMsgStore& store)
{
    std::vector<MsgStoreEntry> entries;
    if (!store.BeginBatch())
        return false;
    for (const MsgSpecialFolder kind : {MsgSpecialFolder::Inbox, MsgSpecialFolder::SentItems}) {
        const auto folder = store.OpenSpecialFolder(kind);
        if (!folder || !folder->ListMessages(entries))
            return false;
        for (const MsgStoreEntry& entry : entries)
            folder->DeleteMessage(entry.entryId);
    }
    return store.CommitBatch();
}

// One session of `operation` around `flow`.
RETURNED_RES Session(TesselService& service, std::u16string_view operation,
                     const std::function<RETURNED_RES()>& flow)
{
    RETURNED_RES result = service.StartNegotiation(0);
    if (result == RES_OK)
        result = service.CompleteNegotiation(operation, 0, 1, 0, 0, 0);
    if (result == RES_OK)
        result = flow();
    if (result == RES_OK)
        result = service.CompleteSession();
    return result;
}

void BM_SmsBackupRestore(benchmark::State& state)
{
    CBenchHandset handset;
    CRefServerProcess server;
    if (!server.Start()) {
        state.SkipWithError(("no reference server: " + server.Error()).c_str());
        return;
    }
    const AdminReply account = server.Admin().Call("add-account", {{"device", kDeviceId}});
    TesselService* service = TesselService::InitService();
    std::string error;
    std::unique_ptr<MAPIMsgStore> store = MAPIMsgStore::Open(MAPIMsgStore::DefaultPath(), u"SMS", error);
    if (!account.Ok() || account.records.empty() || !service || !store) {
        state.SkipWithError(("no handset: " + account.error + error).c_str());
        return;
    }
    CReg_Api& settings = *CReg_Api::GetInstanceReg();
    for (const auto& [field, name] : {std::pair{&_SETTINGS_DEF::Ukey, "ukey"},
                                      {&_SETTINGS_DEF::QX_key, "device-key"},
                                      {&_SETTINGS_DEF::UserId, "user-id"},
                                      {&_SETTINGS_DEF::Config_Version, "config-version"}})
        settings.Set(field, Utf8ToUtf16(account.records.front().GetOr(name)));
    settings.GetSettingsInstance()->URL = Utf8ToUtf16(server.ServerUrl());
    settings.SaveSettings();

    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double>(to - from).count();
    };
    for (auto _ : state) {
        const bool ready = FillStore(*store) && service->ConnectServer() == 1;
        ResetPeakResident();
        const double cpuAtStart = CpuSeconds();
        const double serverCpuAtStart = ChildrenCpuSeconds();
        const Clock::time_point start = Clock::now();
        RETURNED_RES result =
            Session(*service, u"Backup", [service] { return service->SmsBackupFlow(0, u"Backup"); });
        const Clock::time_point backedUp = Clock::now();
        const double backupCpu = CpuSeconds() - cpuAtStart;
        const double backupPeak = PeakResidentMiB();
        const bool emptied = EmptyStore(*store);
        ResetPeakResident();
        const double cpuAtRestore = CpuSeconds();
        const Clock::time_point restoring = Clock::now();
        if (ready && emptied && result == RES_OK)
            result = Session(*service, u"Restore", [service] { return service->SmsRestoreFlow(u"Restore"); });
        const Clock::time_point end = Clock::now();
        const double handsetCpu = backupCpu + CpuSeconds() - cpuAtRestore;
        const double serverCpu = ChildrenCpuSeconds() - serverCpuAtStart;
        const double total = seconds(start, backedUp) + seconds(restoring, end);
        state.SetIterationTime(total);
        state.counters["backup_s"] = seconds(start, backedUp);
        state.counters["restore_s"] = seconds(restoring, end);
        const double restorePeak = PeakResidentMiB();
        state.counters["peak_rss_MiB"] = std::max(backupPeak, restorePeak);
        std::printf("sms round trip of %d messages: backup %.2f s, restore %.2f s, together %.2f s (CPU: handset "
                    "%.2f s, server %.2f s); handset's peak resident memory: backup %.1f MiB, restore %.1f MiB\n",
                    kMessages, seconds(start, backedUp), seconds(restoring, end), total,
                    handsetCpu, serverCpu, backupPeak, restorePeak);

        std::uint32_t added = 0;
        service->SummaryGetMsg(u"sms_added", REG_TYPE_DWORD, &added, nullptr);
        service->DisconnectServer();
        if (!ready || !emptied || result != RES_OK || added != kMessages) {
            state.SkipWithError(("the round trip failed: result " + std::to_string(result) + ", " +
                                 std::to_string(added) + " messages restored")
                                    .c_str());
            break;
        }
        if (total > kLimitSeconds)
            state.SkipWithError("backup and restore of 50,000 messages took more than 5 s");
        EmptyStore(*store);
    }
    store.reset();
    TesselService::ReleaseService();
}
BENCHMARK(BM_SmsBackupRestore)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace
