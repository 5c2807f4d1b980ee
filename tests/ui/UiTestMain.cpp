// The main of the window tests: widgets want a QApplication, and the
// dialogs' font substitutes and Qt's Japanese texts are installed once as
// the program does at start.
// The tests always run headless, also when started by hand or listed by
// ctest's test discovery (which does not pass the tests' environment).
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>

#include "ui/common/DialogBuilder.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
    QApplication app(argc, argv);
    trovik::InstallFontSubstitutes();
    (void)trovik::InstallQtJapanese();
    return RUN_ALL_TESTS();
}
