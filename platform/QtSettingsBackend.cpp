#include "platform/QtSettingsBackend.h"

#include <QSettings>
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

}  // namespace

QtSettingsBackend::QtSettingsBackend()
    : file(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Qanto"), QStringLiteral("Vemaro"))) {}

QtSettingsBackend::~QtSettingsBackend() = default;

std::optional<std::string> QtSettingsBackend::Read(std::string_view section,
                                                   std::string_view name) {
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
    file->setValue(Key(section, name),
                   QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
    file->sync();
    return file->status() == QSettings::NoError && file->isWritable();
}

std::string QtSettingsBackend::FileName() const {
    return file->fileName().toStdString();
}

}  // namespace trovik
