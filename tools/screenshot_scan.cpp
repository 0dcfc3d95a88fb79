// Makes the README's picture of the main window: builds a small lab network with real NetBIOS
// hosts, runs a Quick scan of it through the real window, and saves the window as a PNG.
//   xvfb-run -a screenshot_scan OUTPUT.png     (or QT_QPA_PLATFORM=offscreen screenshot_scan OUTPUT.png)
#include "lab.h"
#include "support/ui_helpers.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/frmmain.h"
#include "ui/spinedit.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPixmap>
#include <QTableView>

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    lab::Layout layout;
    layout.scannerAddrs = {"198.18.0.1/24"};
    layout.hosts = {
        {lab::Host::Kind::Nmbd, "198.18.0.10", "FRONTDESK", "OFFICE", {}},
        {lab::Host::Kind::Nmbd, "198.18.0.11", "ACCOUNTS", "OFFICE", {}},
        {lab::Host::Kind::Responder, "198.18.0.23", "PRINTROOM", "OFFICE", {0x00, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}},
        {lab::Host::Kind::Responder, "198.18.0.42", "STORAGE", "BACKUP", {0x00, 0x0C, 0x29, 0x1A, 0x2B, 0x3C}},
        {lab::Host::Kind::NoNetbios, "198.18.0.77", "", "", {}},
    };
    return lab::Main(layout, argc, argv, [&] {
        if (!lab::Available()) {
            std::fprintf(stderr, "no lab: %s\n", lab::SkipReason().c_str());
            return 1;
        }
        QApplication app(argc, argv);
        using namespace std::chrono_literals;
        auto window = std::make_unique<Tfrmmain>();
        window->show();
        testsupport::WaitUntil([&] { return window->isVisible(); }, 5s);
        window->Edit2->setText("198.18.0.100");
        window->SpinEdit1->SetValue(50);
        window->ToolButton1Click();
        testsupport::WaitUntil([&] { return !window->ScanRunning(); }, 60s);
        window->ListView1->selectRow(1);
        testsupport::WaitUntil([] { return false; }, 300ms);
        const bool saved = window->grab().save(QString::fromLocal8Bit(argv[1]));
        window->close();
        return saved ? 0 : 1;
    });
}
