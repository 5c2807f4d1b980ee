// The main of the platform tests that need Qt's application object: QtDBus
// connections and local sockets want a QCoreApplication, and the tests run
// its event loop while a blocking call waits on another thread.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
