#include "ui/meter/CountdownDlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <utility>

#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "ui/common/DialogBuilder.h"

namespace trovik {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CountdownDlg::CountdownDlg(QWidget* mainWindowToDisable, unsigned titleId,
                           std::string_view initialText, std::function<void()> cancelCallback)
    : QDialog(nullptr), mainWindow(mainWindowToDisable), onCancel(std::move(cancelCallback)) {
    BuildDialog(this, *FindDialogTemplate(kCountdownDialog));
    setWindowTitle(FromUtf8(LoadString(titleId)));
    setModal(false);
    text = ControlById<QLabel>(this, kCountdownTextControl);
    progress = ControlById<QProgressBar>(this, kCountdownProgressControl);
    if (auto* button = ControlById<QPushButton>(this, kCancelButton)) {
        connect(button, &QPushButton::clicked, this, [this] { Cancel(); });
    }
    if (!initialText.empty()) {
        SetText(initialText);
    }
    show();
}

CountdownDlg::~CountdownDlg() {
    EnableMainWindow();
}

void CountdownDlg::SetText(std::string_view newText) {
    SetText(FromUtf8(newText));
}

void CountdownDlg::SetText(const QString& newText) {
    if (text != nullptr) {
        text->setText(newText);
    }
}

void CountdownDlg::SetPosition(unsigned position) {
    if (progress != nullptr) {
        progress->setValue(static_cast<int>(position > 100 ? 100 : position));
    }
}

int CountdownDlg::Position() const {
    return progress != nullptr ? progress->value() : 0;
}

QString CountdownDlg::Text() const {
    return text != nullptr ? text->text() : QString();
}

void CountdownDlg::Close() {
    EnableMainWindow();
    QDialog::done(QDialog::Rejected);
}

void CountdownDlg::Cancel() {
    if (cancelled) {
        return;
    }
    cancelled = true;
    Close();
    // Queued, so the owner may delete this window in the callback without
    // pulling it from under the button or key handler that is still running.
    QMetaObject::invokeMethod(
        this,
        [this] {
            // A copy, since the callback may destroy this window and with it
            // the member it would be running from.
            const std::function<void()> callback = onCancel;
            if (callback) {
                callback();
            }
        },
        Qt::QueuedConnection);
}

void CountdownDlg::reject() {
    Cancel();
}

void CountdownDlg::closeEvent(QCloseEvent* event) {
    // The window system's close box is the user's; a close() by the program
    // is the owner's.
    if (event->spontaneous()) {
        Cancel();
    } else {
        Close();
    }
    event->accept();
}

void CountdownDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (mainWindow != nullptr && !disabledMain && mainWindow->isEnabled()) {
        mainWindow->setEnabled(false);
        disabledMain = true;
    }
}

void CountdownDlg::EnableMainWindow() {
    if (disabledMain && mainWindow != nullptr) {
        mainWindow->setEnabled(true);
    }
    disabledMain = false;
}

}  // namespace trovik
