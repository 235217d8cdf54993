#include "transforms/other/transformuuid.h"

#include "core/dataset.h"
#include "core/tablesource.h"

#include <QRandomGenerator>

namespace {

const QStringList& formatChoices()
{
    static const QStringList choices = { QStringLiteral("Standard"),
        QStringLiteral("Without braces"), QStringLiteral("Without braces or dashes") };
    return choices;
}

} // namespace

QString TransformUuid::description() const
{
    return QStringLiteral("Add a column of random universally unique identifiers (UUIDs).");
}

void TransformUuid::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("New column name"),
        QStringLiteral("UUID"));
    addParameter(ParameterType::Selection, QStringLiteral("Format"), QStringLiteral("Format"),
        formatChoices().first(), formatChoices());
}

QUuid TransformUuid::randomUuid()
{
    // The toolkit's own generator may fall back to a weaker source; the
    // system generator is the operating system's cryptographic one.
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QByteArray bytes(reinterpret_cast<const char*>(words), sizeof(words));
    bytes[6] = char((bytes.at(6) & 0x0f) | 0x40); // version 4
    bytes[8] = char((bytes.at(8) & 0x3f) | 0x80); // RFC 4122 variant
    return QUuid::fromRfc4122(bytes);
}

QString TransformUuid::text(const QUuid& uuid, Format format)
{
    switch (format) {
    case WithoutBraces:
        return uuid.toString(QUuid::WithoutBraces);
    case WithoutBracesOrDashes:
        return uuid.toString(QUuid::Id128);
    case Standard:
        break;
    }
    return uuid.toString(QUuid::WithBraces);
}

void TransformUuid::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "New_Name", "Format" }))
        return;
    output = upstream.first()->dataset();
    const Format format = Format(selectionParameter(QStringLiteral("Format")));
    const int column = output.columnCount();
    output.appendColumn();
    const QString name = textParameter(QStringLiteral("New_Name"));
    if (!name.isEmpty())
        output.setColumnName(column, name);
    const int rows = output.rowCount();
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        output.setValue(r, column, text(randomUuid(), format));
    }
    setSummary(QStringLiteral("1 col added"));
}
