#pragma once

#include "transforms/support/cellrewrite.h"
#include "transforms/support/valueexamples.h"

#include <QHash>
#include <QLocale>

// Reads the values of the selected columns as numbers with a decimal
// separator chosen (or guessed per column) and writes them in a number
// format of the output locale.
class TransformNumFormat : public CellRewriteTransform
{
    Q_OBJECT

public:
    enum DecimalFrom { Automatic, Dot, Comma, PreferencesLocale, SelectedLocale };

    QString typeKey() const override { return QStringLiteral("Num_Format"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    QList<QPair<QString, bool>> optionStates() const override;

    // The decimal separator a column's values use: '.' or ','. A value with
    // both characters decides by the last one; a value with one of them once
    // decides unless exactly three digits follow (which reads as grouping).
    static QChar guessDecimalPoint(const QStringList& values);
    // A number in a format letter (e, E, f, g, G, or s for the shortest
    // accurate fixed form).
    static QString format(
        double value, const QLocale& locale, QChar letter, int precision, bool grouping);

protected:
    Transform* newInstance() const override { return new TransformNumFormat; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    void setRewriteSummary(qint64 changed, qint64 unchanged) override;

private:
    QHash<int, QLocale> m_inputLocales;
    QLocale m_outputLocale;
    QStringList m_columnNames;
    ValueExamples m_nonNumeric;
    UnreadableAction m_action = UnreadableAction::Leave;
    QChar m_letter = QLatin1Char('f');
    int m_precision = 3;
    bool m_grouping = false;
};
