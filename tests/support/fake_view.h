#pragma once
// A scan view that records what a scan shows, so that the engine, its worker and its endpoint are
// tested without the window, in the test's own network (the private loopback of support/test_main.cpp).

#include "scan/scanengine.h"
#include "scan/scanview.h"
#include "support/isolation.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

class FakeView : public scan::ScanView {
public:
    // A Thorough host: its address and its cells, "Found" first.
    struct Row {
        QString address;
        QStringList cells;
    };

    scan::RangeTexts range; // what the range fields hold
    QStringList messages;
    QStringList currentIPs; // every text the current-address field has shown, in order
    std::vector<scan::QuickHost> quickHosts; // the answers, in the order they came
    std::vector<Row> thoroughRows;
    // Runs on the UI thread as each address is shown, while the worker waits: a test acts at an exact
    // point of the walk.
    std::function<void(const QString&)> onCurrentIP;

    // What the current-address field shows now.
    QString CurrentIP() const { return currentIPs.isEmpty() ? QString() : currentIPs.back(); }
    std::vector<QString> QuickAddresses() const;
    std::vector<QString> ThoroughAddresses() const;

    scan::RangeTexts ReadRange() override { return range; }
    void ShowCurrentIP(const QString& address) override;
    void ShowMessage(const QString& text) override { messages.append(text); }
    // As the window empties its table: cells that arrive later for a row of before are dropped.
    void ScanStarting() override;
    void AddQuickHost(const scan::QuickHost& host) override { quickHosts.push_back(host); }
    scan::RowId AppendThoroughRow(const QString& address) override;
    void AddThoroughCell(scan::RowId row, const QString& text) override;

private:
    scan::RowId firstRow_ = 1;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The range as the fields would hold it, and the wait in milliseconds.
    void SetRange(const QString& start, const QString& end, int wait);
    bool WaitForScanEnd(std::chrono::milliseconds limit = std::chrono::seconds(60));
    // A new engine on the same view, as a new window would make.
    void Reopen();

    FakeView view;
    std::unique_ptr<scan::ScanEngine> engine;
};

} // namespace testsupport
