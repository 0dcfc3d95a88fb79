// Start, Stop and the wait field: the main window's actions that create, stop and pace the worker.

#include "scan/udp.h"
#include "scan/worker.h"
#include "ui/frmmain.h"
#include "ui/loglistbox.h"
#include "ui/spinedit.h"

#include <QLineEdit>

void Tfrmmain::ToolButton1Click()
{
    // One worker at a time: a Start during a scan stops the running walk, and the new one begins
    // as soon as it has ended. The UI thread never waits for a worker.
    if (ScanRunning()) {
        udp::StopScan.store(true);
        startPending_ = true;
        return;
    }
    StartScan();
}

void Tfrmmain::StartScan()
{
    startPending_ = false;
    results_->Clear();
    udp::StopScan.store(false);
    scanThread_ = new TSendDataThread(true, this);
    scanThread_->OnTerminate = [this] { OnScanFinished(); };
    udp::TimeOut.store(SpinEdit1->Value());
    scanThread_->Resume();
}

void Tfrmmain::OnScanFinished()
{
    delete scanThread_;
    scanThread_ = nullptr;
    if (startPending_ && !closed_)
        StartScan();
}

bool Tfrmmain::ScanRunning() const { return scanThread_ != nullptr; }

void Tfrmmain::WaitForScan()
{
    if (scanThread_ == nullptr)
        return;
    scanThread_->WaitFor();
    delete scanThread_;
    scanThread_ = nullptr;
}

void Tfrmmain::ToolButton2Click()
{
    udp::StopScan.store(true);
    startPending_ = false;
    Edit5->setText(QString::number(ListBox1->Count()));
}

void Tfrmmain::SpinEdit1Change() { udp::TimeOut.store(SpinEdit1->Value()); }

ResultsModel::RowId Tfrmmain::AppendThoroughRow(const QString& address)
{
    ListBox1->AddLine(address);
    const ResultsModel::RowId row = results_->Append(address);
    results_->AddCell(row, QStringLiteral("Found"));
    return row;
}

void Tfrmmain::AddThoroughCell(ResultsModel::RowId row, const QString& text) { results_->AddCell(row, text); }
