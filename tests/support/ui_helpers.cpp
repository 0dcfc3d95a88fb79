#include "support/ui_helpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
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

// Every showing of a modal dialog passes through the filter, the second showing of the same dialog
// too; catchers alive at once each record it, and the one made last answers it.
struct MessageBoxCatcher::Impl : QObject {
    std::function<void(QDialog*)> answer;
    QStringList texts;
    QStringList titles;
    int dialogs = 0;
    QHash<const QDialog*, int> showings;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() != QEvent::Show || dialog == nullptr || dialog->windowModality() == Qt::NonModal)
            return false;
        auto* box = qobject_cast<QMessageBox*>(dialog);
        if (box != nullptr) {
            texts.append(box->text());
            titles.append(box->windowTitle());
        } else {
            ++dialogs;
        }
        const int showing = ++showings[dialog];
        const QPointer<QDialog> shown = dialog;
        QTimer::singleShot(0, this, [this, shown, box] {
            QDialog* open = shown.data();
            if (open == nullptr || !open->isVisible())
                return;
            if (box != nullptr) {
                if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                    ok->click();
                else
                    box->reject();
            } else if (answer) {
                answer(open);
            } else {
                open->reject();
            }
        });
        QTimer::singleShot(std::chrono::seconds(10), this, [this, shown, showing] {
            QDialog* open = shown.data();
            if (open == nullptr || !open->isVisible() || showings.value(open) != showing)
                return;
            ADD_FAILURE() << open->metaObject()->className() << " " << open->objectName().toStdString()
                          << " was still open after ten seconds";
            open->reject();
        });
        return false;
    }
};

MessageBoxCatcher::MessageBoxCatcher()
    : MessageBoxCatcher(nullptr)
{
}

MessageBoxCatcher::MessageBoxCatcher(std::function<void(QDialog*)> answer)
    : impl_(std::make_unique<Impl>())
{
    impl_->answer = std::move(answer);
    QApplication::instance()->installEventFilter(impl_.get());
}

MessageBoxCatcher::~MessageBoxCatcher() = default;

QStringList MessageBoxCatcher::Texts() const { return impl_->texts; }
QStringList MessageBoxCatcher::Titles() const { return impl_->titles; }
int MessageBoxCatcher::Dialogs() const { return impl_->dialogs; }

} // namespace testsupport
