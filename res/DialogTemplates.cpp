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

// --- the rate graph, the dial-up info and the log viewer ---

constexpr std::uint32_t kViewerStyle = kDialogCaption | kDialogSystemMenu | kDialogModalFrame;
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
    DialogTemplate{kCountdownDialog, "Windowsの自動終了", kGothic, 9, 186, 62,
                   kDialogCaption | kDialogModalFrame | kDialogTopMost, kCountdownControls},
    DialogTemplate{kMeterSmallDialog, "通信速度", kGothic, 10, 35, 29, kMeterStyle, kSmallControls},
    DialogTemplate{kMeterTinyWideDialog, "通信速度", kGothic, 10, 59, 7, kMeterStyle,
                   kTinyWideControls},
    DialogTemplate{kMeterLargeDialog, "通信速度", kGothic, 10, 86, 29, kMeterStyle, kLargeControls},
    DialogTemplate{kMeterTinyTallDialog, "通信速度", kGothic, 10, 31, 10, kMeterStyle,
                   kTinyTallControls},
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
