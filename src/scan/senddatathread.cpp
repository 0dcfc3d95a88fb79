#include "scan/senddatathread.h"

#include "probes/netutils.h"
#include "probes/ping.h"
#include "protocol/nbstat.h"

#include <algorithm>
#include <thread>

namespace scan {

TSendDataThread::TSendDataThread(bool createSuspended, ScanView& view, ScanState& state, Endpoint& endpoint)
    : wsync::TThread(createSuspended)
    , view_(view)
    , state_(state)
    , endpoint_(endpoint)
{
}

void TSendDataThread::SendQuery()
{
    // The kernel may have no room for the query for a while (a neighbour table full of addresses
    // still waiting for ARP). The UI thread never waits for it: its step gives up at once, and the
    // worker pauses and hands it over again, until the limit makes the last try report the failure.
    using Clock = std::chrono::steady_clock;
    const auto limit = Clock::now() + kSendLimit;
    for (bool first = true;; first = false) {
        const bool lastTry = Clock::now() >= limit;
        QuerySend result = QuerySend::Sent;
        Synchronize([&] {
            if (first)
                view_.ShowCurrentIP(QString::fromStdString(FCurrentIP));
            result = endpoint_.SendNBStatQuery(nbstat::NBStatQuery.data(), FCurrentIP, lastTry);
        });
        if (result != QuerySend::WouldBlock)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TSendDataThread::Execute()
{
    Synchronize([this] {
        const RangeTexts range = view_.ReadRange();
        FCurrentIP = range.start.toStdString();
        FEndIPText = range.end.toStdString();
    });
    if (!scanwalk::IsValidIP(FCurrentIP) || !scanwalk::IsValidIP(FEndIPText)) {
        Synchronize([this] { view_.ShowMessage(QStringLiteral("Invalid IP address!")); });
        return;
    }
    state_.StartIP = scanwalk::RangeOctets(FCurrentIP);
    state_.EndIP = scanwalk::RangeOctets(FEndIPText);
    for (;;) {
        if (state_.StopScan.load())
            break;
        FCurrentIP = scanwalk::DottedText(state_.StartIP);
        if (state_.ThoroughMode.load()) {
            ProbeThorough();
        } else {
            SendQuery();
            // A negative wait would be an unbounded one; it counts as no wait.
            const auto wait = static_cast<std::uint32_t>(std::max<std::int32_t>(0, state_.TimeOut.load()));
            wsync::WaitForSingleObject(state_.WAIT_ACK, std::min(wait, wsync::INFINITE - 1));
            wsync::ResetEvent(state_.WAIT_ACK);
        }
        if (!scanwalk::Advance(state_.StartIP, state_.EndIP))
            break;
    }
    Synchronize([this] { view_.ShowCurrentIP(QString()); });
}

void TSendDataThread::ProbeThorough()
{
    const QString address = QString::fromStdString(FCurrentIP);
    Synchronize([&] { view_.ShowCurrentIP(address); });
    if (!PingHost(FCurrentIP))
        return;
    RowId row = 0;
    Synchronize([&] { row = view_.AppendThoroughRow(address); });
    const std::string name = GetHostNameByIP(FCurrentIP);
    Synchronize([&] { view_.AddThoroughCell(row, QString::fromStdString(name)); });
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    const bool hasName = std::any_of(name.begin(), name.end(), [&](char c) { return !isBlank(c); });
    // The name only decides whether to ask: the answer must come from the host found here, and a name
    // such as "127.0.0.1", or one the resolver maps elsewhere, would send the query to another host.
    const std::optional<std::string> mac = hasName ? GetMACAddress(FCurrentIP) : std::string();
    if (!mac)
        Synchronize([this] { view_.ShowMessage(QStringLiteral("memory allocation failed!")); });
    Synchronize([&] { view_.AddThoroughCell(row, QString::fromStdString(mac.value_or(std::string()))); });
}

} // namespace scan
