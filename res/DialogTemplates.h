#pragma once

// The program's dialogs as data: for each dialog its caption, font, size and
// styles, and its controls with their ids, kinds, texts and places. Sizes and
// places are in dialog units, which the window side turns into pixels with
// the dialog font's metrics (a quarter of the font's average character width
// across, an eighth of its height down), so a dialog keeps its proportions
// whatever font size the desktop gives it.

#include <cstdint>
#include <span>

namespace trovik {

// Window styles of a dialog, as bits.
enum DialogStyle : std::uint32_t {
    kDialogCaption = 0x01,      // a title bar
    kDialogSystemMenu = 0x02,   // the window menu and the close box
    kDialogMinimizeBox = 0x04,  // a minimise button
    kDialogModalFrame = 0x08,   // a fixed-size frame, not resizable
    kDialogAppWindow = 0x10,    // its own taskbar button even when owned
    kDialogToolWindow = 0x20,   // a thin title bar and no taskbar button
    kDialogTopMost = 0x40,      // stays above ordinary windows
};

// What a control is; the window side picks the widget.
enum class ControlKind : std::uint8_t {
    StaticText,    // a fixed label
    ValueText,     // a text the program rewrites while the dialog is open
    Frame,         // a rectangle the dialog draws into, or a plain frame
    Icon,          // an icon picture, `image` names it
    Button,        // a push button
    ProgressBar,   // 0 to 100
    GroupBox,      // a titled frame around other controls (not their parent)
    CheckBox,      // a two-state check box
    RadioButton,   // one choice of a group (see kControlGroup)
    Edit,          // a text field
    SpinEdit,      // a number field with up and down arrows in one control
    DropDownList,  // a list to choose one entry from, no free text
    ScrollBar,     // a vertical scroll bar
    // The settings sheet's kinds.
    UpDown,    // two arrow buttons that step the number of the edit before it
    ListView,  // a list of rows with columns, one row chosen at a time
};

// Control flags, as bits.
enum ControlFlag : std::uint32_t {
    kControlLeft = 0x0000,  // text alignment across; left is the default
    kControlCenter = 0x0001,
    kControlRight = 0x0002,
    kControlVCenter = 0x0004,     // text centred vertically (else at the top)
    kControlSunken = 0x0008,      // a sunken border
    kControlHidden = 0x0010,      // created invisible
    kControlDisabled = 0x0020,    // created disabled
    kControlDefault = 0x0040,     // the default button (Enter presses it)
    kControlGroup = 0x0080,       // starts a new group of radio buttons
    kControlWordWrap = 0x0100,    // a long text breaks into lines
    kControlReadOnly = 0x0200,    // an edit that shows text only
    kControlMultiLine = 0x0400,   // an edit of many lines
    kControlScrollBars = 0x0800,  // a many-line edit with both scroll bars, no wrapping
    kControlDigitsOnly = 0x1000,  // an edit that takes decimal digits only
    kControlEtched = 0x2000,      // an etched (grooved) border
    kControlInvisible = 0x4000,   // never shown: only its rectangle is used
};

// A control id nobody addresses (fixed labels and frames).
inline constexpr unsigned kNoControlId = 0;

struct ControlTemplate {
    unsigned id = kNoControlId;
    ControlKind kind = ControlKind::StaticText;
    const char* text = "";  // UTF-8
    std::int16_t x = 0;     // dialog units from the client area's top left
    std::int16_t y = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::uint32_t flags = 0;  // ControlFlag bits
    unsigned image = 0;       // the icon of an Icon control
};

struct DialogTemplate {
    unsigned id = 0;
    const char* caption = "";   // UTF-8
    const char* fontFace = "";  // as the dialog names it; see the font substitutes
    unsigned fontPoints = 9;
    std::int16_t width = 0;  // client area, dialog units
    std::int16_t height = 0;
    std::uint32_t style = 0;  // DialogStyle bits
    std::span<const ControlTemplate> controls;
};

// Dialog ids.
inline constexpr unsigned kAboutDialog = 100;
inline constexpr unsigned kMeterStandardDialog = 102;  // LayoutType 0
inline constexpr unsigned kMeterSmallDialog = 140;     // LayoutType 1
inline constexpr unsigned kMeterTinyWideDialog = 141;  // LayoutType 2
inline constexpr unsigned kMeterLargeDialog = 142;     // LayoutType 4
inline constexpr unsigned kMeterTinyTallDialog = 143;  // LayoutType 3
inline constexpr unsigned kCountdownDialog = 132;

// Control ids of the meter layouts (1000 and 1001 are in core/WindowHooks.h).
inline constexpr unsigned kSendBarControl = 1080;
inline constexpr unsigned kRecvBarControl = 1079;
inline constexpr unsigned kErrorIconControl = 1032;

// Control ids of the countdown and about dialogs.
inline constexpr unsigned kOkButton = 1;
inline constexpr unsigned kCancelButton = 2;
inline constexpr unsigned kCountdownProgressControl = 1010;
inline constexpr unsigned kCountdownTextControl = 1011;
inline constexpr unsigned kAboutIconControl = 1200;
inline constexpr unsigned kAboutVersionControl = 1201;
inline constexpr unsigned kAboutDescriptionControl = 1202;

// The weekly scope (144) and the cumulative info (147).
inline constexpr unsigned kWeeklyScopeDialog = 144;
inline constexpr unsigned kCumInfoDialog = 147;

// Control ids of the weekly scope: one strip per weekday, drawn over by the
// dialog, and the status line.
inline constexpr unsigned kScopeMondayStrip = 1080;
inline constexpr unsigned kScopeTuesdayStrip = 1081;
inline constexpr unsigned kScopeWednesdayStrip = 1082;
inline constexpr unsigned kScopeThursdayStrip = 1084;
inline constexpr unsigned kScopeFridayStrip = 1083;
inline constexpr unsigned kScopeSaturdayStrip = 1085;
inline constexpr unsigned kScopeSundayStrip = 1086;
inline constexpr unsigned kScopeStatusControl = 1087;

// Control ids of the cumulative info.
inline constexpr unsigned kCumThisMonthButton = 1117;
inline constexpr unsigned kCumPeriodList = 1116;
inline constexpr unsigned kCumCloseDaySpin = 1128;
inline constexpr unsigned kCumTotalTimeText = 1102;
inline constexpr unsigned kCumRecvText = 1049;
inline constexpr unsigned kCumSentText = 1048;
inline constexpr unsigned kCumChartFrame = 1017;
inline constexpr unsigned kCumFullLabel = 1118;
inline constexpr unsigned kCumHalfLabel = 1119;
inline constexpr unsigned kCumZeroLabel = 1120;
inline constexpr unsigned kCumScaleSpin = 1129;
inline constexpr unsigned kCumBestScaleButton = 1130;
inline constexpr unsigned kCumTimeView = 1006;      // ChartMode 0
inline constexpr unsigned kCumTransferView = 1132;  // 1
inline constexpr unsigned kCumHourView = 1131;      // 2
inline constexpr unsigned kCumChargeView = 1314;    // 3
inline constexpr unsigned kCumTypeList = 1110;
inline constexpr unsigned kCumColourBox = 1315;
inline constexpr unsigned kCumNormalMinutes = 1109;
inline constexpr unsigned kCumDiscountMinutes = 1108;
inline constexpr unsigned kCumNormalYen = 1112;
inline constexpr unsigned kCumDiscountYen = 1111;
inline constexpr unsigned kCumTotalYen = 1114;

// The settings sheet's pages and the charge detail dialog.
inline constexpr unsigned kBasicPage = 135;   // 基本動作
inline constexpr unsigned kMousePage = 136;   // マウスボタン
inline constexpr unsigned kDiscPage = 137;    // 自動切断
inline constexpr unsigned kEtcPage = 139;     // その他
inline constexpr unsigned kLayoutPage = 145;  // 表示
inline constexpr unsigned kCumuPage = 148;    // 累計情報
inline constexpr unsigned kChargeDetailDialog = 150;
inline constexpr unsigned kExtDllPage = 151;  // 拡張DLL
inline constexpr unsigned kQuotaPage = 152;   // データ量

// The mouse page's radio grid: six columns of eight. The columns' first
// buttons, left to right (Shift + left, middle, right; then left, middle,
// right); row r of a column is MouseRadioId(column, r).
inline constexpr unsigned kMouseColumnFirstIds[6] = {1091, 1083, 1075, 1063, 1057, 1051};
constexpr unsigned MouseRadioId(unsigned column, unsigned row) {
    return row < 6 ? kMouseColumnFirstIds[column] + row : 1210 + 2 * column + (row - 6);
}

// The cumulative page's six rows of charge types.
struct ChargeRowIds {
    unsigned radio;
    unsigned check;
    unsigned name;
    unsigned button;
};
inline constexpr ChargeRowIds kChargeRowIds[6] = {
    {1137, 1133, 1136, 1134}, {1139, 1138, 1141, 1140}, {1147, 1146, 1149, 1148},
    {1151, 1150, 1153, 1152}, {1155, 1154, 1157, 1156}, {1159, 1158, 1161, 1160},
};

// The charge detail dialog's grid: the box of weekday d (0 = Sunday) and hour h.
constexpr unsigned ChargeHourId(unsigned weekday, unsigned hour) {
    return 1144 + 7 * hour + weekday;
}

// その他's interface field and the names of the interfaces present now.
inline constexpr unsigned kInterfacesControl = 1340;
inline constexpr unsigned kInterfacesHintControl = 1341;
// その他's desktop notification and start-at-login boxes.
inline constexpr unsigned kNotifyBox = 1342;
inline constexpr unsigned kLoginStartBox = 1343;

// データ量: the allowance, the warning level and its up-down, the hang-up
// box, and the period's use so far with today's budget and the projection.
inline constexpr unsigned kQuotaField = 1344;
inline constexpr unsigned kQuotaWarnField = 1345;
inline constexpr unsigned kQuotaWarnSpin = 1346;
inline constexpr unsigned kDiscOnQuotaBox = 1347;
inline constexpr unsigned kQuotaUseText = 1348;
inline constexpr unsigned kQuotaBudgetText = 1349;
inline constexpr unsigned kQuotaProjectionText = 1350;

// その他's box of the usage per application.
inline constexpr unsigned kAppUsageBox = 1351;
// その他's box of exact accounting (the privileged helper) and the line that
// says why it cannot be had.
inline constexpr unsigned kExactBox = 1352;
inline constexpr unsigned kExactReasonText = 1353;

// Icon ids.
inline constexpr unsigned kProgramIcon = 128;
inline constexpr unsigned kErrorIcon = 133;

// The rate graph (131), the dial-up info (134) and the log viewer (138).
inline constexpr unsigned kRateGraphDialog = 131;
inline constexpr unsigned kDialupInfoDialog = 134;
inline constexpr unsigned kLogViewerDialog = 138;

// Control ids of the rate graph.
inline constexpr unsigned kGraphFrameControl = 1017;
inline constexpr unsigned kGraphModeControls[4] = {1013, 1014, 1015, 1016};
inline constexpr unsigned kGraphSendBox = 1021;
inline constexpr unsigned kGraphRecvBox = 1022;
inline constexpr unsigned kGraphAverageBox = 1042;
inline constexpr unsigned kGraphErrorBox = 1043;
inline constexpr unsigned kGraphConnectBox = 1044;
inline constexpr unsigned kGraphSendAxisBox = 1023;
inline constexpr unsigned kGraphRecvAxisBox = 1041;
// Axis labels from the top (100 %) down to 20 %.
inline constexpr unsigned kGraphSendAxisLabels[5] = {1031, 1032, 1033, 1034, 1035};
inline constexpr unsigned kGraphRecvAxisLabels[5] = {1036, 1037, 1038, 1039, 1040};
// Time labels for 120, 100, 80, 60, 40, 20 and 0 points back.
inline constexpr unsigned kGraphTimeLabels[7] = {1024, 1029, 1026, 1025, 1028, 1027, 1030};
inline constexpr unsigned kClearDataButton = 1070;

// Control ids of the log viewer.
inline constexpr unsigned kLogTextControl = 1076;
inline constexpr unsigned kLogClearButton = 1077;
inline constexpr unsigned kLogSnapshotButton = 1078;
inline constexpr unsigned kLogWeeklyScopeButton = 1088;

// The dialog of that id, or nullptr when there is none. The template lives
// for the whole program.
const DialogTemplate* FindDialogTemplate(unsigned id);

// The control of that id in the template, or nullptr (also for id 0).
const ControlTemplate* FindControlTemplate(const DialogTemplate& dialog, unsigned controlId);

}  // namespace trovik
