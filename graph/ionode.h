#pragma once

#include "graph/node.h"

#include <QChar>
#include <QString>

// The common base of the Input and Output items: where the data comes from
// or goes to. The meaning of the format id and the options belongs to each
// kind.
class IONode : public Node
{
    Q_OBJECT

public:
    bool isFileItem() const override { return true; }
    explicit IONode(QObject* parent = nullptr) : Node(parent) { }

    int sourceKind() const { return m_sourceKind; }
    void setSourceKind(int kind) { m_sourceKind = kind; }
    int formatId() const { return m_formatId; }
    void setFormatId(int id) { m_formatId = id; }
    const QString& filePath() const { return m_filePath; }
    QString ownFile() const override { return m_filePath; }
    void setFilePath(const QString& path) { m_filePath = path; }
    const QString& sheetName() const { return m_sheetName; }
    void setSheetName(const QString& name) { m_sheetName = name; }
    int option() const { return m_option; }
    void setOption(int value) { m_option = value; }
    QChar charOption() const { return m_charOption; }
    void setCharOption(QChar c) { m_charOption = c; }
    const QString& furtherText() const { return m_furtherText; }
    void setFurtherText(const QString& text) { m_furtherText = text; }

    // Whether the item's file type holds named sheets (workbooks): the
    // Input and Output items ask their format.
    virtual bool hasSheets() const { return false; }
    // The path with native separators, and the sheet in brackets for a
    // file type with sheets and a named sheet.
    QString location() const;

    QVariantMap saveOptions() const override;
    void restoreOptions(const QVariantMap& options) override;

private:
    qint32 m_sourceKind = 0;
    qint32 m_formatId = 0;
    QString m_filePath;
    QString m_sheetName;
    qint32 m_option = 0;
    QChar m_charOption = QLatin1Char('*');
    QString m_furtherText;
};
