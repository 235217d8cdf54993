#pragma once

#include <QColor>
#include <QDialog>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class WindowSettings;

// The Preferences window: every user-facing preference with its label, tool
// tip and current value. Nothing is written until OK; OK writes each value
// through the settings store and applies the ones the data core uses.
class PreferencesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PreferencesDialog(QWidget* parent = nullptr);
    PreferencesDialog(WindowSettings& settings, QWidget* parent);

    // The editor of a preference, by its settings key (for tests and for
    // focusing one preference from elsewhere).
    QWidget* field(const QString& key) const { return m_fields.value(key); }
    template <class T> T* field(const QString& key) const
    {
        return qobject_cast<T*>(m_fields.value(key));
    }

    // Reads every value from the store into the fields.
    void load();
    // Writes every field to the store and applies it.
    void save();
    void accept() override;

private:
    void build();
    QWidget* makeProcessingPage();
    QWidget* makeFilesPage();
    QWidget* makeInterfacePage();
    QWidget* makeColoursPage();
    QWidget* makeExtensionsPage();
    QTableWidget* addExtensionTable(
        QFormLayout* form, const QString& key, const QString& label, const QList<int>& types);
    QCheckBox* addCheck(
        QFormLayout* form, const QString& key, const QString& label, const QString& tip);
    QComboBox* addCombo(QFormLayout* form, const QString& key, const QString& label,
        const QStringList& items, const QString& tip);
    QLineEdit* addLine(
        QFormLayout* form, const QString& key, const QString& label, const QString& tip);
    QPushButton* addColour(
        QFormLayout* form, const QString& key, const QString& label, const QString& tip);
    QPushButton* addFont(
        QFormLayout* form, const QString& key, const QString& label, const QString& tip);
    void addField(QFormLayout* form, const QString& key, const QString& label, QWidget* field,
        const QString& tip);
    void loadChecksAndCombos();
    void saveChecksAndCombos();

    WindowSettings& m_settings;
    QTabWidget* m_tabs = nullptr;
    QHash<QString, QWidget*> m_fields;
};

// An extension table: one row per extension with its file type.
void setExtensionTable(QTableWidget* table, const QMap<QString, int>& extensions);
QMap<QString, int> extensionTableMap(const QTableWidget* table);

// A push button that shows and picks a colour (its "colour" property).
void setColourButton(QPushButton* button, const QColor& colour);
QColor colourOfButton(const QPushButton* button);
// A push button that shows and picks a font; an empty description means the
// default font.
void setFontButton(QPushButton* button, const QString& fontDescription);
QString fontOfButton(const QPushButton* button);
