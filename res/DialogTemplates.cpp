#include "res/DialogTemplates.h"

#include <array>

namespace trovik {

namespace {

using K = ControlKind;

constexpr const char* kGothic = "ＭＳ Ｐゴシック";

// Every meter layout: a small captioned window with a taskbar button, a
// window menu and a minimise box, and no resizing.
constexpr std::uint32_t kMeterStyle =
    kDialogCaption | kDialogSystemMenu | kDialogMinimizeBox | kDialogModalFrame | kDialogAppWindow;

// The number texts: right-aligned, vertically centred, in a sunken border.
constexpr std::uint32_t kValueFlags = kControlRight | kControlVCenter | kControlSunken;

// 102 "標準": labels left, numbers in the middle, unit labels right with the
// bars under them.
constexpr std::array kStandardControls{
    ControlTemplate{kNoControlId, K::StaticText, "送信", 0, 0, 16, 10},
    ControlTemplate{kNoControlId, K::StaticText, "受信", 0, 16, 16, 10},
    ControlTemplate{1000, K::ValueText, "", 20, 0, 25, 11, kValueFlags},
    ControlTemplate{1001, K::ValueText, "", 20, 15, 25, 12, kValueFlags},
    ControlTemplate{kNoControlId, K::StaticText, "ﾊﾞｲﾄ/秒", 45, 0, 25, 10},
    ControlTemplate{kNoControlId, K::StaticText, "ﾊﾞｲﾄ/秒", 45, 15, 25, 10},
    ControlTemplate{kSendBarControl, K::Frame, "", 46, 8, 24, 3, kControlInvisible},
    ControlTemplate{kRecvBarControl, K::Frame, "", 46, 24, 24, 3, kControlInvisible},
    ControlTemplate{kErrorIconControl, K::Icon, "", 2, 2, 20, 20, kControlHidden, kErrorIcon},
};

// 140 "小さめ": one-letter labels, each bar under its number.
constexpr std::array kSmallControls{
    ControlTemplate{kNoControlId, K::StaticText, "送", 0, 0, 8, 10},
    ControlTemplate{kNoControlId, K::StaticText, "受", 0, 16, 8, 10},
    ControlTemplate{1000, K::ValueText, "", 10, 0, 24, 8, kValueFlags},
    ControlTemplate{1001, K::ValueText, "", 10, 16, 24, 8, kValueFlags},
    ControlTemplate{kSendBarControl, K::Frame, "", 10, 8, 24, 3, kControlInvisible},
    ControlTemplate{kRecvBarControl, K::Frame, "", 10, 24, 24, 3, kControlInvisible},
    ControlTemplate{kErrorIconControl, K::Icon, "", 0, 2, 20, 20, kControlHidden, kErrorIcon},
};

// 141 "極小(横)": the two bars side by side; the numbers exist but stay hidden.
constexpr std::array kTinyWideControls{
    ControlTemplate{1000, K::ValueText, "", 0, 0, 8, 8, kValueFlags | kControlHidden},
    ControlTemplate{1001, K::ValueText, "", 40, 0, 8, 8, kValueFlags | kControlHidden},
    ControlTemplate{kSendBarControl, K::Frame, "", 0, 2, 28, 3, kControlInvisible},
    ControlTemplate{kRecvBarControl, K::Frame, "", 29, 2, 28, 3, kControlInvisible},
};

// 143 "極小(縦)": the two bars one above the other.
constexpr std::array kTinyTallControls{
    ControlTemplate{1000, K::ValueText, "", 0, 3, 8, 8, kValueFlags | kControlHidden},
    ControlTemplate{1001, K::ValueText, "", 0, 3, 8, 8, kValueFlags | kControlHidden},
    ControlTemplate{kSendBarControl, K::Frame, "", 0, 1, 30, 3, kControlInvisible},
    ControlTemplate{kRecvBarControl, K::Frame, "", 0, 6, 30, 3, kControlInvisible},
};

// 142 "ちょっと大きめ": the standard layout, wider.
constexpr std::array kLargeControls{
    ControlTemplate{kNoControlId, K::StaticText, "送信", 0, 0, 20, 10},
    ControlTemplate{kNoControlId, K::StaticText, "受信", 0, 16, 20, 10},
    ControlTemplate{1000, K::ValueText, "", 24, 0, 25, 11, kValueFlags},
    ControlTemplate{1001, K::ValueText, "", 24, 15, 25, 12, kValueFlags},
    ControlTemplate{kNoControlId, K::StaticText, "ﾊﾞｲﾄ/秒", 52, 0, 32, 10},
    ControlTemplate{kNoControlId, K::StaticText, "ﾊﾞｲﾄ/秒", 52, 15, 32, 10},
    ControlTemplate{kSendBarControl, K::Frame, "", 52, 8, 32, 3, kControlInvisible},
    ControlTemplate{kRecvBarControl, K::Frame, "", 52, 24, 32, 3, kControlInvisible},
    ControlTemplate{kErrorIconControl, K::Icon, "", 2, 2, 20, 20, kControlHidden, kErrorIcon},
};

// 132, the shutdown countdown: the text over the progress bar, Cancel
// centred under them. No window menu: the only way out is Cancel (Escape and
// a close box the window manager adds anyway count as Cancel too).
constexpr std::array kCountdownControls{
    ControlTemplate{kCountdownTextControl, K::ValueText, "", 7, 7, 172, 10, kControlVCenter},
    ControlTemplate{kCountdownProgressControl, K::ProgressBar, "", 7, 21, 172, 12},
    ControlTemplate{kCancelButton, K::Button, "ｷｬﾝｾﾙ", 68, 41, 50, 14, kControlDefault},
};

// 100, the about box. The version line is a format: "%s" takes the version.
constexpr std::array kAboutControls{
    ControlTemplate{kAboutIconControl, K::Icon, "", 10, 10, 20, 20, 0, kProgramIcon},
    ControlTemplate{kAboutVersionControl, K::ValueText, "Vemaro (Trovik) バージョン %s", 40, 10,
                    150, 10},
    ControlTemplate{kAboutDescriptionControl, K::StaticText,
                    "ダイヤルアップなど時間で課金される回線の送受信速度を表示し、"
                    "接続時間と転送量を記録する転送速度計です。",
                    40, 24, 150, 28, kControlWordWrap},
    ControlTemplate{kOkButton, K::Button, "OK", 75, 56, 50, 14, kControlDefault},
};

// ---- The record viewers: weekly scope and cumulative info ----

constexpr std::uint32_t kViewerStyle = kDialogCaption | kDialogSystemMenu | kDialogModalFrame;

// 144, the weekly scope: seven strips of 144 ten-minute columns, each from
// noon of its day to noon of the next, under a row of hour labels. The
// strips are invisible frames; the dialog paints over their rectangles.
constexpr std::array kWeeklyScopeControls{
    ControlTemplate{kOkButton, K::Button, "閉じる", 320, 220, 52, 14, kControlDefault},
    ControlTemplate{kScopeMondayStrip, K::Frame, "", 16, 20, 356, 24, kControlInvisible},
    ControlTemplate{kScopeTuesdayStrip, K::Frame, "", 16, 48, 356, 24, kControlInvisible},
    ControlTemplate{kScopeWednesdayStrip, K::Frame, "", 16, 76, 356, 24, kControlInvisible},
    ControlTemplate{kScopeThursdayStrip, K::Frame, "", 16, 104, 356, 24, kControlInvisible},
    ControlTemplate{kScopeFridayStrip, K::Frame, "", 16, 132, 356, 24, kControlInvisible},
    ControlTemplate{kScopeSaturdayStrip, K::Frame, "", 16, 160, 356, 24, kControlInvisible},
    ControlTemplate{kScopeSundayStrip, K::Frame, "", 16, 188, 356, 24, kControlInvisible},
    ControlTemplate{kScopeStatusControl, K::ValueText, "", 16, 220, 300, 12, kControlVCenter},
    ControlTemplate{kNoControlId, K::StaticText, "12", 16, 8, 12, 9},
    ControlTemplate{kNoControlId, K::StaticText, "15", 60, 8, 12, 9},
    ControlTemplate{kNoControlId, K::StaticText, "18", 104, 8, 12, 9},
    ControlTemplate{kNoControlId, K::StaticText, "21", 148, 8, 12, 9},
    ControlTemplate{kNoControlId, K::StaticText, "0", 192, 8, 12, 9},
    ControlTemplate{kNoControlId, K::StaticText, "3", 236, 8, 12, 9},
    ControlTemplate{kNoControlId, K::StaticText, "6", 280, 8, 12, 9},
    ControlTemplate{kNoControlId, K::StaticText, "9", 325, 8, 12, 9},
    ControlTemplate{kNoControlId, K::StaticText, "12", 365, 8, 12, 9},
    ControlTemplate{kNoControlId, K::StaticText, "月", 4, 27, 10, 10},
    ControlTemplate{kNoControlId, K::StaticText, "火", 4, 55, 10, 10},
    ControlTemplate{kNoControlId, K::StaticText, "水", 4, 83, 10, 10},
    ControlTemplate{kNoControlId, K::StaticText, "木", 4, 111, 10, 10},
    ControlTemplate{kNoControlId, K::StaticText, "金", 4, 139, 10, 10},
    ControlTemplate{kNoControlId, K::StaticText, "土", 4, 167, 10, 10},
    ControlTemplate{kNoControlId, K::StaticText, "日", 4, 195, 10, 10},
};

// 147, the cumulative info. Left: the period, its closing day and the
// totals; right: the charge estimate; under them the chart with its scale
// labels, the scale controls, the close button and the four views.
constexpr std::uint32_t kCumValueFlags = kControlRight;
constexpr std::array kCumInfoControls{
    ControlTemplate{kCumPeriodList, K::DropDownList, "", 5, 5, 82, 13},
    ControlTemplate{kCumThisMonthButton, K::Button, "今月分", 90, 4, 31, 15},
    ControlTemplate{kCumCloseDaySpin, K::SpinEdit, "", 5, 21, 28, 13, kControlRight},
    ControlTemplate{kNoControlId, K::StaticText, "日からの１ヶ月で精算", 36, 23, 85, 10},
    ControlTemplate{kNoControlId, K::GroupBox, "累計値", 5, 37, 116, 51},
    ControlTemplate{kNoControlId, K::StaticText, "総接続時間：", 10, 49, 46, 10},
    ControlTemplate{kNoControlId, K::StaticText, "約", 56, 49, 9, 10},
    ControlTemplate{kCumTotalTimeText, K::ValueText, "", 65, 49, 53, 10},
    ControlTemplate{kNoControlId, K::StaticText, "総受信量：", 10, 61, 46, 10},
    ControlTemplate{kNoControlId, K::StaticText, "約", 56, 61, 9, 10},
    ControlTemplate{kCumRecvText, K::ValueText, "", 65, 61, 40, 10, kCumValueFlags},
    ControlTemplate{kNoControlId, K::StaticText, "KB", 105, 61, 13, 10},
    ControlTemplate{kNoControlId, K::StaticText, "総送信量：", 10, 73, 46, 10},
    ControlTemplate{kNoControlId, K::StaticText, "約", 56, 73, 9, 10},
    ControlTemplate{kCumSentText, K::ValueText, "", 65, 73, 40, 10, kCumValueFlags},
    ControlTemplate{kNoControlId, K::StaticText, "KB", 105, 73, 13, 10},
    ControlTemplate{kNoControlId, K::GroupBox, "概算課金", 125, 4, 116, 84},
    ControlTemplate{kCumTypeList, K::DropDownList, "", 130, 15, 92, 13},
    ControlTemplate{kCumColourBox, K::Frame, "", 226, 17, 10, 9, kControlInvisible},
    ControlTemplate{kNoControlId, K::StaticText, "通常時間帯：", 130, 31, 46, 10},
    ControlTemplate{kNoControlId, K::StaticText, "約", 176, 31, 9, 10},
    ControlTemplate{kCumNormalMinutes, K::ValueText, "", 185, 31, 42, 10, kCumValueFlags},
    ControlTemplate{kNoControlId, K::StaticText, "分", 227, 31, 10, 10},
    ControlTemplate{kCumNormalYen, K::ValueText, "", 150, 42, 77, 10, kCumValueFlags},
    ControlTemplate{kNoControlId, K::StaticText, "円", 227, 42, 10, 10},
    ControlTemplate{kNoControlId, K::StaticText, "割引時間帯：", 130, 54, 46, 10},
    ControlTemplate{kNoControlId, K::StaticText, "約", 176, 54, 9, 10},
    ControlTemplate{kCumDiscountMinutes, K::ValueText, "", 185, 54, 42, 10, kCumValueFlags},
    ControlTemplate{kNoControlId, K::StaticText, "分", 227, 54, 10, 10},
    ControlTemplate{kCumDiscountYen, K::ValueText, "", 150, 65, 77, 10, kCumValueFlags},
    ControlTemplate{kNoControlId, K::StaticText, "円", 227, 65, 10, 10},
    ControlTemplate{kNoControlId, K::StaticText, "計", 130, 76, 12, 10},
    ControlTemplate{kCumTotalYen, K::ValueText, "", 150, 76, 77, 10, kCumValueFlags},
    ControlTemplate{kNoControlId, K::StaticText, "円", 227, 76, 10, 10},
    ControlTemplate{kCumFullLabel, K::ValueText, "Full", 3, 92, 18, 9, kControlRight},
    ControlTemplate{kCumHalfLabel, K::ValueText, "Half", 3, 137, 18, 9, kControlRight},
    ControlTemplate{kCumZeroLabel, K::ValueText, "0", 3, 181, 18, 9, kControlRight},
    ControlTemplate{kCumChartFrame, K::Frame, "", 22, 92, 219, 98, kControlInvisible},
    ControlTemplate{kNoControlId, K::StaticText, "ｽｹｰﾙ調整：", 5, 197, 36, 10},
    ControlTemplate{kCumScaleSpin, K::ScrollBar, "", 41, 194, 9, 16},
    ControlTemplate{kCumBestScaleButton, K::Button, "最適", 53, 195, 30, 14},
    ControlTemplate{kOkButton, K::Button, "閉じる", 193, 195, 48, 14, kControlDefault},
    ControlTemplate{kCumTimeView, K::RadioButton, "累計時間", 5, 213, 56, 10, kControlGroup},
    ControlTemplate{kCumTransferView, K::RadioButton, "累計転送", 65, 213, 56, 10},
    ControlTemplate{kCumHourView, K::RadioButton, "時間帯別", 125, 213, 56, 10},
    ControlTemplate{kCumChargeView, K::RadioButton, "料金系別", 185, 213, 56, 10},
};

// ---- end of the record viewers ----

constexpr std::array kDialogs{
    DialogTemplate{kAboutDialog, "バージョン情報", kGothic, 9, 200, 76,
                   kDialogCaption | kDialogSystemMenu | kDialogModalFrame, kAboutControls},
    DialogTemplate{kMeterStandardDialog, "通信速度", kGothic, 10, 71, 29, kMeterStyle,
                   kStandardControls},
    DialogTemplate{kCountdownDialog, "Windowsの自動終了", kGothic, 9, 186, 62,
                   kDialogCaption | kDialogModalFrame | kDialogTopMost, kCountdownControls},
    DialogTemplate{kMeterSmallDialog, "通信速度", kGothic, 10, 35, 29, kMeterStyle, kSmallControls},
    DialogTemplate{kMeterTinyWideDialog, "通信速度", kGothic, 10, 59, 7, kMeterStyle,
                   kTinyWideControls},
    DialogTemplate{kMeterLargeDialog, "通信速度", kGothic, 10, 86, 29, kMeterStyle, kLargeControls},
    DialogTemplate{kMeterTinyTallDialog, "通信速度", kGothic, 10, 31, 10, kMeterStyle,
                   kTinyTallControls},
    // The record viewers: weekly scope and cumulative info.
    DialogTemplate{kWeeklyScopeDialog, "週間スコープ", kGothic, 9, 383, 243, kViewerStyle,
                   kWeeklyScopeControls},
    DialogTemplate{kCumInfoDialog, "累計情報", kGothic, 9, 246, 227, kViewerStyle,
                   kCumInfoControls},
};

}  // namespace

const DialogTemplate* FindDialogTemplate(unsigned id) {
    for (const DialogTemplate& dialog : kDialogs) {
        if (dialog.id == id) {
            return &dialog;
        }
    }
    return nullptr;
}

const ControlTemplate* FindControlTemplate(const DialogTemplate& dialog, unsigned controlId) {
    if (controlId == kNoControlId) {
        return nullptr;
    }
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id == controlId) {
            return &control;
        }
    }
    return nullptr;
}

}  // namespace trovik
