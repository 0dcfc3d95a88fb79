// The local addresses and the proposed range, in a scanner with two interfaces.
#include "support/lab_main.h"
#include "support/window_fixture.h"
#include "ui/frmipinfo.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

using namespace std::chrono_literals;

lab::Layout TestNetwork()
{
    lab::Layout layout;
    layout.scannerAddrs = {"198.18.7.21/24", "198.19.3.9/24"};
    layout.hostsFile = {{"198.18.7.21", "scanner-one.lab.example"}};
    return layout;
}

namespace {

using LocalAddresses = testsupport::WindowTest;

TEST_F(LocalAddresses, BothAreListedInOrderAndTheFirstProposesTheRange)
{
    ASSERT_EQ(window->ComboBox1->count(), 2);
    EXPECT_EQ(window->ComboBox1->itemText(0), "198.18.7.21");
    EXPECT_EQ(window->ComboBox1->itemText(1), "198.19.3.9");
    ASSERT_EQ(frmIPinfo->ListBox1->count(), 2);
    EXPECT_EQ(frmIPinfo->ListBox1->item(0)->text(), "198.18.7.21");
    EXPECT_EQ(frmIPinfo->ListBox1->item(1)->text(), "198.19.3.9");
    EXPECT_EQ(frmIPinfo->Edit1->text(), "scanner-one.lab.example");
    EXPECT_EQ(window->ComboBox1->currentText(), "198.18.7.1");
    EXPECT_EQ(window->Edit2->text(), "198.18.7.255");

    // Picking the other address and closing the list proposes its range, overwriting the end field.
    window->Edit2->setText("whatever");
    window->ComboBox1->setCurrentIndex(1);
    window->ComboBox1->showPopup();
    window->ComboBox1->hidePopup();
    testsupport::WaitUntil([&] { return window->Edit2->text() != "whatever"; }, 5s);
    EXPECT_EQ(window->ComboBox1->currentText(), "198.19.3.1");
    EXPECT_EQ(window->Edit2->text(), "198.19.3.255");
    // Closing the list after typing proposes from the typed text.
    window->ComboBox1->setEditText("10.0.0.7");
    window->ComboBox1->showPopup();
    window->ComboBox1->hidePopup();
    testsupport::WaitUntil([&] { return window->Edit2->text() == "10.0.0.255"; }, 5s);
    EXPECT_EQ(window->ComboBox1->currentText(), "10.0.0.1");
    EXPECT_EQ(window->Edit2->text(), "10.0.0.255");
}

} // namespace
