// The main of test programs whose windows need a widget application. They
// always run headless, also when started by hand or listed by ctest's test
// discovery (which does not pass the tests' environment).
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
