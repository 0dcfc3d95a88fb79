// GetMACAddress when no status buffer can be had. An allocation of 618 bytes does not fail on this
// machine, so this executable replaces the allocation function that GetMACAddress uses and fails it
// on request; everything else (the message handler, the hop to the UI thread) is the real thing.

#include "platform/thread.h"
#include "probes/netutils.h"
#include "support/ui_helpers.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <string>
#include <thread>

namespace {
std::atomic<bool> g_failArrays{false};
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (g_failArrays.load())
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

TEST(AdapterStatus, NoBufferShowsTheMessageOnTheUiThreadAndGivesEmptyText)
{
    QObject ui;
    wsync::InstallSynchronizer(&ui);
    std::string shown;
    bool onUiThread = false;
    SetNetUtilsMessageHandler([&](const std::string& text) {
        shown = text;
        onUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    });

    std::atomic<bool> done{false};
    std::string result = "unset";
    g_failArrays = true;
    std::thread worker([&] {
        try {
            result = GetMACAddress("ALPHA");
        } catch (const wsync::SyncCancelled&) {
            result = "cancelled";
        }
        done = true;
    });
    const bool finished = testsupport::WaitUntil([&] { return done.load(); }, std::chrono::seconds(10));
    g_failArrays = false;
    if (!finished)
        wsync::CancelSynchronize();
    worker.join();

    ASSERT_TRUE(finished);
    EXPECT_EQ(shown, "memory allocation failed!");
    EXPECT_TRUE(onUiThread);
    EXPECT_EQ(result, "");
    SetNetUtilsMessageHandler(nullptr);
    wsync::InstallSynchronizer(nullptr);
}
