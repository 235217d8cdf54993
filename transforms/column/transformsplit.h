#pragma once

#include "transforms/transform.h"

#include <QRegularExpression>

// Cuts the values of one column into parts, by a text, a regular expression
// or a list of lengths, and turns the parts into new columns, new rows, or
// columns telling which parts occur.
class TransformSplit : public Transform
{
    Q_OBJECT

public:
    enum Into { Columns, Rows, CountVectors, MultiHot, OneHot };
    enum Using { TextDelimiter, RegexDelimiter, Lengths };

    QString typeKey() const override { return QStringLiteral("Split"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;

    // One piece of a lengths list: a count of characters or the rest ("*"),
    // taken or skipped ("-").
    struct Piece
    {
        int length = 0;
        bool rest = false;
        bool skip = false;
    };
    // False for a list that is not one ("2,x", two "*").
    static bool parseLengths(const QString& text, QVector<Piece>& pieces);
    static QStringList cutByLengths(const QString& value, const QVector<Piece>& pieces);

protected:
    Transform* newInstance() const override { return new TransformSplit; }

private:
    struct Limits
    {
        int minimum = 0;
        int maximum = 0; // -1 when ignored
    };
    QStringList parts(const QString& value) const;
    Limits limits();
    void intoColumns(Dataset& output, int column, const QVector<QStringList>& split, Limits l);
    void intoRows(Dataset& output, int column, const QVector<QStringList>& split, Limits l);
    void encode(Dataset& output, int column, const QVector<QStringList>& split, Limits l);
    void reportLimits(int padded, int truncated, Limits l);

    // Set at the start of a run.
    int m_using = TextDelimiter;
    QString m_delimiter;
    QRegularExpression m_regex;
    QVector<Piece> m_pieces;
    bool m_keepEmpty = false;
    int m_order = 0;
};
