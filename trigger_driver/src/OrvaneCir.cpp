#include "trigger_driver/OrvaneCir.h"

#include "platform/LogSink.h"
#include "platform/Shell.h"

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

constexpr std::uint32_t kPassMs = 1000;
constexpr std::uint32_t kPassesPerCheck = 300;
constexpr std::u16string_view kProgramFile = u"\\Lumeno\\Lumeno.exe";

// 0 = run, 1 = stop; read by the worker after every pass.
std::atomic<std::uint32_t> s_stop{0};

void RunWorker()
{
    std::uint32_t passes = 0;
    while (s_stop.load() == 0) {
        CClock::Get().Sleep(kPassMs);
        if (++passes < kPassesPerCheck)
            continue;
        passes = 0;
        // A start that fails is tried again at the next check, while the Sync is still due.
        if (IsScheduledSyncDue(CClock::Get().UtcNow()) && !CShell::Get().Execute(kProgramFile, u""))
            CLogSink::Write("OrvaneCir: a scheduled Sync is due, but \\Lumeno\\Lumeno.exe could not be started");
    }
}

// The one worker of the process. Stopped at process end too, so that a host that ends without
// CIR_Deinit does not end with a running thread.
class CWorker {
public:
    ~CWorker() { Stop(); }

    bool Start()
    {
        std::lock_guard lock(m_mutex);
        if (m_thread.joinable())
            return true;
        s_stop.store(0);
        try {
            m_thread = std::thread(RunWorker);
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }

    void Stop()
    {
        std::lock_guard lock(m_mutex);
        s_stop.store(1);
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::thread m_thread;
};

CWorker s_worker;

} // namespace

extern "C" {

DriverContext CIR_Init(DriverContext)
{
    return s_worker.Start() ? 1 : 0;
}

int CIR_Deinit(DriverContext)
{
    s_worker.Stop();
    return 1;
}

DriverContext CIR_Open(DriverContext, std::uint32_t, std::uint32_t)
{
    return 1;
}

int CIR_Close(DriverContext)
{
    return 1;
}

std::uint32_t CIR_Read(DriverContext, void*, std::uint32_t)
{
    return 1;
}

std::uint32_t CIR_Write(DriverContext, const void*, std::uint32_t)
{
    return 1;
}

std::uint32_t CIR_Seek(DriverContext, std::int32_t, std::uint32_t)
{
    return 1;
}

int CIR_IOControl(DriverContext, std::uint32_t, void*, std::uint32_t, void*, std::uint32_t, std::uint32_t*)
{
    return 1;
}

} // extern "C"
