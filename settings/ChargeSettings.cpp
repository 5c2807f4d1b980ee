#include "settings/ChargeSettings.h"

#include "res/TextFormat.h"

namespace trovik {
namespace {

constexpr std::string_view kInstalledSection = "TollData";
constexpr std::uint32_t kNightAndLateHours = 0x8000FF;  // 23:00 to 8:00
constexpr std::uint32_t kWholeDay = 0xFFFFFF;

struct Preset {
    std::string_view name;
    std::uint32_t freeToll;
    std::uint32_t tollSpan;
    std::uint32_t freeSpan;
    std::uint32_t mask;  // the same for every weekday
};

constexpr Preset kPresets[] = {
    {"市内 通常料金", 0, 180, 240, kNightAndLateHours},
    {"市内 ﾀｲﾑﾌﾟﾗｽ(ｱﾅﾛｸﾞ)", 200, 300, 420, kNightAndLateHours},
    {"市内 ﾃﾚﾎｰﾀﾞｲ(ｱﾅﾛｸﾞ)", 1800, 180, 0, kNightAndLateHours},
    {"市内 ﾀｲﾑﾌﾟﾗｽ(ISDN)", 350, 300, 420, kNightAndLateHours},
    {"市内 ﾃﾚﾎｰﾀﾞｲ(ISDN)", 2400, 180, 0, kNightAndLateHours},
    {"隣接 通常料金", 0, 90, 120, kNightAndLateHours},
    {"隣接 ﾃﾚﾎｰﾀﾞｲ(ｱﾅﾛｸﾞ)", 3600, 90, 0, kNightAndLateHours},
    {"隣接 ﾃﾚﾎｰﾀﾞｲ(ISDN)", 4800, 90, 0, kNightAndLateHours},
    {"ﾌﾚｯﾂISDN", 4500, 0, 0, kWholeDay},
};

std::string Section(unsigned n) {
    return FormatText("TollData%u", {n});
}

std::string DowName(unsigned weekday) {
    return FormatText("Dow%u", {weekday});
}

std::int32_t AsStored(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}

}  // namespace

void InstallChargePresets(SettingsStore& store) {
    if (store.GetSectionInt(kInstalledSection, "Installed", 0) != 0) {
        return;
    }
    unsigned n = 0;
    for (const Preset& p : kPresets) {
        const std::string section = Section(n++);
        store.PutSectionString(section, "Description", p.name);
        store.PutSectionInt(section, "FreeToll", AsStored(p.freeToll));
        store.PutSectionInt(section, "TollSpan", AsStored(p.tollSpan));
        store.PutSectionInt(section, "FreeSpan", AsStored(p.freeSpan));
        for (unsigned d = 0; d < 7; ++d) {
            store.PutSectionInt(section, DowName(d), AsStored(p.mask));
        }
    }
    store.PutSectionInt(kInstalledSection, "Installed", 1);
}

std::string GetChargeTypeName(SettingsStore& store, unsigned n) {
    InstallChargePresets(store);
    if (n >= kChargeTypeCount) {
        return {};
    }
    return store.GetSectionString(Section(n), "Description", kUnregisteredChargeName);
}

void ReadChargeType(const SettingsStore& store, unsigned n, ChargeType& type) {
    type.dow.fill(0);
    if (n >= kChargeTypeCount) {
        return;
    }
    const std::string section = Section(n);
    for (unsigned d = 0; d < 7; ++d) {
        type.dow[d] = static_cast<std::uint32_t>(store.GetSectionInt(section, DowName(d), 0));
    }
    type.freeToll = static_cast<std::uint32_t>(store.GetSectionInt(section, "FreeToll", 0));
    type.tollSpan = static_cast<std::uint32_t>(store.GetSectionInt(section, "TollSpan", 180));
    type.freeSpan = static_cast<std::uint32_t>(store.GetSectionInt(section, "FreeSpan", 180));
}

void WriteChargeType(SettingsStore& store, unsigned n, const ChargeType& type) {
    if (n >= kChargeTypeCount) {
        return;
    }
    const std::string section = Section(n);
    store.PutSectionString(section, "Description", type.name);
    for (unsigned d = 0; d < 7; ++d) {
        store.PutSectionInt(section, DowName(d), AsStored(type.dow[d]));
    }
    store.PutSectionInt(section, "FreeToll", AsStored(type.freeToll));
    store.PutSectionInt(section, "TollSpan", AsStored(type.tollSpan));
    store.PutSectionInt(section, "FreeSpan", AsStored(type.freeSpan));
}

bool IsChargeTypeShown(const SettingsStore& store, unsigned n) {
    const auto mask = static_cast<std::uint32_t>(store.GetInt(SettingKey::TollTypesDispMask, -1));
    return ((mask >> (n % 32)) & 1u) != 0;
}

}  // namespace trovik
