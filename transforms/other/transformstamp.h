#pragma once

#include "transforms/transform.h"

// Adds a column holding the same value in every row: when the run happened,
// the document's or the input file's name, the user's or the computer's
// name, or a text with file-name variables ("{date}", "{alias.fname}")
// replaced.
class TransformStamp : public Transform
{
    Q_OBJECT

public:
    enum Stamp { DateTime, Date, Time, DocumentName, InputFileName, UserName, ComputerName, Text };

    QString typeKey() const override { return QStringLiteral("Stamp"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;

protected:
    Transform* newInstance() const override { return new TransformStamp; }

private:
    QString stampText(Stamp stamp, TableSource* item);
};
