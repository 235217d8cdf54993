#include "core/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace {

void copyAll(const QSettings& from, QSettings& to)
{
    const QStringList keys = from.allKeys();
    for (const QString& key : keys)
        to.setValue(key, from.value(key));
    to.sync();
}

} // namespace

SettingsStore::SettingsStore(const QString& programDirectory) : m_programDirectory(programDirectory)
{
    openStore();
}

SettingsStore::SettingsStore() = default;

SettingsStore::~SettingsStore() = default;

QString SettingsStore::iniFilePath() const
{
    return QDir(m_programDirectory).filePath(QString::fromLatin1(IniFileName));
}

void SettingsStore::openStore()
{
    m_usesIni = QFile::exists(iniFilePath());
    if (m_usesIni)
        m_store = std::make_unique<QSettings>(iniFilePath(), QSettings::IniFormat);
    else
        m_store = std::make_unique<QSettings>(
            QString::fromLatin1(OrganizationName), QString::fromLatin1(ApplicationName));
}

void SettingsStore::setStoreInIniFile(bool ini)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (ini == m_usesIni || !m_store)
        return;
    if (ini) {
        auto store = std::make_unique<QSettings>(iniFilePath(), QSettings::IniFormat);
        copyAll(*m_store, *store);
        m_store = std::move(store);
    } else {
        auto store = std::make_unique<QSettings>(
            QString::fromLatin1(OrganizationName), QString::fromLatin1(ApplicationName));
        copyAll(*m_store, *store);
        m_store = std::move(store);
        QFile::remove(iniFilePath());
    }
    m_usesIni = ini;
}

void SettingsStore::sync()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_store)
        m_store->sync();
}

QVariant SettingsStore::value(const char* key, const QVariant& fallback) const
{
    return value(QLatin1String(key), fallback);
}

QVariant SettingsStore::value(const QString& key, const QVariant& fallback) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_store ? m_store->value(key, fallback) : m_memory.value(key, fallback);
}

void SettingsStore::set(const char* key, const QVariant& value)
{
    set(QString(QLatin1String(key)), value);
}

void SettingsStore::set(const QString& key, const QVariant& value)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_store)
        m_store->setValue(key, value);
    else
        m_memory.insert(key, value);
}

void SettingsStore::remove(const QString& key)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_store) {
        m_store->remove(key);
        return;
    }
    const QString below = key + QLatin1Char('/');
    for (auto it = m_memory.begin(); it != m_memory.end();)
        it = it.key() == key || it.key().startsWith(below) ? m_memory.erase(it) : std::next(it);
}

bool SettingsStore::contains(const QString& key) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_store ? m_store->contains(key) : m_memory.contains(key);
}

double SettingsStore::real(const char* key, double fallback) const
{
    bool ok = false;
    const double v = value(key, fallback).toDouble(&ok);
    return ok ? v : fallback;
}

int SettingsStore::integer(const char* key, int fallback) const
{
    bool ok = false;
    const int v = value(key, fallback).toInt(&ok);
    return ok ? v : fallback;
}

bool SettingsStore::boolean(const char* key, bool fallback) const
{
    return value(key, fallback).toBool();
}

QString SettingsStore::text(const char* key, const char* fallback) const
{
    return value(key, QString::fromUtf8(fallback)).toString();
}

QColor SettingsStore::color(const char* key, const char* fallback) const
{
    const QColor c(value(key, QString::fromLatin1(fallback)).toString());
    return c.isValid() ? c : QColor(QString::fromLatin1(fallback));
}
