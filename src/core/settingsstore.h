#pragma once

#include <QString>

// The per-user settings: string values under application "Orbanek", section "Vantrel".
class SettingsStore
{
public:
    // The per-user location of the platform (registry on Windows, ~/.config on Linux).
    SettingsStore();
    // A settings file of its own, for tests.
    explicit SettingsStore(QString iniFile);

    // The stored value, or defaultValue when the key is absent or the store cannot be read.
    QString read(const QString& key, const QString& defaultValue) const;
    // Stores the value and flushes it to disk at once. False when the store cannot be written;
    // it never throws.
    bool write(const QString& key, const QString& value);

private:
    QString m_iniFile;
};
