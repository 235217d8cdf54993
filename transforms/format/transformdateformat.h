#pragma once

#include "core/values.h"
#include "transforms/support/cellrewrite.h"
#include "transforms/support/valueexamples.h"

#include <QLocale>

// Reads the values of the selected columns as dates (and times) with one
// pattern and locale and writes them with another.
class TransformDateFormat : public CellRewriteTransform
{
    Q_OBJECT

public:
    enum NonDateAction { Leave, ChangeToEmpty, ChangeToUserDefined };

    QString typeKey() const override { return QStringLiteral("Date_Format"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    QList<QPair<QString, bool>> optionStates() const override;

protected:
    Transform* newInstance() const override { return new TransformDateFormat; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    void setRewriteSummary(qint64 changed, qint64 unchanged) override;

private:
    QLocale m_inputLocale;
    QLocale m_outputLocale;
    QString m_inputFormat;
    DateFormat m_inputDate;
    QString m_outputFormat;
    QString m_userDefined;
    QStringList m_columnNames;
    ValueExamples m_unconverted;
    NonDateAction m_action = Leave;
    bool m_inputHasTime = false;
    bool m_outputHasTime = false;
};
