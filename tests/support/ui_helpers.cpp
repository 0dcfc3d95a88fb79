#include "support/ui_helpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

namespace testsupport {

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit)
{
    QElapsedTimer timer;
    timer.start();
    // Events are handled the moment they come (a worker waits for the UI thread between addresses);
    // the tick only makes sure the condition and the limit are looked at even when nothing happens.
    QTimer tick;
    tick.start(5);
    while (!pred()) {
        if (timer.elapsed() >= limit.count())
            return pred();
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

struct MessageBoxCatcher::Impl {
    QTimer timer;
    QStringList texts;
    QStringList titles;
};

MessageBoxCatcher::MessageBoxCatcher()
    : impl_(new Impl)
{
    QObject::connect(&impl_->timer, &QTimer::timeout, [impl = impl_] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box == nullptr || !box->isVisible())
                continue;
            impl->texts.append(box->text());
            impl->titles.append(box->windowTitle());
            if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        }
    });
    impl_->timer.start(5);
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    delete impl_;
}

QStringList MessageBoxCatcher::Texts() const { return impl_->texts; }
QStringList MessageBoxCatcher::Titles() const { return impl_->titles; }

} // namespace testsupport
