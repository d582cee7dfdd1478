// The main of every test: a widget application for the GUI tests, a core one for the others.
#ifdef QT_WIDGETS_LIB
#include <QApplication>
using Application = QApplication;
#else
#include <QCoreApplication>
using Application = QCoreApplication;
#endif
#include "Thread.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    platform::JoinWorkers(); // as the program does before it ends
    return status;
}
