#pragma once
// The scan engine: its state, its endpoint and one worker at a time, shown through a ScanView. It
// lives on the UI thread and never waits there for the worker, except at the very end of the program.

#include "scan/endpoint.h"
#include "scan/scanstate.h"
#include "scan/scanview.h"

#include <QObject>

#include <cstdint>
#include <memory>

namespace scan {

class TSendDataThread;

class ScanEngine : public QObject {
public:
    explicit ScanEngine(ScanView& view, QObject* parent = nullptr);
    ~ScanEngine() override;

    ScanState& State() { return state_; }
    scan::Endpoint& Endpoint() { return endpoint_; }

    // One walk at a time: a Start during a walk stops it, and the new one begins as soon as it has ended.
    void Start();
    // The walk ends after the address under way; a Start that waited for it is dropped.
    void Stop();
    bool Running() const { return worker_ != nullptr; }
    // The view is closing: the worker is told to stop, its waits and UI-thread steps are released
    // so that it ends within one address's time, and the endpoint closes.
    void Close();
    // Only for the end of the program, once the event loop is over.
    void WaitForEnd();

private:
    void StartWorker();
    void WorkerEnded(std::uint64_t walk);

    ScanView& view_;
    ScanState state_;
    scan::Endpoint endpoint_;
    std::unique_ptr<TSendDataThread> worker_;
    bool startPending_ = false;
    bool closed_ = false;
    std::uint64_t walks_ = 0; // the walks started, so a late end of one cannot end the next
};

} // namespace scan
