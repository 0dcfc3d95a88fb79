#include "support/fake_view.h"

#include "support/ui_helpers.h"

namespace testsupport {

std::vector<QString> FakeView::QuickAddresses() const
{
    std::vector<QString> out;
    for (const scan::QuickHost& host : quickHosts)
        out.push_back(host.address);
    return out;
}

std::vector<QString> FakeView::ThoroughAddresses() const
{
    std::vector<QString> out;
    for (const Row& row : thoroughRows)
        out.push_back(row.address);
    return out;
}

void FakeView::ShowCurrentIP(const QString& address)
{
    currentIPs.append(address);
    if (onCurrentIP)
        onCurrentIP(address);
}

void FakeView::ScanStarting()
{
    firstRow_ += thoroughRows.size();
    quickHosts.clear();
    thoroughRows.clear();
}

scan::RowId FakeView::AppendThoroughRow(const QString& address)
{
    thoroughRows.push_back({address, {QStringLiteral("Found")}});
    return firstRow_ + thoroughRows.size() - 1;
}

void FakeView::AddThoroughCell(scan::RowId row, const QString& text)
{
    if (row >= firstRow_ && row - firstRow_ < thoroughRows.size())
        thoroughRows[row - firstRow_].cells.append(text);
}

void EngineTest::SetUp()
{
    REQUIRE_ISOLATED_NETWORK();
    Reopen();
    ASSERT_TRUE(view.messages.isEmpty()) << view.messages.join(QStringLiteral(" | ")).toStdString();
}

void EngineTest::TearDown()
{
    if (!engine)
        return;
    engine->Close();
    engine.reset();
}

void EngineTest::Reopen()
{
    engine.reset();
    engine = std::make_unique<scan::ScanEngine>(view);
    engine->Endpoint().Open();
}

void EngineTest::SetRange(const QString& start, const QString& end, int wait)
{
    view.range = {start, end};
    engine->State().TimeOut.store(wait);
}

bool EngineTest::WaitForScanEnd(std::chrono::milliseconds limit)
{
    return WaitUntil([&] { return !engine->Running(); }, limit);
}

} // namespace testsupport
