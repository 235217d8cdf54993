#pragma once

#include "transforms/transform.h"

#include <QStringList>
#include <QVector>

struct SplitRowsSpec;

// Wide to long by groups of columns: each group of columns ("Phone 1",
// "Email 1" / "Phone 2", "Email 2") becomes a row of its own, with the
// columns outside the groups repeated on every new row.
class TransformSplitRows : public Transform
{
    Q_OBJECT

public:
    // How the columns fall into groups: groups[g][s] is the column of stem s
    // in group g, or -1 when that group lacks it.
    struct Layout
    {
        QStringList stems; // the names of the new columns
        QStringList groupNames; // "1", "2" ... as read from the column names
        QVector<QVector<int>> groups;
        QVector<bool> inGroup; // per input column
        bool isValid() const { return groups.size() > 1 && !stems.isEmpty(); }
    };

    QString typeKey() const override { return QStringLiteral("Split_Rows"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

    static Layout layout(const QStringList& columnNames, const SplitRowsSpec& spec);

protected:
    Transform* newInstance() const override { return new TransformSplitRows; }

private:
    void build(Dataset& output, const Dataset& input, const Layout& layout);
};
