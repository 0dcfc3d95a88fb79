#pragma once
// The scan worker: walks the range one address at a time on a thread of its own, and makes every
// change to the window through a step that the UI thread runs while the worker waits.

#include "platform/thread.h"
#include "scan/udp.h"

#include <chrono>
#include <string>

class Tfrmmain;

class TSendDataThread : public wsync::TThread {
public:
    TSendDataThread(bool createSuspended, Tfrmmain* form);

    std::string FCurrentIP;
    std::string FEndIPText;

    // How long a query may wait for the kernel to take it before its send counts as failed.
    static constexpr std::chrono::seconds kSendLimit{5};

protected:
    void Execute() override;

private:
    void SyncReadRange();
    udp::QuerySend SyncSendQuery(bool showAddress, bool lastTry);
    void SendQuery();
    void SyncClearCurrentIP();
    void ProbeThorough();

    Tfrmmain* form_;
};
