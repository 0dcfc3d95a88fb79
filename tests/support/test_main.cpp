#include "support/isolation.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Before any thread exists: every later thread inherits the private network.
    testsupport::IsolateNetwork();
    // Qt's own file dialog, which tests can drive, whatever platform dialog the desktop offers.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
