#pragma once

#include "transforms/transform.h"

#include <QStringList>
#include <QVector>

// Counts the n-grams (runs of n words or characters) of a text column:
// one row per n-gram with its count and share, most frequent first.
class TransformNgram : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Ngram"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

    // The n-grams of one text, in order. Words are the text's pieces between
    // white space, with punctuation at their ends removed unless kept;
    // characters run over the text with white space squeezed to one space.
    static QStringList ngrams(const QString& text, int size, bool characters, bool keepPunctuation);

protected:
    Transform* newInstance() const override { return new TransformNgram; }

private:
    // Every n-gram in first-met order with its count and, for drilldown,
    // the rows it occurs in.
    struct Tally
    {
        QStringList grams;
        QVector<qint64> counts;
        QVector<QVector<int>> rows;
        qint64 total = 0;
    };
    Tally count(const Dataset& input, int column);
};
