#include "support/ui_helpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

namespace testsupport {

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() >= limit.count())
            return pred();
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
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
