// The main window as the user meets it: start state, menus and shortcuts, the results table and the
// hidden log, opening a host, the link label, and commands during a scan.

#include "program.h"

#include "scan/udp.h"
#include "support/nbstat_samples.h"
#include "support/ui_helpers.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/loglistbox.h"
#include "ui/picturepanel.h"
#include "ui/spinedit.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrintDialog>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <chrono>

using namespace std::chrono_literals;
using testsupport::MessageBoxCatcher;
using testsupport::WaitUntil;

namespace uitest {
namespace {

// The detail-log lines that one host's reply adds: "IP: ", its three names, MAC, separator.
constexpr int kLinesPerHost = 6;

class MainWindowTest : public ProgramTest {
protected:
    void AddQuickHost(const QString& address, const std::string& name)
    {
        const std::vector<std::uint8_t> reply
            = samples::Workstation(name, "WORKGROUP", {0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF});
        window->ParseNBStatReply(reply.data(), static_cast<int>(reply.size()), address);
    }

    void ClickRow(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QRect cell = window->ListView1->visualRect(window->Results()->index(row, column));
        ASSERT_TRUE(cell.isValid());
        QTest::mouseClick(window->ListView1->viewport(), Qt::LeftButton, modifiers, cell.center());
    }

    QList<int> SelectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex& index : window->ListView1->selectionModel()->selectedRows())
            rows.append(index.row());
        return rows;
    }
};

TEST_F(MainWindowTest, StartsWithTitleQuickModeWaitOfHundredAndEmptyTable)
{
    ShowWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Nodewick v1.02"));
    EXPECT_TRUE(window->rbQuick->isChecked());
    EXPECT_FALSE(window->rbThorough->isChecked());
    EXPECT_EQ(window->SpinEdit1->Text(), QStringLiteral("100"));
    EXPECT_EQ(udp::TimeOut.load(), 100);
    EXPECT_EQ(Rows().rowCount(), 0);
    EXPECT_TRUE(window->Edit4->text().isEmpty());
    EXPECT_TRUE(window->Edit5->text().isEmpty());

    const QStringList captions = {"IP Address", "Status", "Host Name", "MAC Address", "WorkGrp/Domain", ""};
    const int widths[] = {150, 60, 150, 150, 120, 150};
    ASSERT_EQ(Rows().columnCount(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Rows().headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(), captions[i]) << "column " << i;
        EXPECT_EQ(window->ListView1->horizontalHeader()->sectionSize(i), widths[i]) << "column " << i;
    }

    // The log pane is kept but never shown.
    EXPECT_FALSE(window->ListBox1->isVisible());
    EXPECT_FALSE(window->Splitter1->isVisible());
    EXPECT_EQ(Log().Count(), 0);
}

TEST_F(MainWindowTest, LinkLabelStaysAtTheStripsRightAndBottomEdges)
{
    ShowWindow();
    QLabel* link = window->Label5;
    EXPECT_EQ(link->x(), 561);
    const int rightGap = window->Panel1->width() - link->geometry().right();
    const int bottomGap = window->Panel1->height() - link->geometry().bottom();
    window->resize(window->width() + 100, window->height() + 60);
    ASSERT_TRUE(WaitUntil([&] { return link->x() == 661; }, 2s)) << "link label at x " << link->x();
    EXPECT_EQ(window->Panel1->width() - link->geometry().right(), rightGap);
    EXPECT_EQ(window->Panel1->height() - link->geometry().bottom(), bottomGap);
}

TEST_F(MainWindowTest, LinkLabelOpensTheMakersSite)
{
    ShowWindow();
    EXPECT_EQ(window->Label5->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(window->Label5->font().bold());
    EXPECT_TRUE(window->Label5->font().underline());
    ShellRecorder shell;
    QTest::mouseClick(window->Label5, Qt::LeftButton);
    ASSERT_EQ(shell.Requests().size(), 1U);
    const wshell::ShellRequest& r = shell.Requests()[0];
    EXPECT_FALSE(r.hasOwner);
    EXPECT_EQ(r.verb, "open");
    EXPECT_EQ(r.file, "http://www.nodewick.example.org");
    EXPECT_FALSE(r.parameters.has_value());
    EXPECT_FALSE(r.directory.has_value());
    EXPECT_EQ(r.showCommand, wshell::SW_SHOWNORMAL);
}

TEST_F(MainWindowTest, SaveAndPrintShortcutsAndButtonsOpenTheirDialogs)
{
    ShowWindow();
    QStringList opened;
    ModalWatcher watcher([&](QWidget* modal) {
        if (qobject_cast<QFileDialog*>(modal) != nullptr)
            opened.append(QStringLiteral("save"));
        else if (qobject_cast<QPrintDialog*>(modal) != nullptr)
            opened.append(QStringLiteral("print"));
        else
            opened.append(QString::fromLatin1(modal->metaObject()->className()));
        QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    });
    QTest::keyClick(window.get(), Qt::Key_F2);
    Activate(window.get()); // shortcuts reach the active window, which the closed dialog hands back late
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    window->ToolButton6->click();
    window->ToolButton9->click();
    EXPECT_EQ(opened, QStringList({"save", "print", "save", "print"}));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, F10ClosesTheWindow)
{
    ShowWindow();
    QSignalSpy closed(window.get(), &Tfrmmain::Closed);
    QTest::keyClick(window.get(), Qt::Key_F10);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(MainWindowTest, ExitButtonClosesTheWindow)
{
    ShowWindow();
    QSignalSpy closed(window.get(), &Tfrmmain::Closed);
    window->ToolButton7->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(MainWindowTest, ClearEmptiesTableAndLogAndLeavesTheRest)
{
    AddQuickHost(QStringLiteral("10.0.0.1"), "HOSTA");
    AddQuickHost(QStringLiteral("10.0.0.2"), "HOSTB");
    ASSERT_EQ(Rows().rowCount(), 2);
    ASSERT_EQ(Log().Count(), 2 * kLinesPerHost);
    EXPECT_EQ(Rows().Cell(0, 1), QStringLiteral("HOSTB          "));
    EXPECT_EQ(Rows().Cell(0, 2), QStringLiteral("00.0C.29.AB.CD.EF"));

    window->ComboBox1->setEditText(QStringLiteral("10.0.0.1"));
    window->Edit2->setText(QStringLiteral("10.0.0.255"));
    window->SpinEdit1->SetValue(250);
    window->rbThorough->setChecked(true);
    window->Edit4->setText(QStringLiteral("10.0.0.3"));
    window->Edit5->setText(QStringLiteral("2"));

    window->Clear1->trigger();
    EXPECT_EQ(Rows().rowCount(), 0);
    EXPECT_EQ(Log().Count(), 0);
    EXPECT_EQ(window->ComboBox1->currentText(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(window->Edit2->text(), QStringLiteral("10.0.0.255"));
    EXPECT_EQ(window->SpinEdit1->Value(), 250);
    EXPECT_TRUE(window->rbThorough->isChecked());
    EXPECT_EQ(window->Edit4->text(), QStringLiteral("10.0.0.3"));
    EXPECT_EQ(window->Edit5->text(), QStringLiteral("2"));

    // The log starts again from its first line, and so do the anchors of new rows.
    AddQuickHost(QStringLiteral("10.0.0.7"), "HOSTC");
    EXPECT_EQ(Rows().LogAnchor(0), 1);
    EXPECT_EQ(Log().Line(0), QStringLiteral("IP: 10.0.0.7"));

    window->ToolButton5->click();
    EXPECT_EQ(Rows().rowCount(), 0);
    EXPECT_EQ(Log().Count(), 0);
}

TEST_F(MainWindowTest, ClickOnAQuickRowScrollsTheLogToItsFirstLineAndOnAThoroughRowNot)
{
    ShowWindow();
    AddQuickHost(QStringLiteral("10.0.0.1"), "HOSTA"); // ends up in row 2, anchor 1
    AddQuickHost(QStringLiteral("10.0.0.2"), "HOSTB"); // row 1, anchor 7
    AddQuickHost(QStringLiteral("10.0.0.3"), "HOSTC"); // row 0, anchor 13
    window->AppendThoroughRow(QStringLiteral("10.0.0.9")); // row 3, no anchor
    ASSERT_EQ(Rows().rowCount(), 4);
    ASSERT_EQ(Rows().LogAnchor(1), 7);

    ClickRow(2, 0);
    EXPECT_EQ(Log().TopIndex(), 0);
    EXPECT_EQ(Log().Line(Log().TopIndex()), QStringLiteral("IP: 10.0.0.1"));

    // Any cell selects the whole row, and only one row is ever selected.
    ClickRow(1, 3);
    EXPECT_EQ(Log().TopIndex(), 6);
    EXPECT_EQ(SelectedRows(), QList<int>({1}));
    EXPECT_EQ(window->ListView1->selectionModel()->selectedIndexes().size(), 6);
    ClickRow(0, 4, Qt::ControlModifier);
    EXPECT_EQ(SelectedRows(), QList<int>({0}));
    EXPECT_EQ(Log().TopIndex(), 12);

    Log().SetTopIndex(3);
    ClickRow(3, 1);
    EXPECT_EQ(SelectedRows(), QList<int>({3}));
    EXPECT_EQ(Log().TopIndex(), 3);

    // The headers do not react: no column selection, no sorting.
    QHeaderView* header = window->ListView1->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 20, header->height() / 2));
    EXPECT_EQ(SelectedRows(), QList<int>({3}));
    EXPECT_EQ(Rows().Caption(0), QStringLiteral("10.0.0.3"));

    // A click below the last row selects nothing and moves nothing.
    const QRect last = window->ListView1->visualRect(Rows().index(3, 0));
    QTest::mouseClick(window->ListView1->viewport(), Qt::LeftButton, {}, QPoint(20, last.bottom() + 40));
    EXPECT_EQ(Log().TopIndex(), 3);
}

TEST_F(MainWindowTest, EveryRowShowsTheFirstRowPicture)
{
    AddQuickHost(QStringLiteral("10.0.0.1"), "HOSTA");
    window->AppendThoroughRow(QStringLiteral("10.0.0.9"));
    const QImage expected = QIcon(QStringLiteral(":/art/row0-host.png")).pixmap(16, 16).toImage();
    ASSERT_FALSE(expected.isNull());
    for (int row = 0; row < Rows().rowCount(); ++row) {
        const QIcon icon = Rows().data(Rows().index(row, 0), Qt::DecorationRole).value<QIcon>();
        ASSERT_FALSE(icon.isNull()) << "row " << row;
        EXPECT_EQ(icon.pixmap(16, 16).toImage(), expected) << "row " << row;
        for (int column = 1; column < 6; ++column)
            EXPECT_FALSE(Rows().data(Rows().index(row, column), Qt::DecorationRole).isValid());
    }
}

TEST_F(MainWindowTest, OpenInBrowserAndExplorerPassTheirTargetsToTheShell)
{
    ShellRecorder shell;
    AddQuickHost(QStringLiteral("10.0.0.5"), "HOSTA");

    // Nothing is selected yet.
    window->ToolButton10->click();
    window->ToolButton12->click();
    EXPECT_TRUE(shell.Requests().empty());

    window->ListView1->selectRow(0);
    window->ToolButton10->click();
    window->ToolButton12->click();
    ASSERT_EQ(shell.Requests().size(), 2U);
    const wshell::ShellRequest& browse = shell.Requests()[0];
    EXPECT_FALSE(browse.hasOwner);
    EXPECT_EQ(browse.verb, "open");
    EXPECT_EQ(browse.file, "http://10.0.0.5");
    EXPECT_FALSE(browse.parameters.has_value());
    EXPECT_FALSE(browse.directory.has_value());
    EXPECT_EQ(browse.showCommand, wshell::SW_SHOWNORMAL);
    const wshell::ShellRequest& explore = shell.Requests()[1];
    EXPECT_TRUE(explore.hasOwner);
    EXPECT_EQ(explore.verb, "explore");
    EXPECT_EQ(explore.file, "\\\\10.0.0.5\\");
    EXPECT_EQ(explore.parameters, std::optional<std::string>(""));
    EXPECT_EQ(explore.directory, std::optional<std::string>(""));
    EXPECT_EQ(explore.showCommand, wshell::SW_SHOWNORMAL);

    // The browser gets the caption as it is; the explorer target loses trailing blanks and controls.
    window->AppendThoroughRow(QStringLiteral("10.0.0.6 \t "));
    window->ListView1->selectRow(1);
    window->ToolButton10->click();
    window->ToolButton12->click();
    ASSERT_EQ(shell.Requests().size(), 4U);
    EXPECT_EQ(shell.Requests()[2].file, "http://10.0.0.6 \t ");
    EXPECT_EQ(shell.Requests()[3].file, "\\\\10.0.0.6\\");

    window->Clear1->trigger();
    window->ToolButton10->click();
    window->ToolButton12->click();
    EXPECT_EQ(shell.Requests().size(), 4U);
}

TEST_F(MainWindowTest, RunStartRunsTheStartButtonAndPauseStaysDisabled)
{
    EXPECT_FALSE(window->Pause1->isEnabled());
    MessageBoxCatcher messages;
    window->ComboBox1->setEditText(QStringLiteral("not an address"));
    window->Edit2->setText(QStringLiteral("127.0.0.3"));
    window->Start1->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !window->ScanRunning(); }, 5s));
    EXPECT_EQ(messages.Texts(), QStringList({"Invalid IP address!"}));
}

// A Quick scan of the private loopback: the queries go to 127.0.x.y, port 137, in this process's own
// network namespace.
TEST_F(MainWindowTest, EveryCommandStaysEnabledDuringAScanAndRunStopStopsIt)
{
    ShowWindow();
    MessageBoxCatcher messages;
    window->ComboBox1->setEditText(QStringLiteral("127.0.0.1"));
    window->Edit2->setText(QStringLiteral("127.0.255.255"));
    window->SpinEdit1->SetValue(20);
    window->ToolButton1->click();
    ASSERT_TRUE(window->ScanRunning());
    ASSERT_TRUE(WaitUntil([&] { return window->Edit4->text().startsWith(QStringLiteral("127.0.")); }, 5s));

    QList<QAction*> commands;
    for (QAction* menu : window->menuBar()->actions()) {
        EXPECT_TRUE(menu->isEnabled()) << menu->text().toStdString();
        for (QAction* item : menu->menu()->actions())
            if (!item->isSeparator() && item != window->Pause1)
                commands.append(item);
    }
    EXPECT_EQ(commands.size(), 9);
    for (QAction* command : commands)
        EXPECT_TRUE(command->isEnabled()) << command->text().toStdString();
    for (QToolButton* button : {window->ToolButton1, window->ToolButton2, window->ToolButton5, window->ToolButton6,
                                window->ToolButton9, window->ToolButton10, window->ToolButton12, window->ToolButton7})
        EXPECT_TRUE(button->isEnabled()) << button->text().toStdString();
    for (QWidget* field : {static_cast<QWidget*>(window->ComboBox1), static_cast<QWidget*>(window->Edit2),
                           static_cast<QWidget*>(window->SpinEdit1), static_cast<QWidget*>(window->rbQuick),
                           static_cast<QWidget*>(window->rbThorough), static_cast<QWidget*>(window->ListView1)})
        EXPECT_TRUE(field->isEnabled()) << field->objectName().toStdString();

    window->Clear1->trigger();
    EXPECT_EQ(Rows().rowCount(), 0);
    EXPECT_EQ(Log().Count(), 0);
    ASSERT_TRUE(window->ScanRunning());

    window->Stop1->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !window->ScanRunning(); }, 10s));
    EXPECT_TRUE(window->Edit4->text().isEmpty());
    EXPECT_EQ(window->Edit5->text(), QString::number(Log().Count()));
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(QStringLiteral(" | ")).toStdString();
}

TEST_F(MainWindowTest, TabGoesFromEndToWaitToStart)
{
    ShowWindow();
    window->Edit2->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return window->Edit2->hasFocus(); }, 2s));
    const auto focusedIn = [](QWidget* w) {
        QWidget* focus = QApplication::focusWidget();
        return focus != nullptr && (focus == w || w->isAncestorOf(focus));
    };
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(focusedIn(window->SpinEdit1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(focusedIn(window->ComboBox1));
}

TEST_F(MainWindowTest, ClosingTheStartListProposesTheRangeOfTheStartText)
{
    ShowWindow();
    QComboBox* start = window->ComboBox1;
    start->addItems({QStringLiteral("192.168.5.20"), QStringLiteral("10.1.2.3")});

    // Closed without a pick: the typed text decides, and the end field is overwritten.
    start->setEditText(QStringLiteral("10.0.0.7"));
    window->Edit2->setText(QStringLiteral("172.16.0.9"));
    start->showPopup();
    ASSERT_TRUE(WaitUntil([&] { return start->view()->isVisible(); }, 2s));
    start->hidePopup();
    ASSERT_TRUE(WaitUntil([&] { return window->Edit2->text() == QStringLiteral("10.0.0.255"); }, 2s))
        << window->Edit2->text().toStdString();
    EXPECT_EQ(start->currentText(), QStringLiteral("10.0.0.1"));

    // A picked entry decides.
    start->showPopup();
    ASSERT_TRUE(WaitUntil([&] { return start->view()->isVisible(); }, 2s));
    start->view()->setCurrentIndex(start->model()->index(1, 0));
    QTest::keyClick(start->view(), Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return window->Edit2->text() == QStringLiteral("10.1.2.255"); }, 2s))
        << window->Edit2->text().toStdString();
    EXPECT_EQ(start->currentText(), QStringLiteral("10.1.2.1"));
    EXPECT_EQ(start->count(), 2);
}

TEST_F(MainWindowTest, HidingTheWindowWithTheListClosedKeepsTheTypedRange)
{
    ShowWindow();
    window->ComboBox1->setEditText(QStringLiteral("10.0.0.7"));
    window->Edit2->setText(QStringLiteral("10.0.0.9"));
    window->hide();
    window->show();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window->ComboBox1->currentText(), QStringLiteral("10.0.0.7"));
    EXPECT_EQ(window->Edit2->text(), QStringLiteral("10.0.0.9"));
}

} // namespace
} // namespace uitest
