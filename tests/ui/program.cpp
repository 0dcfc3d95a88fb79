#include "program.h"

#include <QTest>

namespace uitest {

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
