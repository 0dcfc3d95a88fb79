// The main window as the user meets it: start state, menus and shortcuts, the results table and the
// hidden log, opening a host, the link label, and commands during a scan.

#include "program.h"

#include "support/nbstat_samples.h"
#include "support/ui_helpers.h"
#include "ui/aboutbox.h"
#include "ui/design.h"
#include "ui/frmipinfo.h"
#include "ui/frmping.h"
#include "ui/loglistbox.h"
#include "ui/picturepanel.h"
#include "ui/spinedit.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>

using namespace std::chrono_literals;

// Readable geometry in test failure messages.
inline void PrintTo(const QRect& r, std::ostream* os)
{
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}
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
        window->Engine().Endpoint().ParseNBStatReply(reply.data(), static_cast<int>(reply.size()), address);
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
    EXPECT_EQ(window->Engine().State().TimeOut.load(), 100);
    // With loopback alone no address of the machine is listed, and the range proposed is 1 to 255.
    EXPECT_EQ(window->ComboBox1->count(), 0);
    EXPECT_EQ(window->ComboBox1->currentText(), "1");
    EXPECT_EQ(window->Edit2->text(), "255");
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
    const MessageBoxCatcher modals([&](QDialog* modal) {
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

TEST_F(MainWindowTest, QuickHostsGoOnTopWithTheirCellsAndTheirBlocksInTheLog)
{
    const scan::QuickHost alpha{.address = "127.0.0.2",
                                .tableFound = true,
                                .names = {"ALPHA          <20><UNIQUE>", "WG             <0><GROUP>"},
                                .hostName = "ALPHA          ",
                                .workgroup = "WG             ",
                                .mac = "00.0C.29.AB.CD.EF"};
    const scan::QuickHost beta{.address = "127.0.0.3",
                               .tableFound = true,
                               .names = {"BETA           <20><UNIQUE>", "BETA           <3><UNIQUE>"},
                               .hostName = "BETA           ",
                               .mac = "01.02.03.04.05.06"};
    const scan::QuickHost bare{.address = "127.0.0.4"}; // a datagram without a name table
    window->AddQuickHost(alpha);
    window->AddQuickHost(beta);
    window->AddQuickHost(bare);

    EXPECT_EQ(Captions(), (std::vector<QString>{"127.0.0.4", "127.0.0.3", "127.0.0.2"}));
    EXPECT_EQ(Rows().CellCount(2), 5);
    EXPECT_EQ(Rows().Cell(2, 0), "Found");
    EXPECT_EQ(Rows().Cell(2, 1), "ALPHA          ");
    EXPECT_EQ(Rows().Cell(2, 2), "00.0C.29.AB.CD.EF");
    EXPECT_EQ(Rows().Cell(2, 3), "WG             ");
    EXPECT_EQ(Rows().Cell(2, 4), "");
    EXPECT_EQ(Rows().Cell(1, 3), "");
    EXPECT_EQ(Rows().Cell(0, 0), "Found");
    EXPECT_EQ(Rows().Cell(0, 1), "");
    EXPECT_EQ(*Rows().LogAnchor(2), 1);
    EXPECT_EQ(*Rows().LogAnchor(1), 6);
    EXPECT_EQ(*Rows().LogAnchor(0), 11);
    const std::vector<QString> expected = {"IP: 127.0.0.2",
                                           "ALPHA          <20><UNIQUE>",
                                           "WG             <0><GROUP>",
                                           "MAC:00.0C.29.AB.CD.EF",
                                           QString(54, QLatin1Char('-')),
                                           "IP: 127.0.0.3",
                                           "BETA           <20><UNIQUE>",
                                           "BETA           <3><UNIQUE>",
                                           "MAC:01.02.03.04.05.06",
                                           QString(54, QLatin1Char('-')),
                                           "IP: 127.0.0.4"};
    EXPECT_EQ(Log().Lines(), expected);
    EXPECT_EQ(Log().TopIndex(), 9);
    EXPECT_EQ(window->Edit5->text(), "3");
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
    SetRange(QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.3"), 20);
    window->Start1->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !window->ScanRunning(); }, 5s));
    EXPECT_TRUE(WaitUntil([&] { return Rows().rowCount() == 2; }, 5s)) << Rows().rowCount() << " rows";
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(QStringLiteral(" | ")).toStdString();
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

// A Thorough scan of the private loopback, cleared while it runs: the cells of rows cleared away are
// dropped, and the rows after the Clear keep their own.
TEST_F(MainWindowTest, ClearDuringAThoroughScanDropsLateCellsAndKeepsListing)
{
    ShowWindow();
    Log().AddLine(QStringLiteral("from an earlier scan"));
    SetRange(QStringLiteral("127.0.9.1"), QStringLiteral("127.0.9.200"), 0);
    window->rbThorough->setChecked(true);
    window->ToolButton1Click();
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() >= 2; }, 20s));
    EXPECT_EQ(Log().Line(0), QStringLiteral("from an earlier scan")); // Start keeps the log
    window->ToolButton5Click();
    EXPECT_EQ(Rows().Count(), 0);
    EXPECT_EQ(Log().Count(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() >= 3; }, 20s));
    window->ToolButton2Click();
    ASSERT_TRUE(WaitForScanEnd());
    for (int i = 0; i < Rows().Count(); ++i)
        EXPECT_LE(Rows().CellCount(i), 3);
    // Every row after the Clear that completed has its own three cells, none from a vanished row.
    for (int i = 0; i + 1 < Rows().Count(); ++i)
        EXPECT_EQ(Rows().CellCount(i), 3);
}

// The WCAG contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double Contrast(QRgb a, QRgb b)
{
    const auto luminance = [](QRgb c) {
        const auto channel = [](int v) {
            const double s = v / 255.0;
            return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The application palette that a dark desktop theme hands the program: light text on dark faces.
QPalette DarkDesktop()
{
    QPalette pal;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor text = group == QPalette::Disabled ? QColor(145, 145, 145) : QColor(255, 255, 255);
        for (const QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText,
              QPalette::HighlightedText, QPalette::ToolTipText, QPalette::PlaceholderText})
            pal.setColor(group, role, text);
        pal.setColor(group, QPalette::Window, QColor(36, 36, 36));
        pal.setColor(group, QPalette::Base, QColor(30, 30, 30));
        pal.setColor(group, QPalette::AlternateBase, QColor(45, 45, 45));
        pal.setColor(group, QPalette::Button, QColor(53, 53, 53));
        pal.setColor(group, QPalette::Light, QColor(80, 80, 80));
        pal.setColor(group, QPalette::Midlight, QColor(66, 66, 66));
        pal.setColor(group, QPalette::Mid, QColor(45, 45, 45));
        pal.setColor(group, QPalette::Dark, QColor(25, 25, 25));
        pal.setColor(group, QPalette::Shadow, QColor(0, 0, 0));
        pal.setColor(group, QPalette::Highlight, QColor(53, 132, 228));
        pal.setColor(group, QPalette::ToolTipBase, QColor(20, 20, 20));
    }
    return pal;
}

// The program started on a desktop with a dark theme.
class DarkDesktopTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        saved_ = QApplication::palette();
        QApplication::setPalette(DarkDesktop());
        MainWindowTest::SetUp();
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        QApplication::setPalette(saved_);
    }

private:
    QPalette saved_;
};

// Every text of the window and the dialogs, as drawn, against what is drawn behind it: each window is
// drawn twice, with its texts and with every text colour made transparent, and in each text's place
// the pixels that differ are the text's, the others the background's.
TEST_F(DarkDesktopTest, EveryTextOfTheWindowAndTheDialogsReachesAContrastOfFourAndAHalf)
{
    ShowWindow();
    AddQuickHost(QStringLiteral("10.0.0.1"), "HOSTA");
    AddQuickHost(QStringLiteral("10.0.0.2"), "HOSTB");
    window->ListView1->selectRow(0);
    window->Edit4->setText(QStringLiteral("10.0.0.3"));
    window->Edit5->setText(QStringLiteral("12"));
    frmPing->Edit1->setText(QStringLiteral("10.0.0.1"));
    frmPing->Edit2->setText(QStringLiteral("Not Found"));
    frmIPinfo->Edit1->setText(QStringLiteral("alpha"));
    frmIPinfo->ListBox1->addItem(QStringLiteral("10.0.0.7"));
    frmPing->show();
    frmIPinfo->show();
    aboutbox->show(); // drawn, not run modal
    ASSERT_TRUE(WaitUntil([] { return frmPing->isVisible() && frmIPinfo->isVisible() && aboutbox->isVisible(); }, 2s));
    window->setFocus(); // no text cursor in the pictures
    ASSERT_TRUE(WaitUntil([&] { return window->ListView1->updatesEnabled(); }, 2s)); // new rows are shown

    struct Text {
        QString name;
        QWidget* top;
        QRect place; // in the window's coordinates
    };
    std::vector<Text> texts;
    const auto placeOf = [](QWidget* w, const QRect& r) { return QRect(w->mapTo(w->window(), r.topLeft()), r.size()); };
    std::vector<QWidget*> tops = {window.get(), frmPing, frmIPinfo, aboutbox};
    const auto widgetsOf = [](QWidget* top) {
        QList<QWidget*> all = top->findChildren<QWidget*>();
        all.append(top);
        return all;
    };
    for (QWidget* top : tops) {
        for (QWidget* w : widgetsOf(top)) {
            if (!w->isVisible() || w->window() != top)
                continue;
            QString text;
            if (auto* label = qobject_cast<QLabel*>(w))
                text = label->text();
            else if (auto* button = qobject_cast<QAbstractButton*>(w))
                text = button->text();
            else if (auto* edit = qobject_cast<QLineEdit*>(w))
                text = edit->text();
            if (!text.isEmpty())
                texts.push_back(
                    {top->objectName() + "." + w->objectName() + " \"" + text + "\"", top, placeOf(w, w->rect())});
        }
    }
    for (QAction* title : window->menuBar()->actions()) {
        tops.push_back(title->menu());
        texts.push_back({"menu bar \"" + title->text() + "\"", window.get(),
                         placeOf(window->menuBar(), window->menuBar()->actionGeometry(title))});
        for (QAction* item : title->menu()->actions())
            if (!item->isSeparator())
                texts.push_back(
                    {"menu item \"" + item->text() + "\"", title->menu(), title->menu()->actionGeometry(item)});
    }
    QHeaderView* header = window->ListView1->horizontalHeader();
    for (int i = 0; i < 5; ++i)
        texts.push_back(
            {"column " + Rows().headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(), window.get(),
             placeOf(header->viewport(),
                     QRect(header->sectionViewportPosition(i), 0, header->sectionSize(i), header->height()))});
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 5; ++column)
            texts.push_back(
                {QStringLiteral("table cell %1,%2").arg(row).arg(column), window.get(),
                 placeOf(window->ListView1->viewport(), window->ListView1->visualRect(Rows().index(row, column)))});
    texts.push_back(
        {"IP Info address", frmIPinfo,
         placeOf(frmIPinfo->ListBox1->viewport(), frmIPinfo->ListBox1->visualItemRect(frmIPinfo->ListBox1->item(0)))});

    // Menus are drawn as they open.
    const auto drawAll = [&] {
        std::map<QWidget*, QImage> images;
        for (QWidget* top : tops) {
            if (auto* menu = qobject_cast<QMenu*>(top)) {
                menu->popup(QPoint(0, 0));
                EXPECT_TRUE(WaitUntil([&] { return menu->isVisible(); }, 2s));
                images[top] = menu->grab().toImage();
                menu->hide();
            } else {
                images[top] = top->grab().toImage();
            }
        }
        return images;
    };
    const std::map<QWidget*, QImage> drawn = drawAll();
    for (QWidget* top : tops)
        for (QWidget* w : widgetsOf(top)) {
            QPalette pal = w->palette();
            for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                for (const QPalette::ColorRole role :
                     {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText,
                      QPalette::HighlightedText, QPalette::PlaceholderText})
                    pal.setColor(group, role, Qt::transparent);
            w->setPalette(pal);
        }
    const std::map<QWidget*, QImage> bare = drawAll();

    ASSERT_GE(texts.size(), 60U);
    for (const Text& t : texts) {
        const QImage& with = drawn.at(t.top);
        const QImage& without = bare.at(t.top);
        ASSERT_EQ(with.devicePixelRatio(), 1.0);
        double best = 1.0;
        int inked = 0;
        const QRect place = t.place.intersected(with.rect());
        for (int y = place.top(); y <= place.bottom(); ++y)
            for (int x = place.left(); x <= place.right(); ++x)
                if (const QRgb ink = with.pixel(x, y), ground = without.pixel(x, y); ink != ground) {
                    ++inked;
                    best = std::max(best, Contrast(ink, ground));
                }
        EXPECT_GT(inked, 0) << t.name.toStdString() << " is not drawn";
        EXPECT_GE(best, 4.5) << t.name.toStdString();
    }
}

// The key paths a user of the design's platform tries, with the captions as designed: Alt into the
// menu bar, Alt and a menu's first letter from any field, an item's first letter, Escape for Stop, Tab
// through the fields in visual order, and Enter on the link.
TEST_F(MainWindowTest, KeysReachTheMenusTheirItemsStopAndEveryFieldInVisualOrder)
{
    ShowWindow();
    QMenuBar* bar = window->menuBar();
    const QList<QAction*> titles = bar->actions();
    ASSERT_EQ(titles.size(), 5);
    const auto focused = [] { return QApplication::focusWidget(); };
    const std::pair<QString, QStringList> captions[] = {{"File", {"Save", "Print", "Exit"}},
                                                        {"Edit", {"Clear"}},
                                                        {"Run", {"Start", "Pause", "Stop"}},
                                                        {"Tools", {"Ping", "IP Info"}},
                                                        {"Help", {"About"}}};
    for (int i = 0; i < titles.size(); ++i) {
        QStringList items;
        for (const QAction* item : titles[i]->menu()->actions())
            if (!item->isSeparator())
                items.append(item->text());
        EXPECT_EQ(titles[i]->menu()->title(), captions[i].first);
        EXPECT_EQ(items, captions[i].second);
    }

    // Alt alone: into the menu bar, where the arrows walk; Escape leaves it.
    QTest::keyPress(focused(), Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(focused(), Qt::Key_Alt, Qt::NoModifier);
    EXPECT_EQ(bar->activeAction(), titles[0]);
    QTest::keyClick(focused(), Qt::Key_Right);
    EXPECT_EQ(bar->activeAction(), titles[1]);
    QTest::keyClick(focused(), Qt::Key_Escape);
    EXPECT_EQ(bar->activeAction(), nullptr);

    // Tab: the range, the wait, the mode, the table (which Tab leaves at once, rows or not), the
    // status fields and the link, and round again. The two modes are one stop, as a group of radio
    // buttons is on every desktop: Tab reaches the mode last chosen, the arrows the other.
    AddQuickHost(QStringLiteral("10.0.0.1"), "HOSTA");
    window->ComboBox1->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return window->ComboBox1->hasFocus(); }, 2s));
    const auto tabTo = [&](QWidget* next, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focused(), Qt::Key_Tab, modifiers);
        QWidget* now = focused();
        return now == next || next->isAncestorOf(now) ? ::testing::AssertionSuccess()
                                                      : ::testing::AssertionFailure()
                << "Tab went to " << (now != nullptr ? now->objectName().toStdString() : "nothing") << " instead of "
                << next->objectName().toStdString();
    };
    for (QWidget* next : std::vector<QWidget*>{window->Edit2, window->SpinEdit1, window->rbQuick})
        ASSERT_TRUE(tabTo(next));
    QTest::keyClick(focused(), Qt::Key_Right);
    ASSERT_TRUE(window->rbThorough->hasFocus());
    EXPECT_TRUE(window->rbThorough->isChecked());
    for (QWidget* next :
         std::vector<QWidget*>{window->ListView1, window->Edit4, window->Edit5, window->Label5, window->ComboBox1})
        ASSERT_TRUE(tabTo(next));
    for (QWidget* back :
         std::vector<QWidget*>{window->Label5, window->Edit5, window->Edit4, window->ListView1, window->rbThorough})
        ASSERT_TRUE(tabTo(back, Qt::ShiftModifier));
    QTest::keyClick(focused(), Qt::Key_Left);
    EXPECT_TRUE(window->rbQuick->isChecked());

    // The link opens from the keyboard.
    {
        ShellRecorder shell;
        window->Label5->setFocus();
        QTest::keyClick(window->Label5, Qt::Key_Return);
        QTest::keyClick(window->Label5, Qt::Key_Space);
        ASSERT_EQ(shell.Requests().size(), 2U);
        EXPECT_EQ(shell.Requests()[0].file, "http://www.nodewick.example.org");
    }

    // Alt and the first letter open each menu from every field; Escape closes it, a second Escape
    // leaves the menu bar for the field again. In the dialogs the keys open nothing.
    const auto open = [&](QMenu* menu) {
        QTest::keyClick(focused(), Qt::Key(menu->title().at(0).unicode()), Qt::AltModifier);
        return WaitUntil([&] { return menu->isVisible(); }, 2s);
    };
    const std::vector<QWidget*> fields
        = {window->ComboBox1, window->Edit2, window->SpinEdit1, window->rbQuick, window->rbThorough,
           window->ListView1, window->Edit4, window->Edit5,     window->Label5};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        QAction* title = titles[static_cast<int>(i) % titles.size()];
        SCOPED_TRACE(fields[i]->objectName().toStdString() + ", " + title->text().toStdString());
        fields[i]->setFocus();
        QWidget* field = focused();
        ASSERT_TRUE(field == fields[i] || fields[i]->isAncestorOf(field));
        ASSERT_TRUE(open(title->menu()));
        EXPECT_EQ(bar->activeAction(), title);
        QTest::keyClick(title->menu(), Qt::Key_Escape);
        EXPECT_FALSE(title->menu()->isVisible());
        EXPECT_EQ(bar->activeAction(), title);
        QTest::keyClick(focused(), Qt::Key_Escape);
        EXPECT_EQ(bar->activeAction(), nullptr);
        EXPECT_EQ(focused(), field);
    }
    for (QWidget* dialog : std::vector<QWidget*>{frmPing, frmIPinfo, aboutbox}) {
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == dialog; }, 2s));
        QTest::keyClick(focused(), Qt::Key_F, Qt::AltModifier);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << dialog->objectName().toStdString();
        dialog->hide();
    }
    Activate(window.get());

    // In an open menu, the first letter of the one enabled item that starts with it chooses that item.
    // What the items do is tested on their own; here they only report that they were chosen.
    for (QAction* title : titles)
        for (QAction* item : title->menu()->actions())
            QObject::disconnect(item, nullptr, window.get(), nullptr);
    const std::pair<Qt::Key, QAction*> unique[] = {
        {Qt::Key_S, window->Save1},  {Qt::Key_P, window->Print1}, {Qt::Key_E, window->Exit1},
        {Qt::Key_C, window->Clear1}, {Qt::Key_P, window->Ping1},  {Qt::Key_I, window->IPInfo1},
        {Qt::Key_A, window->About1},
    };
    for (const auto& [letter, item] : unique) {
        SCOPED_TRACE(item->text().toStdString());
        auto* menu = qobject_cast<QMenu*>(item->parent());
        QSignalSpy chosen(item, &QAction::triggered);
        ASSERT_TRUE(open(menu));
        QTest::keyClick(menu, letter);
        EXPECT_EQ(chosen.count(), 1);
        ASSERT_TRUE(WaitUntil([&] { return !menu->isVisible(); }, 2s));
    }
    // Where items share the letter, each press moves to the next of them, in either case; Enter
    // chooses. "Pause" is disabled: its letter does nothing.
    QMenu* run = titles[2]->menu();
    QSignalSpy started(window->Start1, &QAction::triggered);
    QSignalSpy stopped(window->Stop1, &QAction::triggered);
    ASSERT_TRUE(open(run));
    QTest::keyClick(run, Qt::Key_P);
    EXPECT_EQ(run->activeAction(), nullptr);
    for (QAction* next : {window->Start1, window->Stop1, window->Start1, window->Stop1}) {
        QTest::keyClick(run, Qt::Key_S, next == window->Stop1 ? Qt::ShiftModifier : Qt::NoModifier);
        EXPECT_EQ(run->activeAction(), next);
    }
    EXPECT_TRUE(run->isVisible());
    EXPECT_EQ(started.count() + stopped.count(), 0);
    QTest::keyClick(run, Qt::Key_Return);
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_EQ(started.count(), 0);
    ASSERT_TRUE(WaitUntil([&] { return !run->isVisible(); }, 2s));
    Activate(window.get()); // the offscreen platform leaves the last menu active

    // Escape without a scan does nothing; during one it stops it as Stop does.
    MessageBoxCatcher messages;
    window->ListView1->setFocus();
    window->Edit5->setText(QStringLiteral("idle"));
    QTest::keyClick(focused(), Qt::Key_Escape);
    EXPECT_EQ(window->Edit5->text(), QStringLiteral("idle"));
    // Each loopback address answers with "port unreachable": one row and one log line per address, so
    // the count reads the same whether Stop or a late reply wrote it last.
    window->ToolButton5->click();
    SetRange(QStringLiteral("127.0.0.1"), QStringLiteral("127.0.255.255"), 20);
    window->ToolButton1->click();
    ASSERT_TRUE(window->ScanRunning());
    ASSERT_TRUE(WaitUntil([&] { return window->Edit4->text().startsWith(QStringLiteral("127.0.")); }, 5s));
    QTest::keyClick(focused(), Qt::Key_Escape);
    EXPECT_TRUE(window->Engine().State().StopScan.load());
    ASSERT_TRUE(WaitUntil([&] { return !window->ScanRunning(); }, 10s));
    EXPECT_TRUE(window->Edit4->text().isEmpty());
    EXPECT_EQ(window->Edit5->text(), QString::number(Log().Count()));
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(QStringLiteral(" | ")).toStdString();
}

// What a screen reader hears of each field: the caption of the label beside it, without its colon;
// the start field, which the toolkit names by its contents, through its label. The table announces its
// column captions.
TEST_F(MainWindowTest, FieldsAreAnnouncedByTheirLabelsAndTheTableByItsColumnCaptions)
{
    ShowWindow();
    const auto accessible = [](QObject* o) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(o);
        EXPECT_NE(a, nullptr);
        return a;
    };
    const struct {
        QWidget* field;
        const char* name;
    } fields[] = {
        {window->Edit2, "End IP"}, {window->SpinEdit1, "Timeout"}, {window->Edit4, "Current IP Address"},
        {window->Edit5, "Count"},  {frmPing->Edit1, "IP Address"},
    };
    window->Edit2->setText(QStringLiteral("10.0.0.255"));
    window->Edit4->setText(QStringLiteral("10.0.0.3"));
    window->Edit5->setText(QStringLiteral("7"));
    frmPing->Edit1->setText(QStringLiteral("host-a"));
    for (const auto& f : fields) {
        SCOPED_TRACE(f.name);
        QAccessibleInterface* a = accessible(f.field);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromLatin1(f.name));
        const auto labels = a->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels[0].first->text(QAccessible::Name), QString::fromLatin1(f.name));
    }

    // The editable start field reports its text as its name; its label carries the caption.
    window->ComboBox1->setEditText(QStringLiteral("10.0.0.1"));
    QAccessibleInterface* start = accessible(window->ComboBox1);
    ASSERT_NE(start, nullptr);
    const auto labels = start->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->text(QAccessible::Name), QStringLiteral("Start IP"));
    EXPECT_EQ(labels[0].first->object(), window->Label1);
    EXPECT_EQ(accessible(window->ComboBox1->lineEdit())->text(QAccessible::Name), QStringLiteral("Start IP"));

    QAccessibleInterface* table = accessible(window->ListView1);
    ASSERT_NE(table, nullptr);
    QAccessibleTableInterface* cells = table->tableInterface();
    ASSERT_NE(cells, nullptr);
    const QStringList captions = {"IP Address", "Status", "Host Name", "MAC Address", "WorkGrp/Domain", ""};
    ASSERT_EQ(cells->columnCount(), 6);
    QStringList headers;
    for (int i = 0; i < table->childCount(); ++i)
        if (QAccessibleInterface* child = table->child(i); child->role() == QAccessible::ColumnHeader)
            headers.append(child->text(QAccessible::Name));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(cells->columnDescription(i), captions[i]) << "column " << i;
    EXPECT_EQ(headers, captions);
}

// The designed place, left 493 and top 189, lies partly off a small screen: the window moves the least
// distance that brings it inside, and where it is larger than the screen it goes to the corner and
// shrinks, the table giving up the room.
TEST_F(MainWindowTest, WindowLiesInsideASmallScreen)
{
    const QSize client(760, 504);
    const QRect designed(QPoint(493, 189), client.grownBy(design::kDesignFrame));
    ASSERT_EQ(designed.size(), QSize(776, 543));
    EXPECT_EQ(design::FitFrame(designed, QRect(0, 0, 1920, 1040)), designed);
    EXPECT_EQ(design::FitFrame(designed, QRect(0, 0, 1024, 740)), QRect(248, 189, 776, 543));
    EXPECT_EQ(design::FitFrame(designed, QRect(0, 32, 1366, 736)), QRect(493, 189, 776, 543));
    EXPECT_EQ(design::FitFrame(designed, QRect(0, 32, 1366, 690)), QRect(493, 179, 776, 543));
    EXPECT_EQ(design::FitFrame(designed.translated(-600, -300), QRect(0, 0, 1024, 768)), QRect(0, 0, 776, 543));
    // Scale 2 on 1600 x 1000: an 800 x 500 area for a framed window of 762 x 517.
    EXPECT_EQ(design::FitFrame(QRect(493, 189, 762, 517), QRect(0, 0, 800, 500)), QRect(0, 0, 762, 500));

    // The test screen (offscreen: 800 x 800) holds the window's size but not its designed place.
    ShowWindow();
    const QRect area = window->screen()->availableGeometry();
    ASSERT_FALSE(area.contains(designed)) << "the test screen is not smaller than the designed place";
    const QRect frame = window->frameGeometry();
    EXPECT_TRUE(area.contains(frame));
    EXPECT_EQ(window->size(), client);
    // The offscreen frame is 2 pixels wide: the window moves left just far enough.
    EXPECT_EQ(frame, QRect(36, 189, 764, 508));

    // On a screen smaller than the window, the table alone gives up the room.
    const int tableHeight = window->ListView1->height();
    const int bandHeight = window->CoolBar1->height();
    window->resize(client.width(), client.height() - 43);
    ASSERT_TRUE(WaitUntil([&] { return window->ListView1->height() == tableHeight - 43; }, 2s))
        << "table " << window->ListView1->height();
    EXPECT_EQ(window->CoolBar1->height(), bandHeight);
    EXPECT_EQ(window->Panel1->geometry().bottom(), window->centralWidget()->height() - 1);
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
