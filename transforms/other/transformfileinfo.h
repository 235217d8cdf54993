#pragma once

#include "transforms/transform.h"

// For a column of file paths, adds columns describing each file: whether it
// exists, its size in bytes, when it was last modified, its name, extension
// and folder, and optionally a SHA-256 of its content. Relative paths are
// taken from the document's folder once the document is saved.
class TransformFileInfo : public Transform
{
    Q_OBJECT

public:
    enum Info { Exists, Size, Modified, FileName, Extension, Folder, Sha256, InfoCount };

    QString typeKey() const override { return QStringLiteral("File_Info"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

protected:
    Transform* newInstance() const override { return new TransformFileInfo; }
};
