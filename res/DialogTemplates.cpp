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
// --- The settings sheet's pages and the charge detail dialog ---
//
// Pages are children of the sheet: no caption or styles of their own. All
// share one size, so the sheet fits the largest.

constexpr std::int16_t kPageWidth = 250;
constexpr std::int16_t kPageHeight = 176;
constexpr std::uint32_t kNumberFlags = kControlRight | kControlDigitsOnly;

// 135 基本動作
constexpr std::array kBasicPageControls{
    ControlTemplate{kNoControlId, K::GroupBox, "平均値の表示", 7, 7, 236, 60},
    ControlTemplate{1006, K::RadioButton, "全転送の平均値を表示", 15, 20, 160, 10, kControlGroup},
    ControlTemplate{1007, K::RadioButton, "一定時間内の平均値を表示", 15, 34, 160, 10},
    ControlTemplate{1074, K::Edit, "", 27, 48, 26, 12, kNumberFlags},
    ControlTemplate{1073, K::UpDown, "", 53, 48, 9, 12},
    ControlTemplate{kNoControlId, K::StaticText, "秒間の平均値を表示", 66, 50, 120, 10},
    ControlTemplate{kNoControlId, K::GroupBox, "棒グラフのスケール", 7, 74, 236, 52},
    ControlTemplate{kNoControlId, K::StaticText, "送信", 15, 90, 24, 10},
    ControlTemplate{1009, K::Edit, "", 41, 88, 64, 12, kNumberFlags},
    ControlTemplate{1008, K::UpDown, "", 105, 88, 9, 12},
    ControlTemplate{kNoControlId, K::StaticText, "ﾊﾞｲﾄ/秒", 118, 90, 40, 10},
    ControlTemplate{kNoControlId, K::StaticText, "受信", 15, 107, 24, 10},
    ControlTemplate{1010, K::Edit, "", 41, 105, 64, 12, kNumberFlags},
    ControlTemplate{1011, K::UpDown, "", 105, 105, 9, 12},
    ControlTemplate{kNoControlId, K::StaticText, "ﾊﾞｲﾄ/秒", 118, 107, 40, 10},
};

// 136 マウスボタン: the column headings, then each column as its own radio
// group (column-major, so that a column's buttons form one run), then the
// row labels beside the rightmost column.
constexpr std::int16_t kMouseTop = 36;
constexpr std::int16_t kMousePitch = 13;
constexpr std::int16_t kMouseColumnX[6] = {16, 34, 52, 84, 102, 120};
constexpr const char* kMouseRowLabels[8] = {
    "　割り当て無し",     "　ﾎﾟｯﾌﾟｱｯﾌﾟﾒﾆｭｰを開く",   "　設定変更ﾀﾞｲｱﾛｸﾞを開く",
    "　推移グラフを表示", "　ﾀﾞｲﾔﾙｱｯﾌﾟの情報を表示", "　ログを表示",
    "　平均値を初期化",   "　すぐに回線を切断",
};
constexpr const char* kMouseColumnLabels[3] = {"左", "中", "右"};

constexpr auto MakeMousePageControls() {
    std::array<ControlTemplate, 2 + 6 + 48 + 8> controls{};
    std::size_t n = 0;
    controls[n++] =
        ControlTemplate{kNoControlId, K::StaticText, "Shiftｷｰ +", 12, 8, 56, 10, kControlCenter};
    controls[n++] =
        ControlTemplate{kNoControlId, K::StaticText, "通常ｸﾘｯｸ", 80, 8, 56, 10, kControlCenter};
    for (unsigned column = 0; column < 6; ++column) {
        controls[n++] = ControlTemplate{kNoControlId,
                                        K::StaticText,
                                        kMouseColumnLabels[column % 3],
                                        static_cast<std::int16_t>(kMouseColumnX[column] - 3),
                                        22,
                                        16,
                                        10,
                                        kControlCenter};
    }
    for (unsigned column = 0; column < 6; ++column) {
        for (unsigned row = 0; row < 8; ++row) {
            controls[n++] = ControlTemplate{
                MouseRadioId(column, row),
                K::RadioButton,
                "",
                kMouseColumnX[column],
                static_cast<std::int16_t>(kMouseTop + kMousePitch * static_cast<int>(row)),
                10,
                10,
                row == 0 ? kControlGroup : 0u};
        }
    }
    for (unsigned row = 0; row < 8; ++row) {
        controls[n++] = ControlTemplate{
            kNoControlId,
            K::StaticText,
            kMouseRowLabels[row],
            132,
            static_cast<std::int16_t>(kMouseTop + kMousePitch * static_cast<int>(row)),
            112,
            10};
    }
    return controls;
}
constexpr auto kMousePageControls = MakeMousePageControls();

// 137 自動切断
constexpr std::array kDiscPageControls{
    ControlTemplate{kNoControlId, K::GroupBox, "回線の自動切断", 7, 7, 236, 86},
    ControlTemplate{1037, K::CheckBox, "", 15, 21, 10, 10},
    ControlTemplate{1038, K::Edit, "", 27, 20, 24, 12, kNumberFlags},
    ControlTemplate{1039, K::UpDown, "", 51, 20, 9, 12},
    ControlTemplate{kNoControlId, K::StaticText, "分以上通信が途絶えたら", 64, 22, 120, 10},
    ControlTemplate{1090, K::CheckBox, "受信のみを監視", 27, 36, 120, 10},
    ControlTemplate{1040, K::CheckBox, "通信エラーが分間", 15, 53, 80, 10},
    ControlTemplate{1042, K::Edit, "", 97, 52, 24, 12, kNumberFlags},
    ControlTemplate{1041, K::UpDown, "", 121, 52, 9, 12},
    ControlTemplate{kNoControlId, K::StaticText, "回以上", 134, 54, 40, 10},
    ControlTemplate{1044, K::CheckBox, "朝７時５５分になったら", 15, 72, 150, 10},
    ControlTemplate{kNoControlId, K::GroupBox, "システムの自動終了", 7, 100, 236, 32},
    ControlTemplate{1075, K::CheckBox, "", 15, 115, 10, 10},
    ControlTemplate{kNoControlId, K::StaticText, "回線切断から", 27, 116, 56, 10},
    ControlTemplate{1043, K::Edit, "", 84, 114, 28, 12, kNumberFlags},
    ControlTemplate{1045, K::UpDown, "", 112, 114, 9, 12},
    ControlTemplate{kNoControlId, K::StaticText, "分後", 125, 116, 30, 10},
};

// 145 表示. The preview frame holds two rows of tray pictures.
constexpr std::array kLayoutPageControls{
    ControlTemplate{kNoControlId, K::GroupBox, "ウィンドウ表示", 7, 7, 236, 48},
    ControlTemplate{1069, K::RadioButton, "標準", 15, 21, 64, 10, kControlGroup},
    ControlTemplate{1070, K::RadioButton, "小さめ", 15, 37, 64, 10},
    ControlTemplate{1071, K::RadioButton, "極小(横)", 87, 21, 64, 10},
    ControlTemplate{1074, K::RadioButton, "極小(縦)", 87, 37, 64, 10},
    ControlTemplate{1072, K::RadioButton, "ちょっと大きめ", 159, 21, 80, 10},
    ControlTemplate{kNoControlId, K::GroupBox, "タスクトレイ", 7, 62, 236, 68},
    ControlTemplate{1092, K::CheckBox, "タスクトレイ内でもメータ表示(&M)", 15, 76, 200, 10},
    ControlTemplate{1097, K::Frame, "", 15, 92, 124, 30, kControlSunken},
    ControlTemplate{1100, K::Button, "▲", 145, 92, 18, 14},
    ControlTemplate{1101, K::Button, "▼", 145, 108, 18, 14},
    ControlTemplate{kNoControlId, K::StaticText, "次回の起動時から適応されます。", 7, 138, 236, 10},
};

// 148 累計情報. The six standard-type radios come first, as one group.
constexpr std::int16_t kChargeTop = 52;
constexpr std::int16_t kChargePitch = 15;
constexpr auto MakeCumuPageControls() {
    std::array<ControlTemplate, 5 + 3 + 6 * 4 + 1> controls{};
    std::size_t n = 0;
    controls[n++] = ControlTemplate{1034, K::CheckBox, "累計情報を記録する(&L)", 7, 7, 150, 10};
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "電話料金は、毎月", 7, 24, 64, 10};
    controls[n++] = ControlTemplate{1132, K::Edit, "", 72, 22, 22, 12, kNumberFlags};
    controls[n++] = ControlTemplate{1128, K::UpDown, "", 94, 22, 9, 12};
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "日〆", 107, 24, 24, 10};
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "標準", 9, 40, 20, 10};
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "表示", 29, 40, 20, 10};
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "名称", 51, 40, 60, 10};
    for (unsigned r = 0; r < 6; ++r) {
        const auto y = static_cast<std::int16_t>(kChargeTop + kChargePitch * static_cast<int>(r));
        controls[n++] = ControlTemplate{
            kChargeRowIds[r].radio, K::RadioButton, "", 12, y, 10, 10, r == 0 ? kControlGroup : 0u};
    }
    for (unsigned r = 0; r < 6; ++r) {
        const auto y = static_cast<std::int16_t>(kChargeTop + kChargePitch * static_cast<int>(r));
        controls[n++] = ControlTemplate{kChargeRowIds[r].check, K::CheckBox, "", 32, y, 10, 10};
        controls[n++] = ControlTemplate{kChargeRowIds[r].name,
                                        K::ValueText,
                                        "",
                                        50,
                                        static_cast<std::int16_t>(y - 1),
                                        134,
                                        12,
                                        kControlVCenter | kControlSunken};
        controls[n++] = ControlTemplate{kChargeRowIds[r].button,          K::Button, "詳細", 188,
                                        static_cast<std::int16_t>(y - 1), 36,        12};
    }
    controls[n++] = ControlTemplate{1135,
                                    K::ScrollBar,
                                    "",
                                    230,
                                    kChargeTop - 2,
                                    11,
                                    static_cast<std::int16_t>(kChargePitch * 6 + 1)};
    return controls;
}
constexpr auto kCumuPageControls = MakeCumuPageControls();

// 151 拡張DLL
constexpr std::array kExtDllPageControls{
    ControlTemplate{1324, K::CheckBox, "拡張DLLを使用(&U)", 7, 7, 120, 10},
    ControlTemplate{1318, K::ListView, "", 7, 21, 236, 100, kControlSunken},
    ControlTemplate{kNoControlId, K::StaticText, "次回の起動時から適応されます。", 7, 128, 170, 10},
    ControlTemplate{1319, K::Button, "プロパティ(&R)", 183, 125, 60, 14},
};

// 139 その他: the seven boxes, the notification, application and login boxes (with
// exact accounting beside the application box, and why it cannot be had under
// it), then the interface list of this system.
constexpr std::array kEtcPageControls{
    ControlTemplate{1004, K::CheckBox, "ウィンドウを常に手前に表示(&T)", 7, 6, 236, 10},
    ControlTemplate{1012, K::CheckBox, "ｱｲｺﾝ化中もｳｨﾝﾄﾞｳ名で表示(&I)", 7, 17, 236, 10},
    ControlTemplate{1033, K::CheckBox, "通信エラーの発生を表示(&E)", 7, 28, 236, 10},
    ControlTemplate{1034, K::CheckBox, "ログを作成(&L)", 7, 39, 236, 10},
    ControlTemplate{1035, K::CheckBox, "週間スコープの為の情報を記録(&S)", 7, 50, 236, 10},
    ControlTemplate{1091, K::CheckBox, "起動時にタスクトレイに入る(&H)", 7, 61, 236, 10},
    ControlTemplate{1101, K::CheckBox, "ﾎﾟｯﾎﾟｱｯﾌﾟでの終了時、確認が必要(&X)", 7, 72, 236, 10},
    ControlTemplate{kNotifyBox, K::CheckBox, "自動切断や警告をデスクトップに通知(&N)", 7, 83, 236,
                    10},
    ControlTemplate{kAppUsageBox, K::CheckBox, "アプリ別の通信量を記録(&P)", 7, 94, 104, 10},
    ControlTemplate{kExactBox, K::CheckBox, "正確に計測する (管理者の許可が必要)", 112, 94, 131,
                    10},
    ControlTemplate{kLoginStartBox, K::CheckBox, "ログイン時に起動する", 7, 105, 104, 10},
    ControlTemplate{kExactReasonText, K::ValueText, "", 122, 105, 121, 10},
    ControlTemplate{kNoControlId, K::StaticText,
                    "回線のインターフェース名（空白で区切る。空欄ならPPP・従量制・モデムの回線）",
                    7, 118, 236, 10},
    ControlTemplate{kInterfacesControl, K::Edit, "", 7, 129, 236, 12},
    ControlTemplate{kInterfacesHintControl, K::ValueText, "", 7, 143, 236, 10},
    ControlTemplate{kNoControlId, K::StaticText, "インターフェース名はOKの直後から適用されます。",
                    7, 157, 236, 10},
};

// 152 データ量: the allowance of a billing period with its warning level and
// hang-up, then the period's use so far, today's budget and the projection.
constexpr std::array kQuotaPageControls{
    ControlTemplate{kNoControlId, K::GroupBox, "データ量の上限", 7, 7, 236, 76},
    ControlTemplate{kNoControlId, K::StaticText, "請求期間ごとに", 15, 23, 60, 10},
    ControlTemplate{kQuotaField, K::Edit, "", 77, 21, 48, 12, kNumberFlags},
    ControlTemplate{kNoControlId, K::StaticText, "MB まで（0 なら上限なし）", 129, 23, 108, 10},
    ControlTemplate{kNoControlId, K::StaticText, "使用量が上限の", 15, 41, 60, 10},
    ControlTemplate{kQuotaWarnField, K::Edit, "", 77, 39, 24, 12, kNumberFlags},
    ControlTemplate{kQuotaWarnSpin, K::UpDown, "", 101, 39, 9, 12},
    ControlTemplate{kNoControlId, K::StaticText, "% に達したら警告する", 114, 41, 100, 10},
    ControlTemplate{kDiscOnQuotaBox, K::CheckBox, "上限に達したら回線を切断する(&D)", 15, 61, 200,
                    10},
    ControlTemplate{kNoControlId, K::GroupBox, "今期の使用量", 7, 90, 236, 76},
    ControlTemplate{kQuotaUseText, K::ValueText, "", 15, 104, 220, 12,
                    kControlVCenter | kControlSunken},
    ControlTemplate{kQuotaBudgetText, K::ValueText, "", 15, 120, 220, 10},
    ControlTemplate{kQuotaProjectionText, K::ValueText, "", 15, 132, 220, 10},
    ControlTemplate{kNoControlId, K::StaticText, "請求期間は「累計情報」の締め日から始まります。",
                    15, 148, 220, 10},
};

// 150 料金詳細: the name, fee and rates at the top with the buttons beside
// them, the weekday × hour grid below.
constexpr std::int16_t kGridLeft = 40;
constexpr std::int16_t kGridTop = 98;
constexpr std::int16_t kGridColumn = 8;
constexpr std::int16_t kGridRow = 12;
constexpr const char* kWeekdayLabels[7] = {"日曜日", "月曜日", "火曜日", "水曜日",
                                           "木曜日", "金曜日", "土曜日"};
constexpr const char* kHourLabels[12] = {"0",  "2",  "4",  "6",  "8",  "10",
                                         "12", "14", "16", "18", "20", "22"};

constexpr auto MakeChargeDetailControls() {
    std::array<ControlTemplate, 17 + 1 + 12 + 7 + 7 * 24> controls{};
    std::size_t n = 0;
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "名称：", 7, 9, 48, 10};
    controls[n++] = ControlTemplate{1312, K::Edit, "", 58, 7, 116, 12};
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "割引契約料：", 7, 26, 50, 10};
    controls[n++] = ControlTemplate{1142, K::Edit, "", 58, 24, 36, 12, kNumberFlags};
    controls[n++] = ControlTemplate{1143, K::UpDown, "", 94, 24, 9, 12};
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "円", 107, 26, 20, 10};
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "通常時間帯：", 7, 42, 50, 10};
    controls[n++] = ControlTemplate{1140, K::Edit, "", 58, 40, 36, 12, kNumberFlags};
    controls[n++] = ControlTemplate{1141, K::UpDown, "", 94, 40, 9, 12};
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "秒毎に10円", 107, 42, 60, 10};
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "割引時間帯：", 7, 58, 50, 10};
    controls[n++] = ControlTemplate{1138, K::Edit, "", 58, 56, 36, 12, kNumberFlags};
    controls[n++] = ControlTemplate{1139, K::UpDown, "", 94, 56, 9, 12};
    controls[n++] = ControlTemplate{kNoControlId, K::StaticText, "秒毎に10円", 107, 58, 60, 10};
    controls[n++] = ControlTemplate{1, K::Button, "OK", 185, 7, 50, 14, kControlDefault};
    controls[n++] = ControlTemplate{2, K::Button, "ｷｬﾝｾﾙ", 185, 24, 50, 14};
    controls[n++] = ControlTemplate{1313, K::Button, "抹消", 185, 55, 50, 14};
    controls[n++] = ControlTemplate{kNoControlId, K::GroupBox, "割引対象時間帯", 4, 75, 234, 112};
    for (unsigned h = 0; h < 24; h += 2) {
        controls[n++] = ControlTemplate{
            kNoControlId,
            K::StaticText,
            kHourLabels[h / 2],
            static_cast<std::int16_t>(kGridLeft + kGridColumn * static_cast<int>(h)),
            87,
            14,
            9};
    }
    for (unsigned d = 0; d < 7; ++d) {
        controls[n++] =
            ControlTemplate{kNoControlId,
                            K::StaticText,
                            kWeekdayLabels[d],
                            9,
                            static_cast<std::int16_t>(kGridTop + kGridRow * static_cast<int>(d)),
                            30,
                            10};
    }
    for (unsigned d = 0; d < 7; ++d) {
        for (unsigned h = 0; h < 24; ++h) {
            controls[n++] = ControlTemplate{
                ChargeHourId(d, h),
                K::CheckBox,
                "",
                static_cast<std::int16_t>(kGridLeft + kGridColumn * static_cast<int>(h)),
                static_cast<std::int16_t>(kGridTop + kGridRow * static_cast<int>(d)),
                kGridColumn,
                10};
        }
    }
    return controls;
}
constexpr auto kChargeDetailControls = MakeChargeDetailControls();

// --- the rate graph, the dial-up info and the log viewer ---

// A rectangle the dialog paints itself: the plot and the colour boxes.
constexpr std::uint32_t kPainted = kControlInvisible;
constexpr std::uint32_t kAxisLeft = kControlRight | kControlVCenter;
constexpr std::uint32_t kAxisRight = kControlLeft | kControlVCenter;

// 131: the legend over the plot, the receive scale's labels left of it and
// the send scale's right, each column with its name and colour box under it
// (the box spans the column: clicks and wheel turns over the column change
// that scale); the time labels under the plot, the first and the last kept
// inside it; the mode choice and the buttons at the bottom. The axis labels
// sit centred on the 100, 80, 60, 40 and 20 % lines of the plot.
constexpr std::array kRateGraphControls{
    ControlTemplate{1021, K::Frame, "", 38, 5, 7, 7, kPainted},
    ControlTemplate{kNoControlId, K::StaticText, "実効送信ﾚｰﾄ (ﾊﾞｲﾄ/秒)", 48, 4, 98, 10,
                    kControlVCenter},
    ControlTemplate{1022, K::Frame, "", 150, 5, 7, 7, kPainted},
    ControlTemplate{kNoControlId, K::StaticText, "実効受信ﾚｰﾄ (ﾊﾞｲﾄ/秒)", 160, 4, 98, 10,
                    kControlVCenter},
    ControlTemplate{1042, K::Frame, "", 38, 17, 7, 7, kPainted},
    ControlTemplate{kNoControlId, K::StaticText, "総受信平均", 48, 16, 50, 10, kControlVCenter},
    ControlTemplate{1043, K::Frame, "", 104, 17, 7, 7, kPainted},
    ControlTemplate{kNoControlId, K::StaticText, "ｴﾗｰ発生", 114, 16, 34, 10, kControlVCenter},
    ControlTemplate{1044, K::Frame, "", 150, 17, 7, 7, kPainted},
    ControlTemplate{kNoControlId, K::StaticText, "(再)接続", 160, 16, 44, 10, kControlVCenter},
    ControlTemplate{1017, K::Frame, "", 38, 30, 264, 140, kPainted},
    ControlTemplate{1036, K::ValueText, "", 2, 28, 33, 8, kAxisLeft},
    ControlTemplate{1037, K::ValueText, "", 2, 55, 33, 8, kAxisLeft},
    ControlTemplate{1038, K::ValueText, "", 2, 82, 33, 8, kAxisLeft},
    ControlTemplate{1039, K::ValueText, "", 2, 108, 33, 8, kAxisLeft},
    ControlTemplate{1040, K::ValueText, "", 2, 135, 33, 8, kAxisLeft},
    ControlTemplate{kNoControlId, K::StaticText, "受信", 2, 172, 33, 9, kControlCenter},
    ControlTemplate{1041, K::Frame, "", 2, 182, 33, 4, kPainted},
    ControlTemplate{1031, K::ValueText, "", 305, 28, 33, 8, kAxisRight},
    ControlTemplate{1032, K::ValueText, "", 305, 55, 33, 8, kAxisRight},
    ControlTemplate{1033, K::ValueText, "", 305, 82, 33, 8, kAxisRight},
    ControlTemplate{1034, K::ValueText, "", 305, 108, 33, 8, kAxisRight},
    ControlTemplate{1035, K::ValueText, "", 305, 135, 33, 8, kAxisRight},
    ControlTemplate{kNoControlId, K::StaticText, "送信", 305, 172, 33, 9, kControlCenter},
    ControlTemplate{1023, K::Frame, "", 305, 182, 33, 4, kPainted},
    ControlTemplate{1024, K::ValueText, "", 40, 172, 22, 9, kControlLeft},
    ControlTemplate{1029, K::ValueText, "", 63, 172, 40, 9, kControlCenter},
    ControlTemplate{1026, K::ValueText, "", 106, 172, 40, 9, kControlCenter},
    ControlTemplate{1025, K::ValueText, "", 149, 172, 40, 9, kControlCenter},
    ControlTemplate{1028, K::ValueText, "", 192, 172, 40, 9, kControlCenter},
    ControlTemplate{1027, K::ValueText, "", 235, 172, 40, 9, kControlCenter},
    ControlTemplate{1030, K::StaticText, "0", 288, 172, 12, 9, kControlRight},
    ControlTemplate{1013, K::RadioButton, "１秒単位で､２分間の推移", 38, 191, 112, 10,
                    kControlGroup},
    ControlTemplate{1014, K::RadioButton, "10秒単位で､20分間の推移", 152, 191, 112, 10},
    ControlTemplate{1015, K::RadioButton, "１分単位で､２時間の推移", 38, 205, 112, 10},
    ControlTemplate{1016, K::RadioButton, "６分単位で､12時間の推移", 152, 205, 112, 10},
    ControlTemplate{1070, K::Button, "データをクリア", 274, 188, 64, 14},
    ControlTemplate{1, K::Button, "閉じる", 274, 205, 64, 14, kControlDefault},
};

// 134: the line and the totals on the left, the automatic disconnections and
// the error counts on the right; each a label, a number and its unit.
constexpr std::uint32_t kInfoValue = kControlRight | kControlVCenter | kControlSunken;
constexpr std::uint32_t kInfoLabel = kControlVCenter;
constexpr std::uint32_t kInfoAddress = kControlLeft | kControlVCenter | kControlSunken;
constexpr std::array kDialupInfoControls{
    ControlTemplate{kNoControlId, K::StaticText, "IPアドレス", 6, 7, 54, 11, kInfoLabel},
    ControlTemplate{1046, K::ValueText, "", 62, 7, 82, 11, kInfoAddress},
    ControlTemplate{kNoControlId, K::StaticText, "接続速度", 6, 21, 54, 11, kInfoLabel},
    ControlTemplate{1047, K::ValueText, "", 62, 21, 82, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "bps", 147, 21, 30, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "接続時間", 6, 35, 54, 11, kInfoLabel},
    ControlTemplate{1061, K::ValueText, "", 62, 35, 82, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "総受信ﾊﾞｲﾄ数", 6, 49, 54, 11, kInfoLabel},
    ControlTemplate{1049, K::ValueText, "", 62, 49, 82, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "ﾊﾞｲﾄ", 147, 49, 30, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "総送信ﾊﾞｲﾄ数", 6, 63, 54, 11, kInfoLabel},
    ControlTemplate{1048, K::ValueText, "", 62, 63, 82, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "ﾊﾞｲﾄ", 147, 63, 30, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "総受信平均", 6, 77, 54, 11, kInfoLabel},
    ControlTemplate{1060, K::ValueText, "", 62, 77, 82, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "ﾊﾞｲﾄ/秒", 147, 77, 30, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "総送信平均", 6, 91, 54, 11, kInfoLabel},
    ControlTemplate{1052, K::ValueText, "", 62, 91, 82, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "ﾊﾞｲﾄ/秒", 147, 91, 30, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "(再)接続回数", 6, 105, 54, 11, kInfoLabel},
    ControlTemplate{1059, K::ValueText, "", 62, 105, 82, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "回", 147, 105, 30, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "通信途絶時間", 6, 119, 54, 11, kInfoLabel},
    ControlTemplate{1316, K::ValueText, "", 62, 119, 82, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "自動切断実行", 186, 7, 74, 11, kInfoLabel},
    ControlTemplate{1058, K::ValueText, "", 262, 7, 52, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "回", 316, 7, 10, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "不完全フレーム", 186, 21, 74, 11, kInfoLabel},
    ControlTemplate{1057, K::ValueText, "", 262, 21, 52, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "回", 316, 21, 10, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "CRCエラー", 186, 35, 74, 11, kInfoLabel},
    ControlTemplate{1050, K::ValueText, "", 262, 35, 52, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "回", 316, 35, 10, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "タイムアウト", 186, 49, 74, 11, kInfoLabel},
    ControlTemplate{1051, K::ValueText, "", 262, 49, 52, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "回", 316, 49, 10, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "アライメントエラー", 186, 63, 74, 11, kInfoLabel},
    ControlTemplate{1056, K::ValueText, "", 262, 63, 52, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "回", 316, 63, 10, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "オーバーラン", 186, 77, 74, 11, kInfoLabel},
    ControlTemplate{1053, K::ValueText, "", 262, 77, 52, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "回", 316, 77, 10, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "フレームエラー", 186, 91, 74, 11, kInfoLabel},
    ControlTemplate{1054, K::ValueText, "", 262, 91, 52, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "回", 316, 91, 10, 11, kInfoLabel},
    ControlTemplate{kNoControlId, K::StaticText, "ﾊﾞｯﾌｧ　ｵｰﾊﾞｰﾗﾝ", 186, 105, 74, 11, kInfoLabel},
    ControlTemplate{1055, K::ValueText, "", 262, 105, 52, 11, kInfoValue},
    ControlTemplate{kNoControlId, K::StaticText, "回", 316, 105, 10, 11, kInfoLabel},
    ControlTemplate{1070, K::Button, "データをクリア", 196, 131, 66, 14},
    ControlTemplate{1, K::Button, "OK", 268, 131, 58, 14, kControlDefault},
};

// 138: the log text over the row of buttons.
constexpr std::array kLogViewerControls{
    ControlTemplate{1076, K::Edit, "", 7, 7, 344, 229,
                    kControlReadOnly | kControlMultiLine | kControlScrollBars},
    ControlTemplate{1077, K::Button, "ログを消去(&C)", 7, 245, 72, 15},
    ControlTemplate{1078, K::Button, "前回実行時の推移グラフ(&P)", 84, 245, 116, 15},
    ControlTemplate{1088, K::Button, "週間スコープ(&W)", 205, 245, 78, 15},
    ControlTemplate{1, K::Button, "閉じる", 294, 245, 57, 15, kControlDefault},
};

constexpr std::array kDialogs{
    DialogTemplate{kAboutDialog, "バージョン情報", kGothic, 9, 200, 76,
                   kDialogCaption | kDialogSystemMenu | kDialogModalFrame, kAboutControls},
    DialogTemplate{kMeterStandardDialog, "通信速度", kGothic, 10, 71, 29, kMeterStyle,
                   kStandardControls},
    DialogTemplate{kCountdownDialog, "システムの自動終了", kGothic, 9, 186, 62,
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
    // The settings sheet's pages and the charge detail dialog.
    DialogTemplate{kBasicPage, "基本動作", kGothic, 9, kPageWidth, kPageHeight, 0,
                   kBasicPageControls},
    DialogTemplate{kMousePage, "マウスボタン", kGothic, 9, kPageWidth, kPageHeight, 0,
                   kMousePageControls},
    DialogTemplate{kDiscPage, "自動切断", kGothic, 9, kPageWidth, kPageHeight, 0,
                   kDiscPageControls},
    DialogTemplate{kLayoutPage, "表示", kGothic, 9, kPageWidth, kPageHeight, 0,
                   kLayoutPageControls},
    DialogTemplate{kCumuPage, "累計情報", kGothic, 9, kPageWidth, kPageHeight, 0,
                   kCumuPageControls},
    DialogTemplate{kExtDllPage, "拡張DLL", kGothic, 9, kPageWidth, kPageHeight, 0,
                   kExtDllPageControls},
    DialogTemplate{kEtcPage, "その他", kGothic, 9, kPageWidth, kPageHeight, 0, kEtcPageControls},
    DialogTemplate{kQuotaPage, "データ量", kGothic, 9, kPageWidth, kPageHeight, 0,
                   kQuotaPageControls},
    DialogTemplate{kChargeDetailDialog, "料金詳細", kGothic, 9, 242, 191,
                   kDialogCaption | kDialogSystemMenu | kDialogModalFrame, kChargeDetailControls},
    // The viewers.
    DialogTemplate{kRateGraphDialog, "転送速度の推移", kGothic, 9, 340, 224, kViewerStyle,
                   kRateGraphControls},
    DialogTemplate{kDialupInfoDialog, "ダイヤルアップの情報", kGothic, 9, 332, 150, kViewerStyle,
                   kDialupInfoControls},
    DialogTemplate{kLogViewerDialog, "ログ表示", kGothic, 9, 358, 267, kViewerStyle,
                   kLogViewerControls},
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
