// Meta information: a text with variables about the read (when, by whom,
// from which file, how much) added as a row or as a column.

#include "input/inputsource.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSysInfo>
#include <QVector>

namespace {

QString userName()
{
    QString name = qEnvironmentVariable("USERNAME");
    if (name.isEmpty())
        name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("LOGNAME");
    return name;
}

// Some file systems do not record when a file was made; the time its
// entry last changed is the closest there is.
QDateTime createdTime(const QFileInfo& info)
{
    const QDateTime born = info.birthTime();
    return born.isValid() ? born : info.metadataChangeTime();
}

QHash<QString, QString> fileValues(const QString& filePath, const QString& sheet)
{
    QHash<QString, QString> values;
    const QFileInfo info(filePath);
    const bool found = !filePath.isEmpty() && info.exists();
    const QString missing = QStringLiteral("(file not found)");
    const QDateTime created = found ? createdTime(info) : QDateTime();
    const QDateTime updated = found ? info.lastModified() : QDateTime();
    values.insert(QStringLiteral("FilePath"),
        found ? QDir::toNativeSeparators(info.absoluteFilePath()) : missing);
    values.insert(QStringLiteral("FolderPath"),
        found ? QDir::toNativeSeparators(info.absolutePath()) : missing);
    values.insert(QStringLiteral("FileName"), found ? info.fileName() : missing);
    values.insert(QStringLiteral("FileSizeBytes"), found ? QString::number(info.size()) : missing);
    values.insert(
        QStringLiteral("FileCreatedDateTime"), found ? created.toString(Qt::ISODate) : missing);
    values.insert(
        QStringLiteral("FileUpdatedDateTime"), found ? updated.toString(Qt::ISODate) : missing);
    values.insert(
        QStringLiteral("FileCreatedDate"), found ? created.date().toString(Qt::ISODate) : missing);
    values.insert(
        QStringLiteral("FileUpdatedDate"), found ? updated.date().toString(Qt::ISODate) : missing);
    values.insert(QStringLiteral("FileSheetName"), found ? sheet : missing);
    return values;
}

} // namespace

QString expandMetaVariables(
    const QString& text, const QString& filePath, const QString& sheet, const Dataset& data)
{
    static const QRegularExpression variable(QStringLiteral("\\$\\(([A-Za-z]+)\\)"));
    if (!text.contains(QLatin1String("$(")))
        return text;
    const QDateTime now = QDateTime::currentDateTime();
    QHash<QString, QString> values = fileValues(filePath, sheet);
    values.insert(QStringLiteral("CurrentDateTime"), now.toString(Qt::ISODate));
    values.insert(QStringLiteral("CurrentDate"), now.date().toString(Qt::ISODate));
    values.insert(QStringLiteral("ComputerName"), QSysInfo::machineHostName());
    values.insert(QStringLiteral("UserName"), userName());
    values.insert(QStringLiteral("DataRows"), QString::number(data.rowCount()));
    values.insert(QStringLiteral("DataColumns"), QString::number(data.columnCount()));
    values.insert(QStringLiteral("DataValues"),
        QString::number(qint64(data.rowCount()) * data.columnCount()));

    QString result;
    int last = 0;
    QRegularExpressionMatchIterator it = variable.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const auto found = values.constFind(m.captured(1));
        if (found == values.constEnd())
            continue;
        result += text.midRef(last, m.capturedStart() - last);
        result += *found;
        last = m.capturedEnd();
    }
    result += text.midRef(last);
    return result;
}

void addMetaInformation(
    Dataset* dataset, int placement, const QString& text, const QString& columnName)
{
    if (placement == MetaEveryRow) {
        const int column = dataset->columnCount();
        dataset->insertColumn(column);
        dataset->setColumnName(column, columnName);
        QStringList values;
        values.reserve(dataset->rowCount());
        for (int r = 0; r < dataset->rowCount(); ++r)
            values.append(text);
        dataset->setColumnValues(column, values);
        return;
    }
    if (placement != MetaAtStart && placement != MetaAtEnd)
        return;
    if (!dataset->hasColumns())
        dataset->setColumnCount(1);
    dataset->appendRow(Dataset::Row { text });
    if (placement == MetaAtEnd)
        return;
    // Rows are shared, so moving the new row to the front copies no values.
    QVector<int> order;
    order.reserve(dataset->rowCount());
    order.append(dataset->lastRow());
    for (int r = 0; r < dataset->lastRow(); ++r)
        order.append(r);
    dataset->selectRows(order);
}
