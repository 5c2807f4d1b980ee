#pragma once

#include <string>

#include "settings/SettingsStore.h"
#include "stats/Charges.h"

namespace trovik {

// The call-charge types as the settings store keeps them: sections
// "TollData0" to "TollData15", the presets' mark "Installed" in "TollData",
// and which types are offered in TollTypesDispMask.

// Writes the nine preset tariffs as types 0 to 8, once per profile: only
// while "Installed" of section "TollData" reads 0.
void InstallChargePresets(SettingsStore& store);

// The type's display name (installing the presets first); empty above 15.
std::string GetChargeTypeName(SettingsStore& store, unsigned n);

// Reads type n into `type`; the masks are cleared first, and above 15
// nothing more is read. The name is left as it is.
void ReadChargeType(const SettingsStore& store, unsigned n, ChargeType& type);

// Stores type n (0 to 15; others are never written).
void WriteChargeType(SettingsStore& store, unsigned n, const ChargeType& type);

// Whether type n is offered for selection: bit (n mod 32) of TollTypesDispMask.
bool IsChargeTypeShown(const SettingsStore& store, unsigned n);

}  // namespace trovik
