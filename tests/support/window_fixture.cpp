#include "support/window_fixture.h"

#include "app/startup.h"
#include "ui/spinedit.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>

namespace testsupport {

void WindowTest::SetUp()
{
    REQUIRE_ISOLATED_NETWORK();
    // As at program start: the program ends when the main window closes, not with its last window.
    QApplication::setQuitOnLastWindowClosed(false);
    MessageBoxCatcher messages;
    window = nodewick::CreateForms();
    ASSERT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(QStringLiteral(" | ")).toStdString();
    if (shown_ == Shown::AtSetUp) {
        window->show();
        ASSERT_TRUE(WaitUntil([&] { return window->isVisible(); }, std::chrono::seconds(5)));
    }
}

void WindowTest::TearDown()
{
    if (!window)
        return;
    MessageBoxCatcher messages;
    window->close();
    window->WaitForScan();
    window.reset();
}

std::vector<QString> WindowTest::Captions() const
{
    std::vector<QString> out;
    for (int i = 0; i < Rows().Count(); ++i)
        out.push_back(Rows().Caption(i));
    return out;
}

void WindowTest::SetRange(const QString& start, const QString& end, int wait)
{
    window->ComboBox1->setEditText(start);
    window->Edit2->setText(end);
    window->SpinEdit1->SetValue(wait);
}

void WindowTest::StartQuick(const QString& start, const QString& end, const QString& wait)
{
    window->ComboBox1->setEditText(start);
    window->Edit2->setText(end);
    window->SpinEdit1->SetText(wait);
    window->rbQuick->setChecked(true);
    window->ToolButton1Click();
}

bool WindowTest::WaitForScanEnd(std::chrono::milliseconds limit)
{
    return WaitUntil([&] { return !window->ScanRunning(); }, limit);
}

void WindowTest::Settle(std::chrono::milliseconds quiet, std::chrono::milliseconds limit)
{
    QElapsedTimer total;
    total.start();
    while (total.elapsed() < limit.count()) {
        const int last = Rows().Count();
        WaitUntil([] { return false; }, quiet);
        if (Rows().Count() == last)
            return;
    }
}

} // namespace testsupport
