#include "core/filetypes.h"
#include "core/values.h"
#include "ui/preferencesdialog.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

namespace {

// A field's value as text, whatever its kind.
QString fieldText(PreferencesDialog& dialog, const QString& key)
{
    QWidget* w = dialog.field(key);
    if (auto* c = qobject_cast<QCheckBox*>(w))
        return c->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
    if (auto* c = qobject_cast<QComboBox*>(w))
        return QString::number(c->currentIndex());
    if (auto* s = qobject_cast<QDoubleSpinBox*>(w))
        return QString::number(s->value());
    if (auto* s = qobject_cast<QSpinBox*>(w))
        return QString::number(s->value());
    if (auto* l = qobject_cast<QLineEdit*>(w))
        return l->text();
    if (auto* b = qobject_cast<QPushButton*>(w))
        return colourOfButton(b).isValid() ? colourOfButton(b).name() : fontOfButton(b);
    return QStringLiteral("?");
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;

private slots:
    void initTestCase()
    {
        isolateSettings(m_settingsDir);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void init()
    {
        QSettings(WindowSettings::OrganizationName, WindowSettings::ApplicationName).clear();
    }

    // Every field explains itself, and shows what the store holds.
    void everyFieldHasATip()
    {
        PreferencesDialog dialog;
        int fields = 0;
        for (const QWidget* w : dialog.findChildren<QWidget*>()) {
            if (!dialog.field(w->objectName()))
                continue;
            QVERIFY2(!w->toolTip().isEmpty(), qPrintable(w->objectName()));
            ++fields;
        }
        QVERIFY(fields > 25);
        QCOMPARE(fieldText(dialog, QStringLiteral("processing_delay")),
            QString::number(WindowSettings::instance().processingDelay()));
    }

    void defaultDateFormatsAreNotFrozen()
    {
        PreferencesDialog dialog;
        const QString shown
            = dialog.field<QPlainTextEdit>(QStringLiteral("date_formats"))->toPlainText();
        QCOMPARE(shown, WindowSettings::instance().dateFormats());
        dialog.accept();
        // Left untouched, the list still follows the locale's defaults.
        QVERIFY(!WindowSettings::instance().contains(QStringLiteral("date_formats")));
        QVERIFY(!WindowSettings::instance().contains(QStringLiteral("blocked_input_extensions")));
    }

    void roundTrip()
    {
        {
            PreferencesDialog dialog;
            dialog.field<QDoubleSpinBox>(QStringLiteral("processing_delay"))->setValue(0.5);
            dialog.field<QComboBox>(QStringLiteral("optimize_for"))->setCurrentIndex(1);
            dialog.field<QCheckBox>(QStringLiteral("beep_after_processing"))->setChecked(true);
            dialog.field<QCheckBox>(QStringLiteral("show_comments"))->setChecked(false);
            dialog.field<QComboBox>(QStringLiteral("open_auto_run"))->setCurrentIndex(4);
            dialog.field<QLineEdit>(QStringLiteral("default_output_extension"))
                ->setText(QStringLiteral("tsv"));
            dialog.field<QLineEdit>(QStringLiteral("temp_folder"))
                ->setText(QStringLiteral(" /scratch/sorts "));
            dialog.field<QPlainTextEdit>(QStringLiteral("date_formats"))
                ->setPlainText(QStringLiteral("yyyy-MM-dd\ndd.MM.yyyy"));
            auto* locale = dialog.field<QComboBox>(QStringLiteral("locale"));
            locale->setCurrentIndex(locale->findData(QStringLiteral("de_DE")));
            dialog.field<QSpinBox>(QStringLiteral("data_font_vertical_padding"))->setValue(4);
            setColourButton(dialog.field<QPushButton>(QStringLiteral("verify_fail_error_color")),
                QColor("#123456"));
            dialog.accept();
        }
        const WindowSettings& s = WindowSettings::instance();
        QCOMPARE(s.processingDelay(), 0.5);
        QCOMPARE(s.optimizeFor(), 1);
        QVERIFY(s.beepAfterProcessing());
        QVERIFY(!s.showComments());
        QCOMPARE(s.openAutoRun(), 4);
        QCOMPARE(s.defaultOutputExtension(), QStringLiteral("tsv"));
        QCOMPARE(s.tempFolder(), QStringLiteral("/scratch/sorts"));
        QCOMPARE(s.dateFormatList(), (QStringList { "yyyy-MM-dd", "dd.MM.yyyy" }));
        QCOMPARE(s.locale().name(), QStringLiteral("de_DE"));
        QCOMPARE(s.dataFontVerticalPadding(), 4);
        QCOMPARE(s.verifyFailErrorColor(), QColor("#123456"));
        // OK applies what the data core uses.
        QCOMPARE(QLocale().name(), QStringLiteral("de_DE"));
        QCOMPARE(defaultDateFormats(), (QStringList { "yyyy-MM-dd", "dd.MM.yyyy" }));
        QVERIFY(!s.poolValues());

        PreferencesDialog again;
        QCOMPARE(fieldText(again, QStringLiteral("processing_delay")), QStringLiteral("0.5"));
        QCOMPARE(fieldText(again, QStringLiteral("show_comments")), QStringLiteral("false"));
        QCOMPARE(fieldText(again, QStringLiteral("temp_folder")), QStringLiteral("/scratch/sorts"));
        QCOMPARE(again.field<QComboBox>(QStringLiteral("locale"))->currentData().toString(),
            QStringLiteral("de_DE"));
        QCOMPARE(
            fieldText(again, QStringLiteral("verify_fail_error_color")), QStringLiteral("#123456"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void extensionTables()
    {
        {
            PreferencesDialog dialog;
            auto* table = dialog.field<QTableWidget>(QStringLiteral("input_file_extensions"));
            QVERIFY(table);
            QCOMPARE(extensionTableMap(table), WindowSettings::instance().inputFileExtensions());
            // Extensions are kept trimmed, in lower case and without the dot.
            table->insertRow(table->rowCount());
            table->setItem(
                table->rowCount() - 1, 0, new QTableWidgetItem(QStringLiteral(" .DAT ")));
            auto* type = new QComboBox;
            type->addItem(QStringLiteral("Fixed width"), int(FileTypeFixedWidth));
            table->setCellWidget(table->rowCount() - 1, 1, type);
            dialog.accept();
            QVERIFY(!WindowSettings::instance().contains(QStringLiteral("output_file_extensions")));
        }
        QCOMPARE(WindowSettings::instance().inputFileExtensions().value(QStringLiteral("dat"), -1),
            int(FileTypeFixedWidth));
        PreferencesDialog again;
        const QMap<QString, int> shown
            = extensionTableMap(again.field<QTableWidget>(QStringLiteral("input_file_extensions")));
        QCOMPARE(shown.value(QStringLiteral("dat"), -1), int(FileTypeFixedWidth));
        QCOMPARE(shown.value(QStringLiteral("csv"), -1), int(FileTypeDelimited));
    }

    void cancelWritesNothing()
    {
        PreferencesDialog dialog;
        dialog.field<QDoubleSpinBox>(QStringLiteral("processing_delay"))->setValue(9);
        dialog.reject();
        QCOMPARE(WindowSettings::instance().processingDelay(), 2.0);
    }

    void usDefaultsButton()
    {
        PreferencesDialog dialog;
        buttonWithText(&dialog, QStringLiteral("Default (non-US)"))->click();
        const QStringList formats = dialog.field<QPlainTextEdit>(QStringLiteral("date_formats"))
                                        ->toPlainText()
                                        .split('\n');
        QVERIFY(formats.contains(QStringLiteral("d/M/yyyy")));
        QVERIFY(formats.indexOf(QStringLiteral("d/M/yyyy"))
            < formats.indexOf(QStringLiteral("M/d/yyyy")));
    }
};

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
