#include "program.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace uitest {

// Every showing of a modal window passes through here, also the second showing of the same dialog.
struct ModalWatcher::Impl : QObject {
    std::function<void(QWidget*)> handler;
    int seen = 0;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && w->windowModality() != Qt::NonModal) {
                ++seen;
                QPointer<QWidget> modal = w;
                QTimer::singleShot(0, this, [this, modal] {
                    if (QWidget* shown = modal.data(); shown != nullptr && shown->isVisible())
                        handler(shown);
                });
            }
        }
        return false;
    }
};

ModalWatcher::ModalWatcher(std::function<void(QWidget*)> handler)
    : impl_(std::make_unique<Impl>())
{
    impl_->handler = std::move(handler);
    QApplication::instance()->installEventFilter(impl_.get());
}

ModalWatcher::~ModalWatcher() = default;

int ModalWatcher::Seen() const { return impl_->seen; }

ShellRecorder::ShellRecorder()
{
    wshell::SetShellHandler([this](const wshell::ShellRequest& request) { requests_.push_back(request); });
}

ShellRecorder::~ShellRecorder() { wshell::SetShellHandler(nullptr); }

void ProgramTest::Activate(QWidget* w)
{
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w, 5000)) << w->objectName().toStdString() << " did not become active";
}

void ProgramTest::ShowWindow()
{
    window->show();
    Activate(window.get());
}

} // namespace uitest
