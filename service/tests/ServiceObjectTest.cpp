#include "ServiceFixture.h"

#include "platform/DevicePaths.h"
#include "service/BrandingTexts.h"
#include "service/Messages.h"

#include <atomic>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t kWatchdogMs = 20000;

// A window on its own user-interface thread that records the messages it handles.
class RecordingWindow final : public CWindowTarget {
public:
    struct Seen {
        std::uint32_t message;
        std::u16string text; // copied while the handler ran
        LPARAM value;
    };

    RecordingWindow()
    {
        std::promise<void> ready;
        m_thread = std::thread([this, &ready] {
            CQueuePump pump;
            m_pump = &pump;
            m_handle = RegisterWindow(*this, pump);
            ready.set_value();
            pump.RunUntil([this] { return m_stop.load(); }, kWatchdogMs);
            UnregisterWindow(m_handle);
        });
        ready.get_future().wait();
    }

    ~RecordingWindow() override
    {
        m_stop.store(true);
        m_pump->Post([] {});
        m_thread.join();
    }

    LRESULT OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) override
    {
        const auto* text = reinterpret_cast<const char16_t*>(wParam);
        std::lock_guard lock(m_mutex);
        m_seen.push_back({message, message == WM_SYNC_PROGRESS && text ? std::u16string(text) : u"", lParam});
        m_cv.notify_all();
        return 0;
    }

    std::vector<Seen> WaitFor(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait_for(lock, std::chrono::milliseconds(kWatchdogMs), [&] { return m_seen.size() >= count; });
        return m_seen;
    }

    HWND Handle() const { return m_handle; }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Seen> m_seen;
    std::atomic<bool> m_stop{false};
    CQueuePump* m_pump = nullptr;
    HWND m_handle = 0;
    std::thread m_thread;
};

class ServiceObjectTest : public ServiceFixture {};

} // namespace

TEST(ServiceLoad, LoadingTouchesNoDeviceAndTheFirstInitServiceBindsIt)
{
    struct Case {
        const char* argument;
        bool bound; // the settings store of the device exists afterwards
    };
    for (const Case c : {Case{"", false}, Case{"init", true}}) {
        SCOPED_TRACE(c.argument);
        TempDir device;
        TempDir home;
        ScopedEnv root("LUMENO_DEVICE_ROOT", device.Path().string());
        ScopedEnv user("HOME", home.Path().string());
        ScopedEnv data("XDG_DATA_HOME", std::nullopt);
        EXPECT_EQ(std::system((std::string(LUMENO_LOAD_PROBE) + " " + c.argument).c_str()), 0);
        EXPECT_EQ(std::filesystem::exists(device.Path() / "data" / "registry.db"), c.bound);
        EXPECT_EQ(std::filesystem::is_empty(device.Path()), !c.bound);
        EXPECT_TRUE(std::filesystem::is_empty(home.Path())) << "the user's own folders stay untouched";
    }
}

TEST_F(ServiceObjectTest, ReleaseThenInitBuildsAFreshObject)
{
    TesselService* first = TesselService::InitService();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(TesselService::InitService(), first);
    EXPECT_EQ(first->IsWaitCIR(), 0);
    first->SetWaitCIR();
    EXPECT_EQ(first->IsWaitCIR(), 1);
    first->m_errorLevel = 3;
    TesselService::ReleaseService();
    TesselService::ReleaseService(); // without an instance: nothing

    TesselService* second = TesselService::InitService();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->IsWaitCIR(), 0);
    EXPECT_EQ(second->m_errorLevel, 0);
    EXPECT_FALSE(second->m_dialogAnswered->IsSet());
    second->SetWaitCIR();
    second->RemoveWaitCIR();
    EXPECT_EQ(second->IsWaitCIR(), 0);
}

TEST_F(ServiceObjectTest, ConstructionTakesTheSingletonsAndReleaseFreesThem)
{
    ASSERT_NE(TesselService::InitService(), nullptr);
    CReg_Api* settings = CReg_Api::GetInstanceReg();
    UI_Sync* bridge = UI_Sync::GetInstanceUISync();
    bridge->SetStop(true);
    EXPECT_EQ(CReg_Api::GetInstanceReg(), settings);
    TesselService::ReleaseService();
    // The bridge was released with the service: a new one starts with a clear stop flag.
    EXPECT_FALSE(UI_Sync::GetInstanceUISync()->IsStopped());
}

TEST_F(ServiceObjectTest, TheWorkAreaIsTheHandsetScreenUnlessTheDeviceNamesOne)
{
    struct Case {
        std::optional<std::string> configured;
        RECT expected;
    };
    const Case cases[] = {
        {std::nullopt, {0, 26, 240, 320}},         {"0,0,480,640", {0, 0, 480, 640}},
        {" 10 , 20 , 30 , 40 ", {10, 20, 30, 40}}, {"0,0,480", {0, 26, 240, 320}},
        {"0,0,480,640,1", {0, 26, 240, 320}},      {"wide", {0, 26, 240, 320}},
        {"100,0,50,640", {0, 26, 240, 320}},
    };
    for (const Case& c : cases) {
        ReleaseEverything();
        ScopedEnv area("LUMENO_WORK_AREA", c.configured);
        RECT rect;
        TesselService::InitService()->GetWorkAreaRect(rect);
        EXPECT_EQ(rect.left, c.expected.left) << c.configured.value_or("none");
        EXPECT_EQ(rect.top, c.expected.top) << c.configured.value_or("none");
        EXPECT_EQ(rect.right, c.expected.right) << c.configured.value_or("none");
        EXPECT_EQ(rect.bottom, c.expected.bottom) << c.configured.value_or("none");
    }
}

TEST_F(ServiceObjectTest, ProgressIsSentAndWaitedForOnlyWhenTheWindowExists)
{
    ScopedEnv branding("LUMENO_BRANDING_DIR", (Root() / "branding").string());
    WriteFile(Root() / "branding" / "english.brd", "33=Connecting");
    TesselService* service = TesselService::InitService();
    RecordingWindow window;
    {
        std::u16string text = u"\\My Documents\\a.jpg";
        service->ReportProgress(window.Handle(), text, 40);
        text = u"overwritten after the call";
    }
    service->ReportProgress(window.Handle(), kTextIdentifying, 0);
    service->ReportProgress(0, u"nowhere", 1);
    service->ReportProgress(window.Handle() + 1000, u"nowhere", 1);

    const auto seen = window.WaitFor(2);
    ASSERT_EQ(seen.size(), 2u); // sent, not posted: both were handled before ReportProgress returned
    EXPECT_EQ(seen[0].message, WM_SYNC_PROGRESS);
    EXPECT_EQ(seen[0].text, u"\\My Documents\\a.jpg");
    EXPECT_EQ(seen[0].value, 40);
    EXPECT_EQ(seen[1].text, u"Connecting");
}

TEST_F(ServiceObjectTest, KillDialogPostsCloseToTheProgressDialog)
{
    UI_Sync* bridge = UI_Sync::GetInstanceUISync();
    bridge->KillDialog(); // no dialog yet: nothing
    RecordingWindow dialog;
    bridge->SetDialogPtr(dialog.Handle());
    bridge->KillDialog();
    const auto seen = dialog.WaitFor(1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, WM_CLOSE_WAIT_DIALOG);
}

TEST_F(ServiceObjectTest, FailuresAreLoggedOnlyWhileTheLogIsOpen)
{
    TesselService* service = TesselService::InitService();
    SERVICE_LOG_FAILURE(service); // no log open: nothing, and no file
    CLog_File::InitFile();
    service->LogFailure(42, "TesselFlows.cpp");
    CLog_File::CloseFile();
    const std::string log = ReadFile(CDevicePaths::ProgramFolder() / "tidal.log");
    EXPECT_NE(log.find(": Error in line 42 file TesselFlows.cpp\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("ServiceObjectTest"), std::string::npos) << log;
}
