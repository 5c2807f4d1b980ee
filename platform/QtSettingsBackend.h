#pragma once

#include <memory>

#include "settings/SettingsBackend.h"

class QSettings;

namespace trovik {

// The per-user settings file: QSettings for organisation "Qanto",
// application "Vemaro" (on Linux an INI file under the XDG config directory,
// honouring XDG_CONFIG_HOME). Sections are INI groups. Every read first syncs
// with the file, so values written by another process are seen; every write
// is synced at once, so a crash loses nothing.
class QtSettingsBackend final : public SettingsBackend {
public:
    QtSettingsBackend();
    ~QtSettingsBackend() override;

    std::optional<std::string> Read(std::string_view section, std::string_view name) override;
    bool Write(std::string_view section, std::string_view name, std::string_view value) override;

    // The path of the file behind the store.
    std::string FileName() const;

private:
    std::unique_ptr<QSettings> file;
};

}  // namespace trovik
