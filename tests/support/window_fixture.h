#pragma once
// The program's main window with its About, Ping and IP Info dialogs, made as start-up makes them,
// in the test's own network: the private loopback of support/test_main.cpp, or the lab's scanner
// namespace. Every test that drives the whole window derives from it.

#include "support/isolation.h"
#include "support/ui_helpers.h"
#include "support/walk_table.h"
#include "ui/frmmain.h"
#include "ui/loglistbox.h"

#include <QString>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

namespace testsupport {

class WindowTest : public ::testing::Test {
protected:
    // Most tests start with the window shown; the first showing fills the address lists.
    enum class Shown { AtSetUp, ByTheTest };
    explicit WindowTest(Shown shown = Shown::AtSetUp)
        : shown_(shown)
    {
    }

    void SetUp() override;
    void TearDown() override;

    ResultsModel& Rows() const { return *window->Results(); }
    LogListBox& Log() const { return *window->ListBox1; }
    // The captions in table order.
    std::vector<QString> Captions() const;

    void SetRange(const QString& start, const QString& end, int wait);
    // The range and the wait as typed, Quick mode, Start.
    void StartQuick(const QString& start, const QString& end, const QString& wait);
    bool WaitForScanEnd(std::chrono::milliseconds limit = std::chrono::seconds(60));
    // Runs the event loop until the row count has stayed put for quiet.
    void Settle(std::chrono::milliseconds quiet, std::chrono::milliseconds limit);

    std::unique_ptr<Tfrmmain> window;

private:
    Shown shown_;
};

} // namespace testsupport
