#include "app/startup.h"

#include "platform/privileges.h"
#include "ui/aboutbox.h"
#include "ui/frmipinfo.h"
#include "ui/frmmain.h"
#include "ui/frmping.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace nodewick {

std::unique_ptr<Tfrmmain> CreateForms()
{
    auto window = std::make_unique<Tfrmmain>();
    aboutbox = new Taboutbox(window.get());
    frmPing = new TfrmPing(window.get());
    frmIPinfo = new TfrmIPinfo(window.get());
    return window;
}

int RunProgram(int argc, char** argv)
{
    // Before Qt, which loads plugins that the user names: a capability given to the binary serves
    // only to open the echo sockets and is gone before any of them runs.
    if (!wplatform::DropCapabilities()) {
        std::fputs("nodewick: cannot drop the capabilities it was started with\n", stderr);
        return EXIT_FAILURE;
    }
    // A write past the file size limit would end the program with SIGXFSZ. Ignored, the write fails
    // with EFBIG instead, and the save that made it keeps the old file and says "File too large".
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nodewick"));
    // Names the installed desktop entry, so Wayland shells give the window its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(NODEWICK_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);
    std::unique_ptr<Tfrmmain> window = CreateForms();
    QObject::connect(window.get(), &Tfrmmain::Closed, &app, &QCoreApplication::quit);
    window->show();
    const int result = QApplication::exec();
    // A worker still inside a probe ends within one address's time; it must not outlive the window.
    window->WaitForScan();
    return result;
}

} // namespace nodewick
