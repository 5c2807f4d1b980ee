#include "settings/SheetPages.h"

#include <algorithm>

#include "settings/ChargeSettings.h"

namespace trovik {
namespace {

std::uint32_t StoredU32(const SettingsStore& store, SettingKey key, std::int32_t def) {
    return static_cast<std::uint32_t>(store.GetInt(key, def));
}

std::int32_t AsStored(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}

std::int32_t Flag(bool on) {
    return on ? 1 : 0;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Replace(std::string text, std::string_view what, std::string_view with) {
    if (const auto at = text.find(what); at != std::string::npos) {
        text.replace(at, what.size(), with);
    }
    return text;
}

}  // namespace

// --- number fields ---

NumberField ReadNumberField(std::string_view text, std::uint32_t low, std::uint32_t high) {
    text = TrimBlanks(text);
    NumberField field;
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        field.fault = NumberField::Fault::NotANumber;
        return field;
    }
    // Any number of digits: a value past 32 bits is simply out of range.
    std::uint64_t value = 0;
    for (const char c : text) {
        value = std::min<std::uint64_t>(value * 10 + static_cast<std::uint64_t>(c - '0'),
                                        std::uint64_t{1} << 33);
    }
    if (value < low || value > high) {
        field.fault = NumberField::Fault::OutOfRange;
        return field;
    }
    field.value = static_cast<std::uint32_t>(value);
    return field;
}

std::string FieldMessage(const NumberField& field, std::uint32_t low, std::uint32_t high) {
    if (field.fault == NumberField::Fault::NotANumber) {
        return std::string(kNotANumberText);
    }
    return Replace(Replace(std::string(kOutOfRangeFormat), "%1", std::to_string(low)), "%2",
                   std::to_string(high));
}

// --- 基本動作 ---

BasicPageValues LoadBasicPage(const SettingsStore& store) {
    BasicPageValues page;
    page.scaleTx = StoredU32(store, SettingKey::ScaleTx, 2000);
    page.scaleRx = StoredU32(store, SettingKey::ScaleRx, 5000);
    std::uint32_t span = StoredU32(store, SettingKey::Span, 30);
    page.mode = store.GetBool(SettingKey::SpanAll, false) ? 0 : 1;
    page.scaleTx = std::clamp(page.scaleTx, kMinScaleField, kMaxScaleField);
    page.scaleRx = std::clamp(page.scaleRx, kMinScaleField, kMaxScaleField);
    span = std::clamp(span, 1u, 100u);
    page.seconds = span / 10;
    return page;
}

void WriteBasicPage(SettingsStore& store, const BasicPageValues& page) {
    store.PutInt(SettingKey::SpanAll, Flag(page.mode == 0));
    store.PutInt(SettingKey::Span, AsStored(page.seconds * 10));
    store.PutInt(SettingKey::ScaleTx, AsStored(page.scaleTx));
    store.PutInt(SettingKey::ScaleRx, AsStored(page.scaleRx));
}

// --- マウスボタン ---

namespace {

constexpr std::array<SettingKey, 6> kClickKeys{SettingKey::ClickL,      SettingKey::ClickM,
                                               SettingKey::ClickR,      SettingKey::ClickShiftL,
                                               SettingKey::ClickShiftM, SettingKey::ClickShiftR};

}  // namespace

int ClickActionRow(std::uint32_t code) {
    const auto* at = std::find(kClickActions.begin(), kClickActions.end(), code);
    return at == kClickActions.end() ? 0 : static_cast<int>(at - kClickActions.begin());
}

std::uint32_t ClickActionCode(int row) {
    if (row < 0 || row >= static_cast<int>(kClickActionRows)) {
        return 0;
    }
    return kClickActions[static_cast<std::size_t>(row)];
}

MousePageValues LoadMousePage(const SettingsStore& store) {
    MousePageValues page;
    for (std::size_t i = 0; i < kClickKeys.size(); ++i) {
        page.rows[i] = ClickActionRow(StoredU32(store, kClickKeys[i], 0));
    }
    return page;
}

void WriteMousePage(SettingsStore& store, const MousePageValues& page) {
    for (std::size_t i = 0; i < kClickKeys.size(); ++i) {
        store.PutInt(kClickKeys[i], AsStored(ClickActionCode(page.rows[i])));
    }
}

// --- 自動切断 ---

DiscPageValues LoadDiscPage(const SettingsStore& store) {
    DiscPageValues page;
    page.discOnIdol = store.GetBool(SettingKey::DiscOnIdol, false);
    page.discOnError = store.GetBool(SettingKey::DiscOnError, false);
    page.discOnTimeUp = store.GetBool(SettingKey::DiscOnTimeUp, false);
    page.shutDownTimer = store.GetBool(SettingKey::ShutDownTimer, false);
    page.idolTimeIgnoreTx = store.GetBool(SettingKey::IdolTimeIgnoreTx, false);
    page.idolTimer = StoredU32(store, SettingKey::IdolTimer, 10);
    page.errorLimit = StoredU32(store, SettingKey::ErrorLimit, 3);
    page.shutDownTimeout = StoredU32(store, SettingKey::ShutDownTimeout, 30);
    return page;
}

void WriteDiscPage(SettingsStore& store, const DiscPageValues& page) {
    store.PutInt(SettingKey::DiscOnIdol, Flag(page.discOnIdol));
    store.PutInt(SettingKey::DiscOnError, Flag(page.discOnError));
    store.PutInt(SettingKey::DiscOnTimeUp, Flag(page.discOnTimeUp));
    store.PutInt(SettingKey::IdolTimeIgnoreTx, Flag(page.idolTimeIgnoreTx));
    store.PutInt(SettingKey::IdolTimer, AsStored(page.idolTimer));
    store.PutInt(SettingKey::ErrorLimit, AsStored(page.errorLimit));
    store.PutInt(SettingKey::ShutDownTimer, Flag(page.shutDownTimer));
    store.PutInt(SettingKey::ShutDownTimeout, AsStored(page.shutDownTimeout));
}

// --- 表示 ---

LayoutPageValues LoadLayoutPage(const SettingsStore& store) {
    LayoutPageValues page;
    const std::int32_t layout = store.GetInt(SettingKey::LayoutType, 0);
    page.layout = layout >= 0 && layout < static_cast<std::int32_t>(kLayoutCount) ? layout : 0;
    page.meterInTray = store.GetBool(SettingKey::MeterInTray, false);
    page.traySet = StoredU32(store, SettingKey::TrayIcon, 0);
    return page;
}

void WriteLayoutPage(SettingsStore& store, const LayoutPageValues& page) {
    store.PutInt(SettingKey::LayoutType, page.layout);
    store.PutInt(SettingKey::MeterInTray, Flag(page.meterInTray));
    store.PutInt(SettingKey::TrayIcon, AsStored(page.traySet));
}

bool TrayUpEnabled(std::uint32_t traySet) {
    return traySet != 0;
}

bool TrayDownEnabled(std::uint32_t traySet) {
    return traySet < kHighestTraySet;
}

// --- 累計情報 ---

CumuPageValues LoadCumuPage(SettingsStore& store) {
    CumuPageValues page;
    page.closeDay = StoredU32(store, SettingKey::TollCloseDay, 10);
    page.logCumulate = store.GetBool(SettingKey::LogCumulate, true);
    page.standardType = StoredU32(store, SettingKey::DefaultTollType, 0);
    const auto mask = StoredU32(store, SettingKey::TollTypesDispMask, -1);
    for (unsigned i = 0; i < kChargeTypeCount; ++i) {
        page.names[i] = GetChargeTypeName(store, i);
        page.shown[i] = ((mask >> i) & 1u) != 0;
    }
    return page;
}

void WriteCumuPage(SettingsStore& store, const CumuPageValues& page) {
    std::uint32_t mask = 0;
    for (unsigned i = 0; i < kChargeTypeCount; ++i) {
        if (page.shown[i]) {
            mask |= 1u << i;
        }
    }
    store.PutInt(SettingKey::TollCloseDay, AsStored(page.closeDay));
    store.PutInt(SettingKey::LogCumulate, Flag(page.logCumulate));
    store.PutInt(SettingKey::DefaultTollType, AsStored(page.standardType));
    store.PutInt(SettingKey::TollTypesDispMask, AsStored(mask));
}

ChargeRows FillChargeRows(const CumuPageValues& page, int position) {
    ChargeRows rows;
    for (unsigned r = 0; r < kChargeRows; ++r) {
        const auto type = static_cast<std::uint32_t>(position) + r;
        rows.shown[r] = type < kChargeTypeCount && page.shown[type];
        if (type == page.standardType) {
            rows.selectedRow = static_cast<int>(r);
        }
    }
    return rows;
}

void CollectChargeRows(CumuPageValues& page, int position, const ChargeRows& rows) {
    for (unsigned r = 0; r < kChargeRows; ++r) {
        const auto type = static_cast<std::uint32_t>(position) + r;
        if (type < kChargeTypeCount) {
            page.shown[type] = rows.shown[r];
        }
    }
    if (rows.selectedRow >= 0) {
        page.standardType = static_cast<std::uint32_t>(position + rows.selectedRow);
    }
}

ChargeType ResetChargeType() {
    ChargeType type;
    type.name = std::string(kUnregisteredChargeName);
    type.freeToll = 0;
    type.freeSpan = 240;
    type.tollSpan = 180;
    type.dow.fill(0x8000FF);
    return type;
}

// --- その他 ---

EtcPageValues LoadEtcPage(const SettingsStore& store, const LoginStart* login) {
    EtcPageValues page;
    page.topMost = store.GetBool(SettingKey::TopMost, false);
    page.iconTitle = store.GetBool(SettingKey::IconTitle, false);
    page.showError = store.GetBool(SettingKey::ShowError, false);
    page.logFile = store.GetBool(SettingKey::LogFile, false);
    page.logStatics = store.GetBool(SettingKey::LogStatics, false);
    page.trayIconOnStart = store.GetBool(SettingKey::TrayIconOnStart, false);
    page.askExitFromPopup = store.GetBool(SettingKey::AskExitFromPopup, true);
    page.interfaces = store.GetString(SettingKey::Interfaces);
    page.notify = store.GetBool(kNotifyRange.key, kNotifyRange.defaultValue != 0);
    page.appUsage = store.GetBool(SettingKey::AppUsage, true);
    page.startAtLogin = login != nullptr && login->Enabled();
    return page;
}

void WriteEtcPage(SettingsStore& store, const EtcPageValues& page) {
    store.PutInt(SettingKey::TopMost, Flag(page.topMost));
    store.PutInt(SettingKey::IconTitle, Flag(page.iconTitle));
    store.PutInt(SettingKey::ShowError, Flag(page.showError));
    store.PutInt(SettingKey::LogFile, Flag(page.logFile));
    store.PutInt(SettingKey::LogStatics, Flag(page.logStatics));
    store.PutInt(SettingKey::TrayIconOnStart, Flag(page.trayIconOnStart));
    store.PutInt(SettingKey::AskExitFromPopup, Flag(page.askExitFromPopup));
    store.PutString(SettingKey::Interfaces, TrimBlanks(page.interfaces));
    store.PutInt(kNotifyRange.key, Flag(page.notify));
    store.PutInt(SettingKey::AppUsage, Flag(page.appUsage));
}

bool ApplyLoginStart(LoginStart* login, bool atOpening, bool wanted) {
    if (login == nullptr || wanted == atOpening) {
        return true;
    }
    return login->Set(wanted);
}

bool ApplyExactAccounting(ExactAccounting* exact, bool atOpening, bool wanted) {
    if (exact == nullptr || wanted == atOpening) {
        return true;
    }
    return exact->Set(wanted);
}

std::string LoginStartMessage(bool wanted, std::string_view location) {
    return std::string(wanted ? "ログイン時に起動するよう登録できませんでした。"
                              : "ログイン時の起動を取り消せませんでした。") +
           "\n" + std::string(location);
}

std::vector<std::string> InterfaceWords(std::string_view list) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && IsBlank(list[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < list.size() && !IsBlank(list[i])) {
            ++i;
        }
        if (i > start) {
            words.emplace_back(list.substr(start, i - start));
        }
    }
    return words;
}

bool IsValidInterfaceName(std::string_view name) {
    if (name.empty() || name.size() > 15 || name == "." || name == "..") {
        return false;
    }
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == ':' || c == ' ' || (c >= '\t' && c <= '\r');
    });
}

std::optional<std::string> FirstBadInterfaceName(std::string_view list) {
    for (std::string& word : InterfaceWords(list)) {
        if (!IsValidInterfaceName(word)) {
            return std::move(word);
        }
    }
    return std::nullopt;
}

std::string InterfaceNameMessage(std::string_view name) {
    return "インターフェース名「" + std::string(name) +
           "」は使えません。1～15バイトで、「/」「:」と空白を含まず、「.」「..」以外の名前を"
           "入力してください。";
}

// --- データ量 ---

QuotaPageValues LoadQuotaPage(const SettingsStore& store) {
    const AllowanceSettings allowance = LoadAllowanceSettings(store);
    QuotaPageValues page;
    page.quotaMB = allowance.quotaMB;
    page.warnPercent = allowance.warnPercent;
    page.discOnQuota = allowance.discOnQuota;
    return page;
}

void WriteQuotaPage(SettingsStore& store, const QuotaPageValues& page) {
    store.PutInt(kQuotaMBRange.key, AsStored(page.quotaMB));
    store.PutInt(kQuotaWarnRange.key, AsStored(page.warnPercent));
    store.PutInt(kDiscOnQuotaRange.key, Flag(page.discOnQuota));
}

std::uint32_t EditedQuotaMB(std::string_view fieldText) {
    const NumberField field = ReadNumberField(fieldText, kMinQuotaField, kMaxQuotaField);
    return field.Ok() ? field.value : 0;
}

}  // namespace trovik
