#include "core/enginesettings.h"

#include "core/filetypes.h"
#include "core/values.h"

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

} // namespace

void EngineSettings::apply() const
{
    QLocale::setDefault(locale());
    setDefaultDateFormats(dateFormatList());
}

QLocale EngineSettings::locale() const
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

QString EngineSettings::defaultDateFormats(const QLocale& locale)
{
    return standardDateFormats(locale).join(QLatin1Char('\n'));
}

QString EngineSettings::dateFormats() const
{
    const QVariant stored = value("date_formats");
    return stored.isValid() ? stored.toString() : defaultDateFormats(QLocale());
}

QStringList EngineSettings::dateFormatList() const
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

QStringList EngineSettings::extensionList(const QString& commaSeparated)
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

QString EngineSettings::blockedInputExtensions() const
{
    return value("blocked_input_extensions", blockedInputDefaults().join(QLatin1Char(',')))
        .toString();
}

QString EngineSettings::blockedOutputExtensions() const
{
    return value("blocked_output_extensions", blockedOutputDefaults().join(QLatin1Char(',')))
        .toString();
}

// Extension maps are stored as "csv=0,tsv=0,..." so that both stores hold
// the same readable text.
QMap<QString, int> EngineSettings::extensionMap(
    const char* key, const QMap<QString, int>& fallback) const
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

QMap<QString, int> EngineSettings::inputFileExtensions() const
{
    return extensionMap("input_file_extensions", inputExtensionDefaults());
}

void EngineSettings::setInputFileExtensions(const QMap<QString, int>& map)
{
    set("input_file_extensions", extensionMapText(map));
}

QMap<QString, int> EngineSettings::outputFileExtensions() const
{
    return extensionMap("output_file_extensions", outputExtensionDefaults());
}

void EngineSettings::setOutputFileExtensions(const QMap<QString, int>& map)
{
    set("output_file_extensions", extensionMapText(map));
}

QVariant EngineSettings::transformDefault(const QString& typeKey, const QString& parameterKey) const
{
    return value(QStringLiteral("defaults/transforms/%1/%2").arg(typeKey, parameterKey));
}

void EngineSettings::setTransformDefault(
    const QString& typeKey, const QString& parameterKey, const QVariant& value)
{
    set(QStringLiteral("defaults/transforms/%1/%2").arg(typeKey, parameterKey), value);
}

void EngineSettings::removeTransformDefaults(const QString& typeKey)
{
    remove(QStringLiteral("defaults/transforms/%1").arg(typeKey));
}

QVariant EngineSettings::itemDefault(
    const QString& kind, const QString& a, const QString& b, const QString& option) const
{
    return value(QStringLiteral("defaults/%1/%2/%3/%4").arg(kind, a, b, option));
}

void EngineSettings::setItemDefault(const QString& kind, const QString& a, const QString& b,
    const QString& option, const QVariant& value)
{
    set(QStringLiteral("defaults/%1/%2/%3/%4").arg(kind, a, b, option), value);
}

void EngineSettings::removeItemDefaults(const QString& kind, const QString& a, const QString& b)
{
    remove(QStringLiteral("defaults/%1/%2/%3").arg(kind, a, b));
}
