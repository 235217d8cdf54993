#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class Dataset;

// Column variables in user texts: "$(name)" stands for the current row's
// value of the column of that name and "$(n)" for the column at the 1-based
// position n. Spaces around the name or number are ignored; a name is looked
// up before a number, and when several columns share a name the first one is
// used. A variable that names no column stays in the text as it is.
//
// The text is parsed once per run against the dataset's column names, so
// that expanding it for each row is a plain concatenation; cell values
// written into the text are never scanned for variables again.
//
//     ColumnVariables vars(script, dataset);
//     for (int r = 0; r < dataset.rowCount(); ++r)
//         use(vars.expand(dataset.row(r)));
class ColumnVariables
{
public:
    // One piece of the parsed text: literal text (column -1) or a variable
    // (the column's position, the literal holding the variable as written).
    struct Part
    {
        QString literal;
        int column = -1;
        bool isVariable() const { return column >= 0; }
    };

    ColumnVariables() = default;
    ColumnVariables(const QString& text, const Dataset& dataset);

    // True when the text holds at least one variable that names a column;
    // otherwise expand() always returns the text unchanged.
    bool hasVariables() const { return m_hasVariables; }
    const QString& text() const { return m_text; }
    const QVector<Part>& parts() const { return m_parts; }
    // Names used by a variable that more than one column bears, in the order
    // of their first use.
    const QStringList& ambiguousNames() const { return m_ambiguous; }

    // The text with every variable replaced by the row's value of its column
    // (missing values of a short row count as empty).
    QString expand(const QStringList& rowValues) const;

    // Whether a text may hold a variable at all (a cheap test callers can
    // use to avoid any per-row work).
    static bool mayContainVariables(const QString& text);
    // One-off form: parses and expands in one go.
    static QString expand(const QString& text, const Dataset& dataset, int row);

private:
    void parse(const Dataset& dataset);

    QString m_text;
    QVector<Part> m_parts;
    QStringList m_ambiguous;
    int m_literalLength = 0;
    bool m_hasVariables = false;
};
