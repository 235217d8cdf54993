#include "core/settings.h"

#include "core/dataset.h"
#include "core/filetypes.h"
#include "core/values.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QSettings>

namespace {

const QStringList& blockedInputDefaults()
{
    static const QStringList list = { QStringLiteral("exe"), QStringLiteral("bat"),
        QStringLiteral("bsh"), QStringLiteral("csh"), QStringLiteral("zsh"), QStringLiteral("cmd"),
        QStringLiteral("py"), QStringLiteral("js"), QStringLiteral("com"), QStringLiteral("doc"),
        QStringLiteral("docx"), QStringLiteral("scr"), QStringLiteral("arx"), QStringLiteral("bpl"),
        QStringLiteral("vcl"), QStringLiteral("mui"), QStringLiteral("ocx"), QStringLiteral("sys"),
        QStringLiteral("drv"), QStringLiteral("zip"), QStringLiteral("arj"), QStringLiteral("7z"),
        QStringLiteral("png"), QStringLiteral("jpeg"), QStringLiteral("jpg"), QStringLiteral("chm"),
        QStringLiteral("hlp") };
    return list;
}

// Outputs must never overwrite programs, scripts, libraries or the user's own
// ".transform" documents; everything else is the user's business.
const QStringList& blockedOutputDefaults()
{
    static const QStringList list = { QStringLiteral("exe"), QStringLiteral("bat"),
        QStringLiteral("cmd"), QStringLiteral("com"), QStringLiteral("scr"), QStringLiteral("sys"),
        QStringLiteral("drv"), QStringLiteral("dll"), QStringLiteral("so"), QStringLiteral("ocx"),
        QStringLiteral("cpl"), QStringLiteral("msi"), QStringLiteral("vbs"), QStringLiteral("ps1"),
        QStringLiteral("sh"), QStringLiteral("py"), QStringLiteral("js"),
        QStringLiteral("transform") };
    return list;
}

QMap<QString, int> inputExtensionDefaults()
{
    return { { QStringLiteral("csv"), FileTypeDelimited },
        { QStringLiteral("tsv"), FileTypeDelimited }, { QStringLiteral("xlsx"), FileTypeExcelXlsx },
        { QStringLiteral("xls"), FileTypeExcelXls }, { QStringLiteral("txt"), FileTypeFixedWidth },
        { QStringLiteral("json"), FileTypeJson }, { QStringLiteral("geojson"), FileTypeJson },
        { QStringLiteral("xml"), FileTypeXml }, { QStringLiteral("opml"), FileTypeXml },
        { QStringLiteral("vcf"), FileTypeVCard }, { QStringLiteral("log"), FileTypePlainText } };
}

// Each output type under its usual extensions; "txt" writes plain text.
QMap<QString, int> outputExtensionDefaults()
{
    return { { QStringLiteral("csv"), FileTypeDelimited },
        { QStringLiteral("tsv"), FileTypeDelimited }, { QStringLiteral("xlsx"), FileTypeExcelXlsx },
        { QStringLiteral("xls"), FileTypeExcelXls }, { QStringLiteral("json"), FileTypeJson },
        { QStringLiteral("xml"), FileTypeXml }, { QStringLiteral("vcf"), FileTypeVCard },
        { QStringLiteral("yaml"), FileTypeYaml }, { QStringLiteral("yml"), FileTypeYaml },
        { QStringLiteral("html"), FileTypeHtml }, { QStringLiteral("htm"), FileTypeHtml },
        { QStringLiteral("md"), FileTypeMarkdown }, { QStringLiteral("txt"), FileTypePlainText } };
}

void copyAll(const QSettings& from, QSettings& to)
{
    const QStringList keys = from.allKeys();
    for (const QString& key : keys)
        to.setValue(key, from.value(key));
    to.sync();
}

} // namespace

Settings& Settings::instance()
{
    static Settings settings(QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                          : QDir::currentPath());
    return settings;
}

Settings::Settings(const QString& programDirectory) : m_programDirectory(programDirectory)
{
    openStore();
}

Settings::~Settings() = default;

QString Settings::iniFilePath() const
{
    return QDir(m_programDirectory).filePath(QString::fromLatin1(IniFileName));
}

void Settings::openStore()
{
    m_usesIni = QFile::exists(iniFilePath());
    if (m_usesIni)
        m_store = std::make_unique<QSettings>(iniFilePath(), QSettings::IniFormat);
    else
        m_store = std::make_unique<QSettings>(
            QString::fromLatin1(OrganizationName), QString::fromLatin1(ApplicationName));
}

void Settings::setStoreInIniFile(bool ini)
{
    if (ini == m_usesIni)
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

void Settings::sync()
{
    m_store->sync();
}

void Settings::apply() const
{
    QLocale::setDefault(locale());
    setDefaultDateFormats(dateFormatList());
    Dataset::setPoolingEnabled(optimizeFor() == 0);
}

QVariant Settings::value(const char* key, const QVariant& fallback) const
{
    return m_store->value(QLatin1String(key), fallback);
}

QVariant Settings::value(const QString& key, const QVariant& fallback) const
{
    return m_store->value(key, fallback);
}

void Settings::set(const char* key, const QVariant& value)
{
    m_store->setValue(QLatin1String(key), value);
}

void Settings::set(const QString& key, const QVariant& value)
{
    m_store->setValue(key, value);
}

bool Settings::contains(const QString& key) const
{
    return m_store->contains(key);
}

double Settings::real(const char* key, double fallback) const
{
    bool ok = false;
    const double v = value(key, fallback).toDouble(&ok);
    return ok ? v : fallback;
}

int Settings::integer(const char* key, int fallback) const
{
    bool ok = false;
    const int v = value(key, fallback).toInt(&ok);
    return ok ? v : fallback;
}

bool Settings::boolean(const char* key, bool fallback) const
{
    return value(key, fallback).toBool();
}

QString Settings::text(const char* key, const char* fallback) const
{
    return value(key, QString::fromUtf8(fallback)).toString();
}

QColor Settings::color(const char* key, const char* fallback) const
{
    const QColor c(value(key, QString::fromLatin1(fallback)).toString());
    return c.isValid() ? c : QColor(QString::fromLatin1(fallback));
}

QLocale Settings::locale() const
{
    const QString name = value("locale").toString();
    if (!name.isEmpty())
        return QLocale(name);
    const QLocale system = QLocale::system();
    // A bare POSIX locale means nobody chose one; US English reads and
    // writes the same numbers and is a far better starting point for dates.
    if (system.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return system;
}

QString Settings::defaultDateFormats(const QLocale& locale)
{
    return standardDateFormats(locale).join(QLatin1Char('\n'));
}

QString Settings::dateFormats() const
{
    const QVariant stored = value("date_formats");
    return stored.isValid() ? stored.toString() : defaultDateFormats(QLocale());
}

QStringList Settings::dateFormatList() const
{
    QStringList formats;
    const QStringList lines = dateFormats().split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString format = line.trimmed();
        if (!format.isEmpty())
            formats.append(format);
    }
    return formats;
}

QStringList Settings::extensionList(const QString& commaSeparated)
{
    QStringList extensions;
    const QStringList parts = commaSeparated.split(QLatin1Char(','));
    for (const QString& part : parts) {
        QString ext = part.trimmed().toLower();
        if (ext.startsWith(QLatin1Char('.')))
            ext.remove(0, 1);
        if (!ext.isEmpty() && !extensions.contains(ext))
            extensions.append(ext);
    }
    return extensions;
}

QString Settings::blockedInputExtensions() const
{
    return value("blocked_input_extensions", blockedInputDefaults().join(QLatin1Char(',')))
        .toString();
}

QString Settings::blockedOutputExtensions() const
{
    return value("blocked_output_extensions", blockedOutputDefaults().join(QLatin1Char(',')))
        .toString();
}

// Extension maps are stored as "csv=0,tsv=0,..." so that both stores hold
// the same readable text.
QMap<QString, int> Settings::extensionMap(const char* key, const QMap<QString, int>& fallback) const
{
    const QVariant stored = value(key);
    if (!stored.isValid())
        return fallback;
    QMap<QString, int> map;
    const QStringList entries = stored.toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        const int eq = entry.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        bool ok = false;
        const int type = entry.mid(eq + 1).trimmed().toInt(&ok);
        const QString ext = entry.left(eq).trimmed().toLower();
        if (ok && !ext.isEmpty() && !map.contains(ext))
            map.insert(ext, type);
    }
    return map;
}

static QString extensionMapText(const QMap<QString, int>& map)
{
    QStringList entries;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        entries.append(
            it.key().trimmed().toLower() + QLatin1Char('=') + QString::number(it.value()));
    return entries.join(QLatin1Char(','));
}

QMap<QString, int> Settings::inputFileExtensions() const
{
    return extensionMap("input_file_extensions", inputExtensionDefaults());
}

void Settings::setInputFileExtensions(const QMap<QString, int>& map)
{
    set("input_file_extensions", extensionMapText(map));
}

QMap<QString, int> Settings::outputFileExtensions() const
{
    return extensionMap("output_file_extensions", outputExtensionDefaults());
}

void Settings::setOutputFileExtensions(const QMap<QString, int>& map)
{
    set("output_file_extensions", extensionMapText(map));
}

int Settings::colorScheme() const
{
    const QVariant stored = value("color_scheme");
    if (stored.isValid())
        return stored.toInt();
    const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const bool darkDesktop = gui && gui->palette().color(QPalette::Window).lightness() < 128;
    return darkDesktop ? SchemeDark : SchemeLight;
}

QColor Settings::customColor(const QString& role, const QColor& fallback) const
{
    const QColor c(value(QStringLiteral("custom_color_") + role).toString());
    return c.isValid() ? c : fallback;
}

void Settings::setCustomColor(const QString& role, const QColor& color)
{
    set(QStringLiteral("custom_color_") + role, color.name(QColor::HexArgb));
}

int Settings::splitterWidth(int splitter) const
{
    bool ok = false;
    const int w = value(QStringLiteral("splitter_width_%1").arg(splitter), -1).toInt(&ok);
    return ok ? w : -1;
}

void Settings::setSplitterWidth(int splitter, int width)
{
    set(QStringLiteral("splitter_width_%1").arg(splitter), width);
}

QVariant Settings::transformDefault(const QString& typeKey, const QString& parameterKey) const
{
    return value(QStringLiteral("defaults/transforms/%1/%2").arg(typeKey, parameterKey));
}

void Settings::setTransformDefault(
    const QString& typeKey, const QString& parameterKey, const QVariant& value)
{
    set(QStringLiteral("defaults/transforms/%1/%2").arg(typeKey, parameterKey), value);
}

void Settings::removeTransformDefaults(const QString& typeKey)
{
    m_store->remove(QStringLiteral("defaults/transforms/%1").arg(typeKey));
}

QVariant Settings::itemDefault(
    const QString& kind, const QString& a, const QString& b, const QString& option) const
{
    return value(QStringLiteral("defaults/%1/%2/%3/%4").arg(kind, a, b, option));
}

void Settings::setItemDefault(const QString& kind, const QString& a, const QString& b,
    const QString& option, const QVariant& value)
{
    set(QStringLiteral("defaults/%1/%2/%3/%4").arg(kind, a, b, option), value);
}
