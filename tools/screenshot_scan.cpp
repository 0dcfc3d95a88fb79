// Makes the README's pictures of the main window: builds a small lab network with real NetBIOS
// hosts, runs a Quick scan of it through the real window, and saves the window as a PNG.
//   xvfb-run -a screenshot_scan OUTPUT.png     (or QT_QPA_PLATFORM=offscreen screenshot_scan OUTPUT.png)
// --screen saves the whole screen instead, to show where the window lies, e.g. at scale 2:
//   QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 1600x1000x24" screenshot_scan --screen OUTPUT.png
// --dark starts the program with the palette of a dark desktop theme and opens the save dialog, which
// keeps the desktop's colours, beside the window, which keeps its own:
//   xvfb-run -a -s "-screen 0 1280x800x24" screenshot_scan --screen --dark OUTPUT.png
#include "lab.h"
#include "support/ui_helpers.h"
#include "ui/aboutbox.h"
#include "ui/frmipinfo.h"
#include "ui/frmmain.h"
#include "ui/frmping.h"
#include "ui/spinedit.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTableView>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Adwaita-dark's colours, as a dark desktop theme hands them to Qt programs.
QPalette DarkDesktop()
{
    QPalette pal;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor text = group == QPalette::Disabled ? QColor(145, 145, 145) : QColor(238, 238, 236);
        for (const QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText, QPalette::ToolTipText})
            pal.setColor(group, role, text);
        pal.setColor(group, QPalette::HighlightedText, Qt::white);
        pal.setColor(group, QPalette::Window, QColor(53, 53, 53));
        pal.setColor(group, QPalette::Base, QColor(45, 45, 45));
        pal.setColor(group, QPalette::AlternateBase, QColor(59, 59, 59));
        pal.setColor(group, QPalette::Button, QColor(64, 64, 64));
        pal.setColor(group, QPalette::Light, QColor(90, 90, 90));
        pal.setColor(group, QPalette::Midlight, QColor(75, 75, 75));
        pal.setColor(group, QPalette::Mid, QColor(40, 40, 40));
        pal.setColor(group, QPalette::Dark, QColor(30, 30, 30));
        pal.setColor(group, QPalette::Shadow, Qt::black);
        pal.setColor(group, QPalette::Highlight, QColor(21, 83, 158));
        pal.setColor(group, QPalette::ToolTipBase, QColor(30, 30, 30));
        pal.setColor(group, QPalette::PlaceholderText, QColor(145, 145, 145));
    }
    return pal;
}

} // namespace

int main(int argc, char** argv)
{
    bool wholeScreen = false;
    bool dark = false;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screen") == 0)
            wholeScreen = true;
        else if (std::strcmp(argv[i], "--dark") == 0)
            dark = true;
        else
            output = argv[i];
    }
    if (output == nullptr) {
        std::fprintf(stderr, "usage: %s [--screen] [--dark] OUTPUT.png\n", argv[0]);
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
        if (dark)
            QApplication::setPalette(DarkDesktop());
        using namespace std::chrono_literals;
        auto window = std::make_unique<Tfrmmain>();
        window->show();
        testsupport::WaitUntil([&] { return window->isVisible(); }, 5s);
        window->Edit2->setText("198.18.0.100");
        window->SpinEdit1->SetValue(50);
        window->ToolButton1Click();
        testsupport::WaitUntil([&] { return !window->ScanRunning(); }, 60s);
        window->ListView1->selectRow(1);
        if (dark) {
            QFileDialog* save = window->SaveDlg;
            save->setOption(QFileDialog::DontUseNativeDialog);
            save->setWindowTitle(QStringLiteral("Save"));
            save->setDirectory(QStringLiteral("/usr/share"));
            save->resize(480, 400);
            save->move(4, window->y());
            save->show();
        }
        testsupport::WaitUntil([] { return false; }, 300ms);
        const QPixmap picture = wholeScreen ? window->screen()->grabWindow(0) : window->grab();
        const bool saved = picture.save(QString::fromLocal8Bit(output));
        window->close();
        return saved ? 0 : 1;
    });
}
