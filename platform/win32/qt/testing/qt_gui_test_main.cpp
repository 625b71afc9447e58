// main() of the Qt tests that need widgets but no browser: a QApplication around GoogleTest.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/gui_thread.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    orvex::MarkGuiThread();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
