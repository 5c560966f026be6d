#include "settingsstore.h"

#include "apptitle.h"

#include <QSettings>

#include <memory>
#include <utility>

namespace {
std::unique_ptr<QSettings> openSettings(const QString& iniFile)
{
    auto settings = iniFile.isEmpty()
                        ? std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                      QStringLiteral("Orbanek"))
                        : std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
    settings->beginGroup(QLatin1String(ProductTitle));
    return settings;
}
} // namespace

SettingsStore::SettingsStore() = default;

SettingsStore::SettingsStore(QString iniFile) : m_iniFile(std::move(iniFile)) {}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const
{
    auto settings = openSettings(m_iniFile);
    if (settings->status() != QSettings::NoError)
        return defaultValue;
    return settings->value(key, defaultValue).toString();
}

bool SettingsStore::write(const QString& key, const QString& value)
{
    auto settings = openSettings(m_iniFile);
    settings->setValue(key, value);
    // Written through at once: the process may end abruptly at any moment.
    settings->sync();
    return settings->status() == QSettings::NoError && settings->isWritable();
}
