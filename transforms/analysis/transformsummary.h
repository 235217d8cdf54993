#pragma once

#include "transforms/transform.h"

// A profile of every column, one row per column: the kind of value it holds,
// how many cells are empty, how many values are distinct, examples, the
// smallest and largest value and how consistently the values are of the
// kind found.
class TransformSummary : public Transform
{
    Q_OBJECT

public:
    // The kinds of value, in the order a tie between them is decided.
    enum Kind { Empty, Integer, Real, Date, Boolean, Text };

    QString typeKey() const override { return QStringLiteral("Summary"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool usesDates() const override;

    // The kind one non-blank text reads as, with the number, day number or
    // truth (0 or 1) it reads as for ordering.
    static Kind kindOf(const QString& text, bool recogniseDates, double* key = nullptr);
    static QString kindName(Kind kind);

protected:
    Transform* newInstance() const override { return new TransformSummary; }

private:
    class Profile;
};
