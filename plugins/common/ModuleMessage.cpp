#include "plugins/common/ModuleMessage.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <cstdio>
#include <string>

namespace trovik::plugin {
namespace {

void DefaultSink(std::string_view caption, std::string_view text) {
    if (CanShowWidgets()) {
        QMessageBox box(QMessageBox::Warning,
                        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                        QMessageBox::Ok);
        box.exec();
        return;
    }
    const std::string line = std::string(caption) + ": " + std::string(text) + "\n";
    std::fputs(line.c_str(), stderr);
}

MessageSink currentSink = nullptr;

}  // namespace

bool CanShowWidgets() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app != nullptr && QThread::currentThread() == app->thread();
}

void ShowModuleMessage(std::string_view caption, std::string_view text) {
    (currentSink != nullptr ? currentSink : DefaultSink)(caption, text);
}

MessageSink SetMessageSink(MessageSink sink) {
    const MessageSink previous = currentSink;
    currentSink = sink;
    return previous;
}

}  // namespace trovik::plugin
