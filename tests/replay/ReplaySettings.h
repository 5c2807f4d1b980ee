#pragma once

#include <QSettings>

namespace trovik::testing {

// Empties the settings store the replay runs on. Its file is found once per
// process (by XDG_CONFIG_HOME at the first use), so each test empties it
// where it is instead of removing a folder it may no longer be in.
inline void ClearReplaySettings() {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Qanto"),
                       QStringLiteral("Vemaro"));
    settings.clear();
    settings.sync();
}

}  // namespace trovik::testing
