#include "graph/ionode.h"

#include <QDir>

QString IONode::location() const
{
    QString text = QDir::toNativeSeparators(m_filePath);
    if (hasSheets() && !m_sheetName.isEmpty())
        text += QStringLiteral("[%1]").arg(m_sheetName);
    return text;
}

QVariantMap IONode::saveOptions() const
{
    QVariantMap options;
    options.insert(QStringLiteral("source_kind"), m_sourceKind);
    options.insert(QStringLiteral("format_id"), m_formatId);
    options.insert(QStringLiteral("path"), m_filePath);
    options.insert(QStringLiteral("sheet"), m_sheetName);
    options.insert(QStringLiteral("option"), m_option);
    options.insert(QStringLiteral("char_option"), QString(m_charOption));
    options.insert(QStringLiteral("text"), m_furtherText);
    return options;
}

void IONode::restoreOptions(const QVariantMap& options)
{
    m_sourceKind = options.value(QStringLiteral("source_kind")).toInt();
    m_formatId = options.value(QStringLiteral("format_id")).toInt();
    m_filePath = options.value(QStringLiteral("path")).toString();
    m_sheetName = options.value(QStringLiteral("sheet")).toString();
    m_option = options.value(QStringLiteral("option")).toInt();
    const QString c = options.value(QStringLiteral("char_option")).toString();
    m_charOption = c.isEmpty() ? QLatin1Char('*') : c.at(0);
    m_furtherText = options.value(QStringLiteral("text")).toString();
}
