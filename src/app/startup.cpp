#include "app/startup.h"

#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/frmmain.h"

#include <QApplication>

#include <memory>

namespace nodewick {

int RunProgram(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nodewick"));
    QApplication::setQuitOnLastWindowClosed(false);
    auto window = std::make_unique<Tfrmmain>();
    aboutbox = new Taboutbox(window.get());
    frmPing = new TfrmPing(window.get());
    frmIPinfo = new TfrmIPinfo(window.get());
    QObject::connect(window.get(), &Tfrmmain::Closed, &app, &QCoreApplication::quit);
    window->show();
    const int result = QApplication::exec();
    // A worker still inside a probe ends within one address's time; it must not outlive the window.
    window->WaitForScan();
    aboutbox = nullptr;
    frmPing = nullptr;
    frmIPinfo = nullptr;
    return result;
}

} // namespace nodewick
