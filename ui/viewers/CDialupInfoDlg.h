#pragma once

// The dial-up info (dialog 134, "ダイヤルアップの情報"): the line's address,
// speed and connect time, the totals and averages, the counts of
// connections, automatic disconnections and each kind of line error, and the
// idle time, all since the meter's last reset. Refreshed once a second from
// the running meter; its clear button asks and then sets the reset request.
// A total too wide for its field shows in the compact form ("1.2T ").

#include <QBasicTimer>
#include <QDialog>
#include <QString>
#include <array>

#include "core/DialupInfo.h"

class QLabel;

namespace trovik {

class MeterEngine;

class CDialupInfoDlg final : public QDialog {
public:
    // `meter` is read at every refresh; `resetRequested` is the meter's flag
    // that the clear sets. Both must outlive the dialog.
    CDialupInfoDlg(const MeterEngine& meter, bool& resetRequested, QWidget* parent);

    CDialupInfoDlg(const CDialupInfoDlg&) = delete;
    CDialupInfoDlg& operator=(const CDialupInfoDlg&) = delete;

    // Rewrites every field from the meter's present state.
    void Refresh();

    // The text a field shows now, by its control id.
    QString FieldText(unsigned control) const;
    bool Refreshing() const { return timer.isActive(); }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void AskClear();

    const MeterEngine& meter;
    bool& resetRequested;
    std::array<QLabel*, kDialupFieldCount> fields{};
    QBasicTimer timer;
};

}  // namespace trovik
