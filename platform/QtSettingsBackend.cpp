#include "platform/QtSettingsBackend.h"

#include <sys/stat.h>

#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QVariant>

namespace trovik {
namespace {

QString Key(std::string_view section, std::string_view name) {
    QString key = QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size()));
    key += QLatin1Char('/');
    key += QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    return key;
}

// Missing (a first start) or a regular file, through a link or not: a file
// QSettings reads without waiting. Any other failure to look (no access)
// leaves the file to QSettings, which reads such a file as empty.
bool IsUsableSettingsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode);
}

}  // namespace

std::string SettingsFileRefusedText(const std::string& path) {
    return "設定ファイルが通常のファイルではないため、既定の設定で動作し、このファイルには書き込み"
           "ません: " +
           path;
}

// QSettings reads its file as it is made, so the file's kind is looked at
// first, where QSettings will look for it: the XDG config folder.
QtSettingsBackend::QtSettingsBackend()
    : path((QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/Qanto/Vemaro.conf"))
               .toStdString()) {
    if (Refused()) {
        return;
    }
    file = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Qanto"), QStringLiteral("Vemaro"));
    path = file->fileName().toStdString();
}

QtSettingsBackend::~QtSettingsBackend() = default;

bool QtSettingsBackend::Refused() {
    // Looked at before every use, since the file may be put in place later.
    if (!refused && !IsUsableSettingsFile(path)) {
        refused = true;
    }
    return refused;
}

std::optional<std::string> QtSettingsBackend::Read(std::string_view section,
                                                   std::string_view name) {
    if (Refused()) {
        return memory.Read(section, name);
    }
    file->sync();
    const QVariant value = file->value(Key(section, name));
    if (!value.isValid()) {
        return std::nullopt;
    }
    // A key that the user turned into a list or a group is not a value.
    if (value.typeId() != QMetaType::QString) {
        return value.canConvert<QString>() ? std::optional(value.toString().toStdString())
                                           : std::nullopt;
    }
    return value.toString().toStdString();
}

bool QtSettingsBackend::Write(std::string_view section, std::string_view name,
                              std::string_view value) {
    if (Refused()) {
        return memory.Write(section, name, value);
    }
    file->setValue(Key(section, name),
                   QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
    file->sync();
    return file->status() == QSettings::NoError && file->isWritable();
}

std::string QtSettingsBackend::FileName() const {
    return path;
}

}  // namespace trovik
