#pragma once

#include "transforms/support/cellrewrite.h"

// Encodes or decodes the values of the selected columns: Base64, URL
// percent-encoding, escaped HTML and escaped XML, each way.
class TransformDecode : public CellRewriteTransform
{
    Q_OBJECT

public:
    enum Choice {
        NotSelected,
        FromBase64,
        ToBase64,
        FromUrl,
        ToUrl,
        FromHtml,
        ToHtml,
        FromXml,
        ToXml
    };

    QString typeKey() const override { return QStringLiteral("Decode"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;

    static QString convert(const QString& text, Choice choice);
    static QString fromEscapedXml(const QString& text);
    static QString toEscapedXml(const QString& text);
    static QString fromEscapedHtml(const QString& text);

protected:
    Transform* newInstance() const override { return new TransformDecode; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    bool rewritesTextAlone() const override { return true; }

private:
    Choice m_choice = NotSelected;
};
