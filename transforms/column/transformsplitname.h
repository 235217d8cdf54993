#pragma once

#include "transforms/transform.h"

// Splits a person's name into title, first, middle, last and suffix columns
// inserted after the name column. Reads "First Middle Last" and "Last,
// First Middle", titles and suffixes before and after, and keeps particles
// ("van", "de") with the last name.
class TransformSplitName : public Transform
{
    Q_OBJECT

public:
    enum Part { Title, First, Middle, Last, Suffix, PartCount };

    struct Name
    {
        QString parts[PartCount];
        bool readable = true;
    };

    QString typeKey() const override { return QStringLiteral("Split_Name"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

    static Name parse(const QString& text);

protected:
    Transform* newInstance() const override { return new TransformSplitName; }
};
