// The About, Ping and IP Info dialogs as the main window's commands show them.

#include "program.h"

#include "support/ui_helpers.h"
#include "ui/aboutbox.h"
#include "ui/frmipinfo.h"
#include "ui/frmping.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <chrono>

using namespace std::chrono_literals;
using testsupport::MessageBoxCatcher;
using testsupport::WaitUntil;

namespace uitest {
namespace {

using DialogsTest = ProgramTest;

template <typename T>
int TopLevelsOf()
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<T*>(w) != nullptr)
            ++count;
    return count;
}

TEST_F(DialogsTest, EachDialogExistsOnceAndHiddenAfterStart)
{
    ShowWindow();
    ASSERT_NE(aboutbox, nullptr);
    ASSERT_NE(frmPing, nullptr);
    ASSERT_NE(frmIPinfo, nullptr);
    EXPECT_FALSE(aboutbox->isVisible());
    EXPECT_FALSE(frmPing->isVisible());
    EXPECT_FALSE(frmIPinfo->isVisible());
    EXPECT_EQ(TopLevelsOf<Taboutbox>(), 1);
    EXPECT_EQ(TopLevelsOf<TfrmPing>(), 1);
    EXPECT_EQ(TopLevelsOf<TfrmIPinfo>(), 1);
    EXPECT_EQ(aboutbox->windowTitle(), QStringLiteral("aboutbox"));
    EXPECT_EQ(frmPing->windowTitle(), QStringLiteral("Ping"));
    EXPECT_EQ(frmIPinfo->windowTitle(), QStringLiteral("IP Info"));
}

TEST_F(DialogsTest, AboutIsModalAndShowsTheVersionAtEveryShowing)
{
    ShowWindow();
    QStringList versions;
    bool modalToTheWindow = true;
    MessageBoxCatcher modals([&](QDialog* modal) {
        modalToTheWindow = modalToTheWindow && modal == aboutbox;
        versions.append(aboutbox->Version->text());
        // The first time by the OK button, the second by Enter on the default button.
        if (versions.size() == 1)
            aboutbox->OKButton->click();
        else
            QTest::keyClick(aboutbox, Qt::Key_Return);
    });
    window->About1->trigger();
    EXPECT_FALSE(aboutbox->isVisible()) << "About1Click returned before the dialog was closed";
    aboutbox->Version->setText(QStringLiteral("Version"));
    window->About1->trigger();
    EXPECT_FALSE(aboutbox->isVisible());

    EXPECT_EQ(modals.Dialogs(), 2);
    EXPECT_TRUE(modalToTheWindow);
    EXPECT_EQ(versions, QStringList({"Version: 1.02", "Version: 1.02"}));
    EXPECT_EQ(aboutbox->result(), QDialog::Accepted);
    EXPECT_EQ(TopLevelsOf<Taboutbox>(), 1);
}

TEST_F(DialogsTest, PingAndIPInfoStayBesideTheWindowAndASecondCommandBringsThemForward)
{
    ShowWindow();
    const struct {
        QAction* command;
        QDialog* dialog;
    } tools[] = {{window->Ping1, frmPing}, {window->IPInfo1, frmIPinfo}};
    for (const auto& tool : tools) {
        SCOPED_TRACE(tool.dialog->objectName().toStdString());
        const QPointer<QDialog> first = tool.dialog;
        tool.command->trigger();
        ASSERT_TRUE(WaitUntil([&] { return tool.dialog->isVisible(); }, 2s));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

        Activate(window.get());
        tool.command->trigger();
        EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == tool.dialog; }, 2s));
        EXPECT_EQ(first, tool.dialog);
        EXPECT_EQ(TopLevelsOf<TfrmPing>(), 1);
        EXPECT_EQ(TopLevelsOf<TfrmIPinfo>(), 1);
    }
    // Both at once, and the window still takes commands.
    EXPECT_TRUE(frmPing->isVisible());
    EXPECT_TRUE(frmIPinfo->isVisible());
    Activate(window.get());
    window->ToolButton5->click();
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(DialogsTest, ClosedDialogsAreHiddenAndKeepTheirFields)
{
    ShowWindow();
    window->Ping1->trigger();
    ASSERT_TRUE(WaitUntil([&] { return frmPing->isVisible(); }, 2s));
    QTest::keyClicks(frmPing->Edit1, QStringLiteral("host-a"));
    frmPing->Edit2->setText(QStringLiteral("Not Found"));

    window->IPInfo1->trigger();
    ASSERT_TRUE(WaitUntil([&] { return frmIPinfo->isVisible(); }, 2s));
    frmIPinfo->Edit1->setText(QStringLiteral("alpha"));
    frmIPinfo->ListBox1->clear();
    frmIPinfo->ListBox1->addItems({QStringLiteral("127.0.0.1"), QStringLiteral("10.0.0.7")});

    const QPointer<QDialog> ping = frmPing;
    const QPointer<QDialog> info = frmIPinfo;
    EXPECT_TRUE(frmPing->close());
    EXPECT_TRUE(frmIPinfo->close());
    QApplication::processEvents();
    ASSERT_FALSE(ping.isNull());
    ASSERT_FALSE(info.isNull());
    EXPECT_FALSE(frmPing->isVisible());
    EXPECT_FALSE(frmIPinfo->isVisible());

    window->Ping1->trigger();
    window->IPInfo1->trigger();
    ASSERT_TRUE(WaitUntil([&] { return frmPing->isVisible() && frmIPinfo->isVisible(); }, 2s));
    EXPECT_EQ(frmPing->Edit1->text(), QStringLiteral("host-a"));
    EXPECT_EQ(frmPing->Edit2->text(), QStringLiteral("Not Found"));
    EXPECT_EQ(frmIPinfo->Edit1->text(), QStringLiteral("alpha"));
    ASSERT_EQ(frmIPinfo->ListBox1->count(), 2);
    EXPECT_EQ(frmIPinfo->ListBox1->item(1)->text(), QStringLiteral("10.0.0.7"));
}

TEST_F(DialogsTest, IPInfoOkHidesTheDialog)
{
    ShowWindow();
    window->IPInfo1->trigger();
    ASSERT_TRUE(WaitUntil([&] { return frmIPinfo->isVisible(); }, 2s));
    const QPointer<QDialog> info = frmIPinfo;
    EXPECT_EQ(frmIPinfo->BitBtn1->text(), QStringLiteral("OK"));
    QTest::mouseClick(frmIPinfo->BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return !frmIPinfo->isVisible(); }, 2s));
    EXPECT_FALSE(info.isNull());
    window->IPInfo1->trigger();
    EXPECT_TRUE(WaitUntil([&] { return frmIPinfo->isVisible(); }, 2s));
}

// Runs the real echo probe: with an empty field it looks up the local host, inside this process's
// private network namespace.
TEST_F(DialogsTest, PingWithAnEmptyFieldShowsAVerdictAndNoMessage)
{
    ShowWindow();
    window->Ping1->trigger();
    ASSERT_TRUE(WaitUntil([&] { return frmPing->isVisible(); }, 2s));
    ASSERT_TRUE(frmPing->Edit1->text().isEmpty());
    ASSERT_TRUE(frmPing->Edit2->text().isEmpty());
    MessageBoxCatcher messages;
    QTest::mouseClick(frmPing->Button1, Qt::LeftButton);
    QApplication::processEvents();
    const QString verdict = frmPing->Edit2->text();
    EXPECT_TRUE(verdict == QStringLiteral("Found") || verdict == QStringLiteral("Not Found")) << verdict.toStdString();
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(messages.Dialogs(), 0);
}

} // namespace
} // namespace uitest
