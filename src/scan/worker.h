#pragma once
// The scan worker: walks the range one address at a time on a thread of its own, and makes every
// change to the window through a step that the UI thread runs while the worker waits.

#include "platform/thread.h"

#include <string>

class Tfrmmain;

class TSendDataThread : public wsync::TThread {
public:
    TSendDataThread(bool createSuspended, Tfrmmain* form);

    std::string FCurrentIP;
    std::string FEndIPText;

protected:
    void Execute() override;

private:
    void SyncReadRange();
    void SyncSendQuery();
    void SyncClearCurrentIP();
    void ProbeThorough();

    Tfrmmain* form_;
};
