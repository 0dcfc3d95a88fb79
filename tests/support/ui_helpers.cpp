#include "support/ui_helpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace testsupport {

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit)
{
    // The event loop runs as the program runs it, without the pauses of a polling wait, which would
    // hold back every step the worker hands to the UI thread; the tick only looks at the condition.
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (pred())
            loop.quit();
    });
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    tick.start(2);
    if (!pred())
        loop.exec();
    return pred();
}

int RunTests(int& argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own file dialog, which tests can drive, whatever platform dialog the desktop offers.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
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

MessageBoxCatcher::~MessageBoxCatcher() { delete impl_; }

QStringList MessageBoxCatcher::Texts() const { return impl_->texts; }
QStringList MessageBoxCatcher::Titles() const { return impl_->titles; }

} // namespace testsupport
