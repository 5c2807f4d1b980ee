#pragma once

// The usage per application ("アプリ別の通信量"): the applications' bytes
// over today, the billing period or a chosen day, as the meter's view of
// them gives them, largest first and the unattributed part last, with a
// bar each and their sum. Asked again every second while it is open; the
// day and the period are those of its opening. Modal; it writes nothing.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/AppUsage.h"
#include "stats/Calendar.h"

class QDateEdit;
class QLabel;
class QRadioButton;
class QStackedWidget;
class QTimer;
class QWidget;

namespace trovik {

class AppUsageChart;
class Clock;

inline constexpr std::string_view kAppUsageTitle = "アプリ別の通信量";
inline constexpr std::string_view kAppUsageOffText =
    "アプリ別の通信量の記録はオフです（設定の「その他」ページで切り替えます）";
inline constexpr std::string_view kAppUsageInMemoryText =
    "記録ファイルが使えないため、この実行中の分だけを表示しています";
inline constexpr std::string_view kAppUsageEmptyText = "この期間の記録はありません";
// How the applications are told apart, under the rows.
inline constexpr std::string_view kAppUsageExactText = "計測：正確 (trovik-acctd)";
inline constexpr std::string_view kAppUsageTcpOnlyText =
    "計測：TCP のみ（UDP/QUIC は未特定に入ります）";

enum class AppUsageRange : std::uint8_t {
    Today,   // 今日
    Period,  // 今期: the billing period
    Day,     // 日付を指定
};

class CAppUsageDlg : public QDialog {
public:
    // `periodFirst` and `periodLast` are the billing period's first and last
    // day. `view` must outlive the dialog; the clock is read once, for today.
    CAppUsageDlg(const AppUsageView& view, Clock& clock, Date periodFirst, Date periodLast,
                 QWidget* parent = nullptr);

    // Asks the view for the chosen range and shows what it gives.
    void Refresh();

    AppUsageRange Range() const { return range; }
    // The range's first and last day (yyyymmdd) as they are asked for.
    std::uint32_t FirstDay() const;
    std::uint32_t LastDay() const;

    QRadioButton* RangeButton(AppUsageRange which) const;
    QDateEdit* DayEdit() const { return dayEdit; }
    const AppUsageChart& Chart() const { return *chart; }
    AppUsageChart& Chart() { return *chart; }
    // What stands in place of the rows (Off, or nothing in the range); empty
    // while rows are shown.
    QString Message() const;
    // The note above the rows (empty unless the record cannot be used).
    QString Note() const;
    // The sum of the rows; empty without rows.
    QString TotalText() const;
    // The line that says how the applications are told apart.
    QString KindText() const;

private:
    void Choose(AppUsageRange which);

    const AppUsageView& view;
    std::uint32_t today = 0;
    std::uint32_t periodFirst = 0;
    std::uint32_t periodLast = 0;
    AppUsageRange range = AppUsageRange::Today;

    QRadioButton* todayButton = nullptr;
    QRadioButton* periodButton = nullptr;
    QRadioButton* dayButton = nullptr;
    QDateEdit* dayEdit = nullptr;
    QLabel* note = nullptr;
    QStackedWidget* pages = nullptr;
    AppUsageChart* chart = nullptr;
    QLabel* message = nullptr;
    QLabel* total = nullptr;
    QLabel* kind = nullptr;
    QWidget* legend = nullptr;
    QTimer* refresh = nullptr;
};

}  // namespace trovik
