#include "ui/viewers/LogViewerDlg.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTextCursor>
#include <memory>

#include "core/MeterEngine.h"
#include "res/DialogTemplates.h"
#include "stats/EventLog.h"
#include "stats/GraphSnapshot.h"
#include "ui/charts/RateGraphChart.h"
#include "ui/common/DialogBuilder.h"
#include "ui/viewers/CRateGraphDlg.h"

namespace trovik {

namespace {

constexpr std::string_view kAskClearLogText = "ログを消去しますか？";

// The viewer only reads and clears the log; it never appends, so it needs
// no clock.
EventLog LogOf(const ViewerContext& context) {
    return EventLog(context.meter.Environment().files.LogPath(), [] { return LocalTime{}; });
}

}  // namespace

LogViewerDlg::LogViewerDlg(const ViewerContext& viewerContext, QWidget* parent)
    : QDialog(parent), context(viewerContext) {
    BuildDialog(this, *FindDialogTemplate(kLogViewerDialog));
    text = ControlById<QPlainTextEdit>(this, kLogTextControl);
    if (auto* clear = ControlById<QPushButton>(this, kLogClearButton)) {
        connect(clear, &QPushButton::clicked, this, [this] { ClearLogAsked(); });
    }
    if (auto* snapshot = ControlById<QPushButton>(this, kLogSnapshotButton)) {
        snapshot->setEnabled(
            IsGraphSnapshotValid(context.meter.Environment().files.SnapshotPath()));
        connect(snapshot, &QPushButton::clicked, this, [this] { ShowSnapshot(); });
    }
    if (auto* scope = ControlById<QPushButton>(this, kLogWeeklyScopeButton)) {
        connect(scope, &QPushButton::clicked, this, [this] { ShowWeeklyScope(); });
    }
    if (auto* close = ControlById<QPushButton>(this, kOkButton)) {
        connect(close, &QPushButton::clicked, this, &QDialog::accept);
    }
    FillText();
    ScrollToEnd();
}

void LogViewerDlg::FillText() {
    if (text == nullptr) {
        return;
    }
    const LogText log = LogOf(context).ReadLogText();
    if (log.kind == LogText::Kind::NoResult) {
        return;  // the edit keeps what it shows
    }
    QString shown = QString::fromUtf8(log.text.data(), static_cast<qsizetype>(log.text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text->setPlainText(shown);
}

void LogViewerDlg::ScrollToEnd() {
    if (text == nullptr) {
        return;
    }
    text->moveCursor(QTextCursor::End);
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
}

void LogViewerDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The scroll range is known only once the edit has its size.
    ScrollToEnd();
}

void LogViewerDlg::ClearLogAsked() {
    if (!context.meter.Environment().messages.Ask(0, kAskClearLogText, MessageIcon::Exclamation)) {
        return;
    }
    (void)LogOf(context).ClearLog();
    FillText();
}

void LogViewerDlg::ShowSnapshot() {
    const MeterEnv& env = context.meter.Environment();
    GraphSnapshotHeader header;
    // About 6 KB: kept off the stack.
    auto history = std::make_unique<RateHistory>();
    if (!LoadGraphSnapshot(env.files.SnapshotPath(), header, *history)) {
        return;
    }
    RateGraphInput input;
    input.history = history.get();
    input.scaleTx = header.scaleTx;
    input.scaleRx = header.scaleRx;
    input.title = SnapshotTitle(header);
    CRateGraphDlg graph(input, env.settings, env.messages, this);
    graph.exec();
}

void LogViewerDlg::ShowWeeklyScope() {
    // Like the meter's own command: owned by no window of its own.
    RunViewer(416, context, nullptr);
}

}  // namespace trovik
