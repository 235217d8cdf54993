#include "document/documentupgrades.h"

#include "document/documentcodec.h"
#include "output/outputfile.h"

#include <QDate>

namespace DocumentUpgrades {

namespace {

void renameChoice(ParameterPairs& pairs, const QString& key, const QString& from, const QString& to)
{
    for (auto& pair : pairs) {
        if (pair.first == key && pair.second == from)
            pair.second = to;
    }
}

// Sequence bounds were one text before dates and integers got their own
// options.
void splitSequenceBound(QPair<QString, QString>& pair)
{
    const QDate date = QDate::fromString(pair.second, QStringLiteral("yyyy-M-d"));
    if (date.isValid()) {
        pair.first += QStringLiteral("_Date");
        pair.second = date.toString(QStringLiteral("yyyy-MM-dd"));
        return;
    }
    bool ok = false;
    const int value = pair.second.trimmed().toInt(&ok);
    pair.first += QStringLiteral("_Int");
    pair.second = QString::number(ok ? value : 0);
}

} // namespace

void upgradeInputAttributes(Attributes& attributes, int version)
{
    const QString old = QStringLiteral("ignore_excel_hidden");
    if (version >= 72 || !attributes.contains(old))
        return;
    const QString value = attributes.value(old);
    attributes.insert(QStringLiteral("ignore_excel_hidden_cols"), value);
    attributes.insert(QStringLiteral("ignore_excel_hidden_rows"), value);
}

void upgradeOutputAttributes(Attributes& attributes, int version)
{
    const QString key = QStringLiteral("file_comment");
    if (version < 61 && !attributes.contains(key))
        attributes.insert(key, DocumentCodec::encodeText(defaultFileComment()));
}

void upgradeParameters(const QString& typeKey, ParameterPairs& pairs, int version)
{
    const bool split = typeKey == QLatin1String("Split") || typeKey == QLatin1String("Split Col");
    if (version < 59 && split) {
        renameChoice(pairs, QStringLiteral("Delimiter_Type"), QStringLiteral("Text "),
            QStringLiteral("Text delimiter"));
        renameChoice(pairs, QStringLiteral("Delimiter_Type"), QStringLiteral("Regex "),
            QStringLiteral("Regex delimiter"));
    }
    if (version == 85 && split) {
        renameChoice(pairs, QStringLiteral("Into"), QStringLiteral("One hot encoding"),
            QStringLiteral("Multi hot encoding"));
    }
    if (version < 68 && typeKey == QLatin1String("Calculate")) {
        renameChoice(pairs, QStringLiteral("Operation"), QStringLiteral("JulianDay"),
            QStringLiteral("DateToJulianDay"));
    }
    for (auto& pair : pairs) {
        if (version < 78 && typeKey == QLatin1String("Random")
            && pair.first == QLatin1String("Maximum_Int")) {
            bool ok = false;
            const int value = pair.second.trimmed().toInt(&ok);
            if (ok)
                pair.second = QString::number(value - 1);
        }
        if (version < 79 && typeKey == QLatin1String("Sequence")
            && (pair.first == QLatin1String("User_Define_Minimum_Missing")
                || pair.first == QLatin1String("User_Define_Maximum_Missing")))
            splitSequenceBound(pair);
    }
}

void upgradeBatchLogging(Attributes& attributes, int version)
{
    if (version >= 84)
        return;
    const bool verbose
        = DocumentCodec::decodeInt(attributes.value(QStringLiteral("verbose")), 0) != 0;
    attributes.insert(QStringLiteral("verbosity"), QString::number(verbose ? 2 : 1));
}

} // namespace DocumentUpgrades
