#pragma once
// A worker thread object as the program uses it: created suspended, resumed once, runs Execute on a
// thread of its own, and can hand a step to the UI thread and wait until the UI thread has run it.

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

class QObject;

namespace wsync {

// Raised in a worker whose UI-thread step will never run because the UI is closing.
class SyncCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "the user interface has closed"; }
};

// Steps are run by the event loop of ui's thread. Installing clears an earlier cancellation.
void InstallSynchronizer(QObject* ui);
// Steps waiting now and any handed over later are not run: their workers get SyncCancelled.
void CancelSynchronize();

class TThread {
public:
    explicit TThread(bool createSuspended);
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume();
    bool Finished() const { return finished_.load(); }
    // Blocks until Execute has ended. Only for the end of the program, when the UI loop is over.
    void WaitFor();

    // Runs on the UI thread after Execute has ended (whether it returned or raised).
    std::function<void()> OnTerminate;

protected:
    virtual void Execute() = 0;
    // Runs step on the UI thread and waits for it; an exception that the step raises is raised here.
    void Synchronize(const std::function<void()>& step);

private:
    struct Control;
    void Run();

    std::shared_ptr<Control> control_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    bool started_ = false;
};

} // namespace wsync
