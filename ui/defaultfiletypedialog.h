#pragma once

#include <QDialog>
#include <QString>

class QComboBox;

// "Set Default File Type": asks which type files with an extension the
// extension map does not know are read as, and remembers the answer in the
// map, so the question comes once per extension.
class DefaultFileTypeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DefaultFileTypeDialog(const QString& extension, QWidget* parent = nullptr);

    int fileType() const;
    QComboBox* typeCombo() const { return m_type; }

    // The type a new Input item for this path gets: the mapped type of its
    // extension, or the user's choice for an extension the map lacks (then
    // stored in the map). FileTypeNone when the user cancels. Paths without
    // an extension, and blocked ones, are not asked about.
    static int typeForNewInput(const QString& path, QWidget* parent);

private:
    QString m_extension;
    QComboBox* m_type;
};
