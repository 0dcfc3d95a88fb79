#pragma once
// The scan worker: walks the range one address at a time on a thread of its own, and shows what it
// finds through steps that the UI thread runs while the worker waits.

#include "platform/thread.h"
#include "scan/endpoint.h"
#include "scan/scanstate.h"
#include "scan/scanview.h"

#include <chrono>
#include <string>

namespace scan {

class TSendDataThread : public wsync::TThread {
public:
    TSendDataThread(bool createSuspended, ScanView& view, ScanState& state, Endpoint& endpoint);

    std::string FCurrentIP;
    std::string FEndIPText;

    // How long a query may wait for the kernel to take it before its send counts as failed.
    static constexpr std::chrono::seconds kSendLimit{5};

protected:
    void Execute() override;

private:
    void SendQuery();
    void ProbeThorough();

    ScanView& view_;
    ScanState& state_;
    Endpoint& endpoint_;
};

} // namespace scan
