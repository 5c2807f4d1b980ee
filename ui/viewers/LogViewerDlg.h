#pragma once

// The log viewer (dialog 138, "ログ表示"): the event log as one scrollable
// text, opened at its newest lines, with buttons to clear it, to show the
// rate graph as it stood at the last exit, and to open the weekly scope.

#include <QDialog>

#include "ui/viewers/Viewers.h"

class QPlainTextEdit;
class QPushButton;

namespace trovik {

class LogViewerDlg final : public QDialog {
public:
    // Reads the log and looks at the snapshot once, here. The context must
    // outlive the dialog.
    LogViewerDlg(const ViewerContext& context, QWidget* parent);

    LogViewerDlg(const LogViewerDlg&) = delete;
    LogViewerDlg& operator=(const LogViewerDlg&) = delete;

    // The edit showing the log.
    QPlainTextEdit* Text() const { return text; }

    // The buttons' work, also reachable without a click.
    void ClearLogAsked();
    void ShowSnapshot();
    void ShowWeeklyScope();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillText();
    void ScrollToEnd();

    const ViewerContext& context;
    QPlainTextEdit* text = nullptr;
};

}  // namespace trovik
