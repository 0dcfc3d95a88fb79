#include "platform/thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

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

// Steps travel through this queue under our own mutex, so that everything a step touches is
// ordered for the thread sanitizer too; the Qt event only wakes the UI thread.
std::mutex g_mutex;
std::condition_variable g_cv;
std::deque<std::shared_ptr<Step>> g_pending;
QPointer<QObject> g_ui;
bool g_cancelled = false;

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
            std::lock_guard lock(g_mutex);
            step->error = error;
            step->done = true;
        }
        g_cv.notify_all();
    }
}

void PostToUi(std::function<void()> fn)
{
    QObject* ui = nullptr;
    {
        std::lock_guard lock(g_mutex);
        ui = g_ui.data();
    }
    if (ui != nullptr)
        QMetaObject::invokeMethod(ui, std::move(fn), Qt::QueuedConnection);
}

} // namespace

void InstallSynchronizer(QObject* ui)
{
    std::lock_guard lock(g_mutex);
    g_ui = ui;
    g_cancelled = false;
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
    try {
        Execute();
    } catch (...) {
        // An error inside the worker ends it without a word.
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

bool IsUiThread()
{
    std::lock_guard lock(g_mutex);
    return !g_ui.isNull() && g_ui->thread() == QThread::currentThread();
}

void TThread::Synchronize(const std::function<void()>& step)
{
    RunOnUiThread(step);
}

void RunOnUiThread(const std::function<void()>& step)
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
    if (s->error)
        std::rethrow_exception(s->error);
}

} // namespace wsync
