// Quick and Thorough scans of a small network of real hosts, through the real window.
#include "protocol/nbstat.h"
#include "support/lab_main.h"
#include "support/window_fixture.h"
#include "ui/frmipinfo.h"
#include "ui/frmping.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace std::chrono_literals;
using testsupport::WaitUntil;

// .1 is the scanner itself; .14 to .20 are silent.
lab::Layout TestNetwork()
{
    lab::Layout layout;
    layout.scannerAddrs = {"198.18.0.1/24"};
    layout.hosts = {
        {lab::Host::Kind::Nmbd, "198.18.0.10", "ALPHA", "WGALPHA", {}},
        {lab::Host::Kind::Nmbd, "198.18.0.11", "BETA", "WGBETA", {}},
        {lab::Host::Kind::NoNetbios, "198.18.0.12", "", "", {}},
        {lab::Host::Kind::Responder, "198.18.0.13", "GAMMA", "WGGAMMA", {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}},
        // Beyond the ranges the other cases walk: a Samba host whose names are not ASCII, and a host
        // whose name is an address.
        {lab::Host::Kind::Nmbd, "198.18.0.40", "M\u00DCLLER", "B\u00DCRO", {}},
        {lab::Host::Kind::Responder, "198.18.0.41", "127.0.0.1", "WG", {0x02, 0x11, 0x22, 0x33, 0x44, 0x55}},
    };
    layout.hostsFile = {{"198.18.0.12", "plain-host"}, {"198.18.0.13", "gamma.lab.example"}};
    return layout;
}

namespace {

class NetScan : public testsupport::WindowTest {
protected:
    // Caption -> row index.
    std::map<QString, int> ByAddress() const
    {
        std::map<QString, int> m;
        for (int i = 0; i < Rows().Count(); ++i)
            m[Rows().Caption(i)] = i;
        return m;
    }

    void Scan(bool thorough, const QString& start, const QString& end, int wait)
    {
        SetRange(start, end, wait);
        window->rbThorough->setChecked(thorough);
        window->ToolButton1Click();
        ASSERT_TRUE(WaitForScanEnd(120s));
    }
};

TEST_F(NetScan, StartUpProposesTheScannersOwnRange)
{
    EXPECT_EQ(window->ComboBox1->count(), 1);
    EXPECT_EQ(window->ComboBox1->itemText(0), "198.18.0.1");
    EXPECT_EQ(window->ComboBox1->currentText(), "198.18.0.1");
    EXPECT_EQ(window->Edit2->text(), "198.18.0.255");
    EXPECT_EQ(frmIPinfo->ListBox1->count(), 1);
}

TEST_F(NetScan, QueriesListEveryHostThatAnswersAndNothingForSilentAddresses)
{
    for (const char* addr : {"198.18.0.10", "198.18.0.11", "198.18.0.12", "198.18.0.13", "198.18.0.14"})
        window->Engine().Endpoint().SendNBStatQuery(nbstat::NBStatQuery.data(), addr);
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() >= 4; }, 10s));
    // The silent address's failed ARP comes back as "host unreachable" after about three seconds:
    // it must not give a row.
    WaitUntil([] { return false; }, 4s);
    const auto rows = ByAddress();
    ASSERT_EQ(rows.size(), 4u) << "rows: " << Rows().Count();
    EXPECT_EQ(Rows().Count(), 4);
    EXPECT_EQ(rows.count("198.18.0.14"), 0u);
    const int alpha = rows.at("198.18.0.10");
    EXPECT_EQ(Rows().Cell(alpha, 0), "Found");
    EXPECT_EQ(Rows().Cell(alpha, 1), "ALPHA          ");
    EXPECT_EQ(Rows().Cell(alpha, 3), "WGALPHA        ");
    EXPECT_EQ(Rows().Cell(alpha, 2), "00.00.00.00.00.00");
    EXPECT_EQ(Rows().Cell(rows.at("198.18.0.11"), 1), "BETA           ");
    EXPECT_EQ(Rows().Cell(rows.at("198.18.0.11"), 3), "WGBETA         ");
    const int plain = rows.at("198.18.0.12");
    EXPECT_EQ(Rows().Cell(plain, 0), "Found");
    EXPECT_EQ(Rows().Cell(plain, 1), "");
    EXPECT_EQ(Rows().Cell(plain, 2), "");
    const int gamma = rows.at("198.18.0.13");
    EXPECT_EQ(Rows().Cell(gamma, 1), "GAMMA          ");
    EXPECT_EQ(Rows().Cell(gamma, 2), "0A.1B.2C.3D.4E.5F");
    EXPECT_EQ(Rows().Cell(gamma, 3), "WGGAMMA        ");
}

TEST_F(NetScan, QuickScanListsExactlyTheAnsweringHosts)
{
    Scan(false, "198.18.0.1", "198.18.0.21", 300);
    WaitUntil([] { return false; }, 500ms);
    const auto rows = ByAddress();
    std::vector<QString> got;
    for (const auto& [addr, row] : rows)
        got.push_back(addr);
    const std::vector<QString> expected = {"198.18.0.1", "198.18.0.10", "198.18.0.11", "198.18.0.12", "198.18.0.13"};
    EXPECT_EQ(got, expected);
    EXPECT_EQ(Rows().Count(), 5);
    EXPECT_EQ(window->Edit4->text(), "");
    // Each named host has its block in the log, and its anchor points at its "IP: " line.
    const int alpha = rows.at("198.18.0.10");
    const int anchor = *Rows().LogAnchor(alpha);
    EXPECT_EQ(window->ListBox1->Line(anchor - 1), "IP: 198.18.0.10");
}

TEST_F(NetScan, ThoroughScanListsLiveHostsWithNamesAndMacs)
{
    Scan(true, "198.18.0.9", "198.18.0.16", 100);
    const auto rows = ByAddress();
    std::vector<QString> got;
    for (const auto& [addr, row] : rows)
        got.push_back(addr);
    const std::vector<QString> expected = {"198.18.0.10", "198.18.0.11", "198.18.0.12", "198.18.0.13"};
    ASSERT_EQ(got, expected);
    // Through the NetBIOS fallback of the reverse lookup: nmbd's own name; nmbd reports no MAC.
    EXPECT_EQ(Rows().Cell(rows.at("198.18.0.10"), 1), "ALPHA");
    EXPECT_EQ(Rows().Cell(rows.at("198.18.0.10"), 2), "00-00-00-00-00-00");
    // Through the hosts file; the first label is the NetBIOS name the responder answers to.
    EXPECT_EQ(Rows().Cell(rows.at("198.18.0.13"), 1), "gamma.lab.example");
    EXPECT_EQ(Rows().Cell(rows.at("198.18.0.13"), 2), "0A-1B-2C-3D-4E-5F");
    // A name that no NetBIOS host holds gives zeros.
    EXPECT_EQ(Rows().Cell(rows.at("198.18.0.12"), 1), "plain-host");
    EXPECT_EQ(Rows().Cell(rows.at("198.18.0.12"), 2), "00-00-00-00-00-00");
    std::vector<QString> log(window->ListBox1->Lines().begin(), window->ListBox1->Lines().end());
    EXPECT_EQ(log, expected);
}

TEST_F(NetScan, NamesOutsideAsciiReadAsTheirOwnerWroteThemInBothModes)
{
    Scan(false, "198.18.0.40", "198.18.0.41", 300);
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() == 1; }, 5s));
    EXPECT_EQ(Rows().Cell(0, 1), QStringLiteral("M\u00DCLLER         "));
    EXPECT_EQ(Rows().Cell(0, 3), QStringLiteral("B\u00DCRO           "));
    const auto& log = window->ListBox1->Lines();
    EXPECT_NE(std::find(log.begin(), log.end(), QStringLiteral("M\u00DCLLER         <20><UNIQUE>")), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), QStringLiteral("B\u00DCRO           <0><GROUP>")), log.end());
    // No resolver knows the host: its name comes from the NetBIOS fallback of the reverse lookup.
    Scan(true, "198.18.0.40", "198.18.0.41", 100);
    ASSERT_EQ(Rows().Count(), 1);
    EXPECT_EQ(Rows().Cell(0, 1), QStringLiteral("M\u00DCLLER"));
    EXPECT_EQ(Rows().Cell(0, 2), "00-00-00-00-00-00");
}

TEST_F(NetScan, AThoroughRowsMacComesFromTheScannedHostWhateverItsName)
{
    // The host calls itself "127.0.0.1": asked by that name, the scanner's own loopback would answer.
    Scan(true, "198.18.0.41", "198.18.0.42", 100);
    ASSERT_EQ(Rows().Count(), 1);
    EXPECT_EQ(Rows().Cell(0, 1), "127.0.0.1");
    EXPECT_EQ(Rows().Cell(0, 2), "02-11-22-33-44-55");
}

TEST_F(NetScan, PingDialogFindsLiveHostsByAddressAndName)
{
    testsupport::MessageBoxCatcher boxes;
    const auto ping = [&](const QString& text) {
        frmPing->Edit1->setText(text);
        frmPing->Button1->click();
        return frmPing->Edit2->text();
    };
    EXPECT_EQ(ping("198.18.0.10"), "Found");
    EXPECT_EQ(ping("198.18.0.15"), "Not Found");
    EXPECT_EQ(ping("gamma.lab.example"), "Found");
    EXPECT_EQ(ping("no-such-host.lab.example"), "Not Found");
    EXPECT_TRUE(boxes.Texts().isEmpty());
}

TEST_F(NetScan, IpInfoIsTheSameBeforeAndAfterAScan)
{
    const QString name = frmIPinfo->Edit1->text();
    const int count = frmIPinfo->ListBox1->count();
    Scan(false, "198.18.0.9", "198.18.0.12", 100);
    EXPECT_EQ(frmIPinfo->Edit1->text(), name);
    EXPECT_EQ(frmIPinfo->ListBox1->count(), count);
}

} // namespace
