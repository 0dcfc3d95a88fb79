#include "platform/thread.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QThread>

#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace wsync {
namespace {

struct Step {
    std::function<void()> fn;
    std::exception_ptr error;
    bool done = false;
    bool cancelled = false;
};

// Steps and other calls for the UI thread travel through these queues under our own mutex, and an
// eventfd only wakes the UI thread: no object crosses threads inside Qt's event queue, so everything
// a step touches is ordered for the thread sanitizer too.
std::mutex g_mutex;
std::condition_variable g_cv;
std::deque<std::shared_ptr<Step>> g_pending;
std::deque<std::function<void()>> g_posted;
QPointer<QObject> g_ui;
QPointer<QSocketNotifier> g_wakeNotifier;
int g_wakeFd = -1;
bool g_cancelled = false;

bool IsUiThread()
{
    std::lock_guard lock(g_mutex);
    return !g_ui.isNull() && g_ui->thread() == QThread::currentThread();
}

void RunPendingSteps()
{
    for (;;) {
        std::shared_ptr<Step> step;
        {
            std::lock_guard lock(g_mutex);
            if (g_pending.empty())
                return;
            step = g_pending.front();
            g_pending.pop_front();
        }
        std::exception_ptr error;
        try {
            step->fn();
        } catch (...) {
            error = std::current_exception();
        }
        {
            // The error moves across under the lock: from here on only the worker holds it, so the
            // exception is released on the thread that catches it.
            std::lock_guard lock(g_mutex);
            step->error = std::move(error);
            step->done = true;
        }
        g_cv.notify_all();
    }
}

void OnWake()
{
    std::uint64_t count = 0;
    while (::read(g_wakeFd, &count, sizeof count) == static_cast<ssize_t>(sizeof count)) {}
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(g_mutex);
            if (g_posted.empty())
                return;
            fn = std::move(g_posted.front());
            g_posted.pop_front();
        }
        fn();
    }
}

void PostToUi(std::function<void()> fn)
{
    int fd = -1;
    {
        std::lock_guard lock(g_mutex);
        g_posted.push_back(std::move(fn));
        fd = g_wakeFd;
    }
    const std::uint64_t one = 1;
    if (fd >= 0) {
        // The counter only wakes the UI thread; a failed write means it is awake already.
        [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
    }
}

} // namespace

void InstallSynchronizer(QObject* ui)
{
    std::lock_guard lock(g_mutex);
    if (g_wakeFd < 0)
        g_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    delete g_wakeNotifier.data();
    g_ui = ui;
    g_cancelled = false;
    if (ui != nullptr && g_wakeFd >= 0) {
        g_wakeNotifier = new QSocketNotifier(g_wakeFd, QSocketNotifier::Read, ui);
        QObject::connect(g_wakeNotifier.data(), &QSocketNotifier::activated, ui, [] { OnWake(); });
    }
}

void CancelSynchronize()
{
    {
        std::lock_guard lock(g_mutex);
        g_cancelled = true;
        for (auto& step : g_pending)
            step->cancelled = true;
        g_pending.clear();
    }
    g_cv.notify_all();
}

struct TThread::Control {
    std::mutex m;
    TThread* self = nullptr;
};

TThread::TThread(bool createSuspended)
    : control_(std::make_shared<Control>())
{
    control_->self = this;
    if (!createSuspended)
        Resume();
}

TThread::~TThread()
{
    {
        std::lock_guard lock(control_->m);
        control_->self = nullptr;
    }
    if (thread_.joinable())
        thread_.join();
}

void TThread::Resume()
{
    if (started_)
        return;
    started_ = true;
    thread_ = std::thread([this] { Run(); });
}

void TThread::WaitFor()
{
    if (thread_.joinable())
        thread_.join();
}

void TThread::Run()
{
    // A worker paces itself with timed waits (a Quick scan waits up to its time-out per address);
    // the default timer slack of 50 us would be added to every one of them.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    try {
        Execute();
    } catch (const SyncCancelled&) {
        // The window is closing and will show nothing more: the walk ends here.
    } catch (...) {
        // Any other error ends the walk as its end does, without a message: OnTerminate still runs,
        // and the program goes on.
    }
    finished_.store(true);
    PostToUi([control = control_] {
        TThread* self = nullptr;
        {
            std::lock_guard lock(control->m);
            self = control->self;
        }
        if (self == nullptr)
            return;
        if (self->thread_.joinable())
            self->thread_.join();
        if (self->OnTerminate)
            self->OnTerminate();
    });
}

void TThread::Synchronize(const std::function<void()>& step)
{
    if (IsUiThread()) {
        step();
        return;
    }
    auto s = std::make_shared<Step>();
    s->fn = step;
    {
        std::lock_guard lock(g_mutex);
        if (g_cancelled || g_ui.isNull())
            throw SyncCancelled();
        g_pending.push_back(s);
    }
    PostToUi(RunPendingSteps);
    std::unique_lock lock(g_mutex);
    g_cv.wait(lock, [&] { return s->done || s->cancelled; });
    if (s->cancelled)
        throw SyncCancelled();
    std::exception_ptr error = std::move(s->error);
    lock.unlock();
    if (error)
        std::rethrow_exception(error);
}

} // namespace wsync
