#pragma once

// The settings sheet's pages without their windows: what each page reads
// from the store when it is first shown (with its corrections), how its
// number fields are checked, and what its OK writes, in which order. The
// window classes in ui/ move these values in and out of their controls.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/AllowanceSettings.h"
#include "settings/ExactAccounting.h"
#include "settings/LoginStart.h"
#include "settings/MeterSettings.h"
#include "settings/SettingsStore.h"
#include "stats/Charges.h"

namespace trovik {

// --- number fields ---

inline constexpr std::string_view kNotANumberText = "正の整数を入力してください。";
inline constexpr std::string_view kOutOfRangeFormat = "%1 から %2 までの整数を入力してください。";

// A number field as read from its text: an unsigned decimal integer within
// [low, high]. Blanks around the digits are ignored.
struct NumberField {
    enum class Fault : std::uint8_t { None, NotANumber, OutOfRange };
    std::uint32_t value = 0;
    Fault fault = Fault::None;
    bool Ok() const { return fault == Fault::None; }
};

NumberField ReadNumberField(std::string_view text, std::uint32_t low, std::uint32_t high);

// The message for a refused field: kNotANumberText, or kOutOfRangeFormat
// with the bounds in decimal.
std::string FieldMessage(const NumberField& field, std::uint32_t low, std::uint32_t high);

// A radio group's value: the index of the chosen button, -1 for none.
inline constexpr int kNoRadio = -1;

// --- 基本動作 ---

struct BasicPageValues {
    std::uint32_t scaleRx = 5000;
    std::uint32_t scaleTx = 2000;
    std::uint32_t seconds = 3;  // Span ÷ 10; 1 to 10 once checked
    int mode = 1;               // 0 the whole transfer's average, 1 the fixed-time average
};

inline constexpr std::uint32_t kMinScaleField = 1;
inline constexpr std::uint32_t kMaxScaleField = 100000000;
inline constexpr std::uint32_t kMinSecondsField = 1;
inline constexpr std::uint32_t kMaxSecondsField = 10;

BasicPageValues LoadBasicPage(const SettingsStore& store);
// SpanAll, Span, ScaleTx, ScaleRx.
void WriteBasicPage(SettingsStore& store, const BasicPageValues& page);

// --- マウスボタン ---

inline constexpr unsigned kClickActionRows = 8;
// The action code of each row of the page, top to bottom.
inline constexpr std::array<std::uint32_t, kClickActionRows> kClickActions{0,   135, 288, 320,
                                                                           384, 400, 336, 368};

// The row of an action code; a code the page does not offer gives row 0.
int ClickActionRow(std::uint32_t code);
// The action code of a row; row 0 and rows outside the table give 0.
std::uint32_t ClickActionCode(int row);

// The six bindings in the page's exchange order: left, middle, right,
// Shift + left, Shift + middle, Shift + right.
struct MousePageValues {
    std::array<int, 6> rows{};
};

MousePageValues LoadMousePage(const SettingsStore& store);
// ClickL, ClickM, ClickR, ClickShiftL, ClickShiftM, ClickShiftR.
void WriteMousePage(SettingsStore& store, const MousePageValues& page);

// --- 自動切断 ---

struct DiscPageValues {
    bool discOnIdol = false;
    bool discOnError = false;
    bool discOnTimeUp = false;
    bool shutDownTimer = false;
    bool idolTimeIgnoreTx = false;
    std::uint32_t idolTimer = 10;        // minutes, 1 to 30
    std::uint32_t errorLimit = 3;        // 0 to 100
    std::uint32_t shutDownTimeout = 30;  // minutes, 1 to 720
};

DiscPageValues LoadDiscPage(const SettingsStore& store);
// DiscOnIdol, DiscOnError, DiscOnTimeUp, IdolTimeIgnoreTx, IdolTimer,
// ErrorLimit, ShutDownTimer, ShutDownTimeout.
void WriteDiscPage(SettingsStore& store, const DiscPageValues& page);

// --- 表示 ---

inline constexpr unsigned kLayoutCount = 5;
inline constexpr std::uint32_t kHighestTraySet = 4;  // five sets, bitmaps 146 to 150

struct LayoutPageValues {
    int layout = 0;  // radio index = LayoutType
    bool meterInTray = false;
    std::uint32_t traySet = 0;  // TrayIcon, compared unsigned
};

// A LayoutType the meter does not know shows the standard layout it falls
// back to.
LayoutPageValues LoadLayoutPage(const SettingsStore& store);
// LayoutType, MeterInTray, TrayIcon.
void WriteLayoutPage(SettingsStore& store, const LayoutPageValues& page);

// The arrows beside the preview. Up lowers the set and down raises it; each
// is enabled only while it can move (and, from the check box, only while the
// preview is on).
bool TrayUpEnabled(std::uint32_t traySet);
bool TrayDownEnabled(std::uint32_t traySet);

// --- 累計情報 ---

inline constexpr unsigned kChargeRows = 6;
// The list's positions: 0 to 10, so that the last of the 16 types can show
// (the End key goes there too).
inline constexpr int kLastChargeListPosition = static_cast<int>(kChargeTypeCount - kChargeRows);

inline constexpr std::uint32_t kMinCloseDay = 1;
inline constexpr std::uint32_t kMaxCloseDay = 28;

struct CumuPageValues {
    std::uint32_t closeDay = 10;
    bool logCumulate = true;
    std::uint32_t standardType = 0;  // DefaultTollType
    std::array<std::string, kChargeTypeCount> names;
    std::array<bool, kChargeTypeCount> shown{};
};

// Reads the page's keys (LogCumulate with default 1) and the 16 type names;
// the first name read installs the charge presets.
CumuPageValues LoadCumuPage(SettingsStore& store);
// TollCloseDay, LogCumulate, DefaultTollType, TollTypesDispMask (bit i for
// each shown type i, bits 16 to 31 clear).
void WriteCumuPage(SettingsStore& store, const CumuPageValues& page);

// The six rows at list position p: each row's display flag, and the row
// whose radio is on (kNoRadio when the standard type is out of view).
struct ChargeRows {
    std::array<bool, kChargeRows> shown{};
    int selectedRow = kNoRadio;
};

ChargeRows FillChargeRows(const CumuPageValues& page, int position);
// Takes the rows' state back at position p; a chosen radio makes its type the
// standard one, no radio keeps the standard type as it is.
void CollectChargeRows(CumuPageValues& page, int position, const ChargeRows& rows);

// The reset values of the charge detail dialog: "未登録", fee 0, 180 and 240
// seconds, discount hours 23:00 to 8:00 on every weekday.
ChargeType ResetChargeType();

// --- その他 ---

struct EtcPageValues {
    bool iconTitle = false;
    bool topMost = false;
    bool showError = false;
    bool logFile = false;
    bool logStatics = false;
    bool trayIconOnStart = false;
    bool askExitFromPopup = true;
    std::string interfaces;  // blank-separated interface names; empty: every PPP link
    bool notify = true;
    bool appUsage = true;
    // Start at login: the desktop's autostart entry, never a key of the store.
    bool startAtLogin = false;
    // Exact accounting: the helper answers (when the page opened), never a
    // key of the store.
    bool exactAccounting = false;
};

// The keys, and start at login from `login` (off when there is none).
EtcPageValues LoadEtcPage(const SettingsStore& store, const LoginStart* login);
// TopMost, IconTitle, ShowError, LogFile, LogStatics, TrayIconOnStart,
// AskExitFromPopup, Interfaces (as given, blanks trimmed at both ends), then
// Notify, AppUsage. Start at login is not among them: see ApplyLoginStart.
void WriteEtcPage(SettingsStore& store, const EtcPageValues& page);

// Turns start at login on or off when the page's box differs from what the
// entry said when the page was read; an unchanged box leaves the entry (which
// the user may have edited by hand) alone. False when the change failed.
bool ApplyLoginStart(LoginStart* login, bool atOpening, bool wanted);

// Asks for the helper's service to be turned on or off when the page's box
// differs from how it was at the opening. False when it could not be asked.
bool ApplyExactAccounting(ExactAccounting* exact, bool atOpening, bool wanted);

// The message for a start at login that could not be changed.
std::string LoginStartMessage(bool wanted, std::string_view location);

// The words of an interface list, split at blanks and tabs.
std::vector<std::string> InterfaceWords(std::string_view list);

// Whether the kernel takes `name` for a network interface: 1 to 15 bytes,
// no "/", ":" or white space, and neither "." nor "..".
bool IsValidInterfaceName(std::string_view name);

// The first word of the list that is no valid interface name, if any.
std::optional<std::string> FirstBadInterfaceName(std::string_view list);

// The message for a refused interface name.
std::string InterfaceNameMessage(std::string_view name);

// --- データ量 ---

// The allowance's fields, with the ranges of the keys.
inline constexpr auto kMinQuotaField = static_cast<std::uint32_t>(kQuotaMBRange.min);
inline constexpr auto kMaxQuotaField = static_cast<std::uint32_t>(kQuotaMBRange.max);
inline constexpr auto kMinQuotaWarnField = static_cast<std::uint32_t>(kQuotaWarnRange.min);
inline constexpr auto kMaxQuotaWarnField = static_cast<std::uint32_t>(kQuotaWarnRange.max);

struct QuotaPageValues {
    std::uint32_t quotaMB = 0;       // MiB per billing period; 0: none
    std::uint32_t warnPercent = 80;  // 1 to 100
    bool discOnQuota = false;
};

// Reads the keys as the meter does: an allowance below the range as none, one
// above it as its end, a warning level outside it as 80.
QuotaPageValues LoadQuotaPage(const SettingsStore& store);
// QuotaMB, QuotaWarn, DiscOnQuota.
void WriteQuotaPage(SettingsStore& store, const QuotaPageValues& page);

// The allowance a field's text stands for while it is being edited: its
// number when it is a valid one, else none.
std::uint32_t EditedQuotaMB(std::string_view fieldText);

}  // namespace trovik
