// The event and the worker thread's hand-over to the UI thread, with a real event loop.
#include "platform/event.h"
#include "platform/thread.h"
#include "support/ui_helpers.h"

#include <QObject>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(Event, ManualResetStaysSignalledUntilResetAndNamesAreShared)
{
    wsync::HANDLE a = wsync::CreateEventA(nullptr, true, false, "TEST_EVENT_SHARED");
    wsync::HANDLE b = wsync::CreateEventA(nullptr, true, true, "TEST_EVENT_SHARED");
    EXPECT_EQ(a, b);
    EXPECT_EQ(wsync::WaitForSingleObject(a, 0), wsync::WAIT_TIMEOUT);
    wsync::SetEvent(a);
    EXPECT_EQ(wsync::WaitForSingleObject(a, 0), wsync::WAIT_OBJECT_0);
    EXPECT_EQ(wsync::WaitForSingleObject(a, 0), wsync::WAIT_OBJECT_0);
    wsync::ResetEvent(a);
    EXPECT_EQ(wsync::WaitForSingleObject(a, 20), wsync::WAIT_TIMEOUT);
    std::thread setter([a] {
        std::this_thread::sleep_for(10ms);
        wsync::SetEvent(a);
    });
    EXPECT_EQ(wsync::WaitForSingleObject(a, 5000), wsync::WAIT_OBJECT_0);
    setter.join();
    EXPECT_NE(wsync::CreateEventA(nullptr, true, false, nullptr), wsync::CreateEventA(nullptr, true, false, nullptr));
}

class Probe : public wsync::TThread {
public:
    Probe()
        : wsync::TThread(true)
    {
    }
    std::function<void(Probe&)> body;
    void Step(const std::function<void()>& fn) { Synchronize(fn); }

protected:
    void Execute() override { body(*this); }
};

TEST(WorkerThread, StepsRunOnTheUiThreadAndTheirErrorsReachTheWorker)
{
    QObject ui;
    wsync::InstallSynchronizer(&ui);
    const auto uiThread = std::this_thread::get_id();
    std::atomic<bool> ranOnUi{false};
    std::atomic<bool> errorSeen{false};
    std::atomic<bool> terminated{false};
    Probe worker;
    worker.body = [&](Probe& self) {
        self.Step([&] { ranOnUi = std::this_thread::get_id() == uiThread; });
        try {
            self.Step([] { throw std::runtime_error("step failed"); });
        } catch (const std::runtime_error& e) {
            errorSeen = std::string(e.what()) == "step failed";
        }
        throw std::logic_error("an error inside the worker ends it silently");
    };
    worker.OnTerminate = [&] { terminated = true; };
    EXPECT_FALSE(worker.Finished());
    worker.Resume();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return terminated.load(); }, 10s));
    EXPECT_TRUE(ranOnUi);
    EXPECT_TRUE(errorSeen);
    EXPECT_TRUE(worker.Finished());
}

TEST(WorkerThread, CancelledStepsReleaseTheWorker)
{
    QObject ui;
    wsync::InstallSynchronizer(&ui);
    std::atomic<bool> cancelled{false};
    Probe worker;
    worker.body = [&](Probe& self) {
        try {
            self.Step([] {});
        } catch (const wsync::SyncCancelled&) {
            cancelled = true;
        }
    };
    // The UI loop never runs the step: the UI closes instead.
    worker.Resume();
    std::this_thread::sleep_for(20ms);
    wsync::CancelSynchronize();
    worker.WaitFor();
    EXPECT_TRUE(cancelled);
    wsync::InstallSynchronizer(&ui);
}

} // namespace
