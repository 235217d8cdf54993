#pragma once

// The per-user settings store: the only place that touches QSettings. Every
// key has one typed getter in EngineSettings or WindowSettings that supplies
// the default when the key is absent, and one setter, so the store never
// needs initialising. The store is the portable "varnix.ini" beside the
// program when that file exists, otherwise the platform's native per-user
// store; a store made without a program folder lives in memory only, so that
// tests and embedded runs never read or change the user's preferences.

#include <QColor>
#include <QMap>
#include <QString>
#include <QVariant>

#include <memory>
#include <mutex>

class QSettings;

class SettingsStore
{
public:
    static constexpr const char* IniFileName = "varnix.ini";
    static constexpr const char* OrganizationName = "Varnix Software";
    static constexpr const char* ApplicationName = "Varnix";

    // A store that looks for the portable INI file in programDirectory.
    explicit SettingsStore(const QString& programDirectory);
    // A store in memory: every getter answers its default until set.
    SettingsStore();
    virtual ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // 0 the native store, 1 the portable .ini file.
    bool usesIniFile() const { return m_usesIni; }
    QString iniFilePath() const;
    void setStoreInIniFile(bool ini);
    void sync();
    bool contains(const QString& key) const;

protected:
    QVariant value(const char* key, const QVariant& fallback = QVariant()) const;
    QVariant value(const QString& key, const QVariant& fallback = QVariant()) const;
    void set(const char* key, const QVariant& value);
    void set(const QString& key, const QVariant& value);
    // Removes a key and every key below it.
    void remove(const QString& key);
    double real(const char* key, double fallback) const;
    int integer(const char* key, int fallback) const;
    bool boolean(const char* key, bool fallback) const;
    QString text(const char* key, const char* fallback) const;
    QColor color(const char* key, const char* fallback) const;

private:
    void openStore();

    QString m_programDirectory;
    bool m_usesIni = false;
    std::unique_ptr<QSettings> m_store;
    QVariantMap m_memory;
    // A run on a worker thread reads settings (and may raise the memory
    // maximum) while the window reads and writes them.
    mutable std::mutex m_lock;
};
