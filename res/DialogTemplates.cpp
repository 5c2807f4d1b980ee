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
