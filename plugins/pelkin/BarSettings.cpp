#include "plugins/pelkin/BarSettings.h"

#include "plugins/common/ProfileIni.h"

namespace trovik::pelkin {

BarSettings ReadBarSettings(const std::string& iniPath, std::uint32_t sizeDefault) {
    using plugin::GetProfileUInt;
    const BarColors defaults;
    BarSettings settings;
    settings.position = GetProfileUInt(iniPath, kIniSection, kKeyPosition, kLeft);
    settings.size = GetProfileUInt(iniPath, kIniSection, kKeySize, sizeDefault);
    settings.colors.base = GetProfileUInt(iniPath, kIniSection, kKeyColorBase, defaults.base);
    settings.colors.tx = GetProfileUInt(iniPath, kIniSection, kKeyColorTx, defaults.tx);
    settings.colors.rx = GetProfileUInt(iniPath, kIniSection, kKeyColorRx, defaults.rx);
    return settings;
}

bool WriteBarSettings(const std::string& iniPath, const BarSettings& settings) {
    return plugin::WriteProfileStrings(iniPath, kIniSection,
                                       {{kKeyPosition, std::to_string(settings.position)},
                                        {kKeySize, std::to_string(settings.size)},
                                        {kKeyColorBase, std::to_string(settings.colors.base)},
                                        {kKeyColorTx, std::to_string(settings.colors.tx)},
                                        {kKeyColorRx, std::to_string(settings.colors.rx)}});
}

}  // namespace trovik::pelkin
