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
//
// Something other than a regular file in the file's place (a FIFO, a device,
// a directory) would make QSettings wait or misread: the store then never
// opens it, keeps its values in memory from the defaults on, and never
// replaces that file. Refused() tells the caller, who tells the user.
class QtSettingsBackend final : public SettingsBackend {
public:
    QtSettingsBackend();
    ~QtSettingsBackend() override;

    std::optional<std::string> Read(std::string_view section, std::string_view name) override;
    bool Write(std::string_view section, std::string_view name, std::string_view value) override;

    // The path of the file behind the store.
    std::string FileName() const;

    // The file in place is not a regular file: the store lives in memory.
    bool Refused();

private:
    std::unique_ptr<QSettings> file;  // none while refused from the start
    std::string path;
    bool refused = false;
    MemorySettingsBackend memory;
};

// The one line that says the settings file was refused, with its path.
std::string SettingsFileRefusedText(const std::string& path);

}  // namespace trovik
