#pragma once

// The shutdown countdown window (dialog 132): a text, a progress bar from 0
// to 100 and a Cancel button. It is modeless and stays on top; while it is
// open the meter window is disabled.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <string_view>
#include <utility>

class QLabel;
class QProgressBar;
class QCloseEvent;
class QShowEvent;

namespace trovik {

class CountdownDlg : public QDialog {
public:
    // Builds the window with its title from string `titleId` (14,
    // "システムの自動終了"), sets `text` when it is not empty, and shows it,
    // which disables `mainWindow`. It has no Qt parent, so that disabling the
    // meter does not disable it too; its owner deletes it. `onCancel` is
    // told when the user cancels.
    CountdownDlg(QWidget* mainWindow, unsigned titleId, std::string_view text = {},
                 std::function<void()> onCancel = {});
    ~CountdownDlg() override;

    CountdownDlg(const CountdownDlg&) = delete;
    CountdownDlg& operator=(const CountdownDlg&) = delete;

    // Replaces the callback given at construction.
    void SetCancelHandler(std::function<void()> handler) { onCancel = std::move(handler); }

    void SetText(std::string_view text);
    void SetText(const QString& text);
    // The progress bar's position, limited to 0..100.
    void SetPosition(unsigned position);

    // Set by Cancel (the button, Escape, or the close box of the window
    // frame); clear from creation on.
    bool IsCancelled() const { return cancelled; }

    // The owner's close: hides the window and enables the meter window again,
    // without cancelling. Closing twice, or after Cancel, changes nothing.
    // QWidget::close() called by the program does the same; only a close
    // asked for by the window system (the frame's close box) cancels.
    void Close();

    // What the user's cancel does: sets the cancel flag, closes the window
    // (enabling the meter window at once) and then tells `onCancel`. The
    // callback runs from the event loop after the handler that cancelled has
    // returned, so it may close or even delete this window; it does not run
    // when the window is deleted first.
    void Cancel();

    int Position() const;
    QString Text() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape ends up here.
    void reject() override;

private:
    void EnableMainWindow();

    QPointer<QWidget> mainWindow;
    std::function<void()> onCancel;
    QLabel* text = nullptr;
    QProgressBar* progress = nullptr;
    bool cancelled = false;
    bool disabledMain = false;
};

}  // namespace trovik
