#pragma once

#include "transforms/transform.h"

#include <QUuid>

// Appends a column with a new random (version 4) UUID in every row.
class TransformUuid : public Transform
{
    Q_OBJECT

public:
    enum Format { Standard, WithoutBraces, WithoutBracesOrDashes };

    QString typeKey() const override { return QStringLiteral("UUID"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

    // A version 4 UUID from the system's cryptographic random source.
    static QUuid randomUuid();
    static QString text(const QUuid& uuid, Format format);

protected:
    Transform* newInstance() const override { return new TransformUuid; }
};
