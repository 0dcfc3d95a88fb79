#include "scan/worker.h"

#include "probes/netutils.h"
#include "probes/ping.h"
#include "protocol/nbstat.h"
#include "scan/udp.h"
#include "ui/frmmain.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>
#include <thread>

TSendDataThread::TSendDataThread(bool createSuspended, Tfrmmain* form)
    : wsync::TThread(createSuspended)
    , form_(form)
{
}

void TSendDataThread::SyncReadRange()
{
    FCurrentIP = form_->ComboBox1->currentText().toStdString();
    FEndIPText = form_->Edit2->text().toStdString();
}

udp::QuerySend TSendDataThread::SyncSendQuery(bool showAddress, bool lastTry)
{
    if (showAddress)
        form_->Edit4->setText(QString::fromStdString(FCurrentIP));
    return form_->SendNBStatQuery(nbstat::NBStatQuery.data(), FCurrentIP, lastTry);
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
        udp::QuerySend result = udp::QuerySend::Sent;
        Synchronize([&] { result = SyncSendQuery(first, lastTry); });
        if (result != udp::QuerySend::WouldBlock)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TSendDataThread::SyncClearCurrentIP() { form_->Edit4->setText(QString()); }

void TSendDataThread::Execute()
{
    Synchronize([this] { SyncReadRange(); });
    if (!scanwalk::IsValidIP(FCurrentIP) || !scanwalk::IsValidIP(FEndIPText)) {
        Synchronize([this] { form_->ShowMessage(QStringLiteral("Invalid IP address!")); });
        return;
    }
    udp::StartIP = scanwalk::RangeOctets(FCurrentIP);
    udp::EndIP = scanwalk::RangeOctets(FEndIPText);
    for (;;) {
        if (udp::StopScan.load()) {
            Synchronize([this] { SyncClearCurrentIP(); });
            return;
        }
        FCurrentIP = scanwalk::DottedText(udp::StartIP);
        if (udp::ThoroughMode.load()) {
            ProbeThorough();
        } else {
            SendQuery();
            // A negative wait would be an unbounded one; it counts as no wait.
            const auto wait = static_cast<std::uint32_t>(std::max<std::int32_t>(0, udp::TimeOut.load()));
            wsync::WaitForSingleObject(udp::WaitAckEvent, std::min(wait, wsync::INFINITE - 1));
            wsync::ResetEvent(udp::WaitAckEvent);
        }
        if (!scanwalk::Advance(udp::StartIP, udp::EndIP))
            break;
    }
    Synchronize([this] { SyncClearCurrentIP(); });
}

void TSendDataThread::ProbeThorough()
{
    const QString address = QString::fromStdString(FCurrentIP);
    Synchronize([&] { form_->Edit4->setText(address); });
    if (!PingHost(FCurrentIP))
        return;
    ResultsModel::RowId row = 0;
    Synchronize([&] { row = form_->AppendThoroughRow(address); });
    const std::string name = GetHostNameByIP(FCurrentIP);
    Synchronize([&] { form_->AddThoroughCell(row, QString::fromStdString(name)); });
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    const bool hasName = std::any_of(name.begin(), name.end(), [&](char c) { return !isBlank(c); });
    // The name only decides whether to ask: the answer must come from the host found here, and a name
    // such as "127.0.0.1", or one the resolver maps elsewhere, would send the query to another host.
    const std::string mac = hasName ? GetMACAddress(FCurrentIP) : std::string();
    Synchronize([&] { form_->AddThoroughCell(row, QString::fromStdString(mac)); });
}
