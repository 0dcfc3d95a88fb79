#include "scan/scanengine.h"

#include "scan/senddatathread.h"

namespace scan {

ScanEngine::ScanEngine(ScanView& view, QObject* parent)
    : QObject(parent)
    , view_(view)
    , endpoint_(view, state_, this)
{
    wsync::InstallSynchronizer(this);
}

ScanEngine::~ScanEngine() { WaitForEnd(); }

void ScanEngine::Start()
{
    if (Running()) {
        state_.StopScan.store(true);
        startPending_ = true;
        return;
    }
    StartWorker();
}

void ScanEngine::StartWorker()
{
    startPending_ = false;
    view_.ScanStarting();
    state_.StopScan.store(false);
    worker_ = std::make_unique<TSendDataThread>(true, view_, state_, endpoint_);
    const std::uint64_t walk = ++walks_;
    worker_->OnTerminate = [this, walk] {
        // The worker is destroyed after its own call has returned, never from inside it; by then the
        // program's end may have taken it already.
        QMetaObject::invokeMethod(
            this, [this, walk] { WorkerEnded(walk); }, Qt::QueuedConnection);
    };
    worker_->Resume();
}

void ScanEngine::WorkerEnded(std::uint64_t walk)
{
    if (walk != walks_ || worker_ == nullptr)
        return;
    worker_.reset();
    if (startPending_ && !closed_)
        StartWorker();
}

void ScanEngine::Stop()
{
    state_.StopScan.store(true);
    startPending_ = false;
}

void ScanEngine::Close()
{
    if (closed_)
        return;
    closed_ = true;
    Stop();
    wsync::CancelSynchronize();
    wsync::SetEvent(state_.WAIT_ACK);
    endpoint_.Close();
}

void ScanEngine::WaitForEnd()
{
    if (worker_ == nullptr)
        return;
    worker_->WaitFor();
    worker_.reset();
}

} // namespace scan
