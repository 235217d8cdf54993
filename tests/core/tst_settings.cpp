#include "core/dataset.h"
#include "core/filetypes.h"
#include "core/settings.h"
#include "core/values.h"

#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(std::function<QVariant(const Settings&)>)

using Getter = std::function<QVariant(const Settings&)>;

class TestSettings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_nativeDir;
    QTemporaryDir m_programDir;

    void writeIni(const QByteArray& content)
    {
        QFile ini(QDir(m_programDir.path()).filePath("varnix.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(content);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Keep the test away from the real user's store.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_nativeDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_nativeDir.path());
    }

    void init()
    {
        QFile::remove(QDir(m_programDir.path()).filePath("varnix.ini"));
        QSettings(Settings::OrganizationName, Settings::ApplicationName).clear();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void defaults_data()
    {
        QTest::addColumn<Getter>("getter");
        QTest::addColumn<QVariant>("expected");
        auto row = [](const char* name, Getter g, QVariant v) { QTest::newRow(name) << g << v; };
        row(
            "processing_delay", [](const Settings& s) { return s.processingDelay(); }, 2.0);
        row(
            "optimize_for", [](const Settings& s) { return s.optimizeFor(); }, 0);
        row(
            "max_memory_usage", [](const Settings& s) { return s.maxMemoryUsage(); }, 4.0);
        row(
            "warn_on_locale_change", [](const Settings& s) { return s.warnOnLocaleChange(); },
            true);
        row(
            "default_output_extension",
            [](const Settings& s) { return s.defaultOutputExtension(); }, QString("csv"));
        row(
            "copy_data_as", [](const Settings& s) { return s.copyDataAs(); }, 0);
        row(
            "open_auto_run", [](const Settings& s) { return s.openAutoRun(); }, 1);
        row(
            "open_previous_at_start", [](const Settings& s) { return s.openPreviousAtStart(); }, 2);
        row(
            "show_warnings", [](const Settings& s) { return s.showWarnings(); }, true);
        row(
            "auto_move_notes", [](const Settings& s) { return s.autoMoveNotes(); }, true);
        row(
            "data_font_vertical_padding",
            [](const Settings& s) { return s.dataFontVerticalPadding(); }, 10);
        row(
            "mouse_wheel_sensitivity", [](const Settings& s) { return s.mouseWheelSensitivity(); },
            5);
        row(
            "custom_connection_thickness",
            [](const Settings& s) { return s.customConnectionThickness(); }, 2.0);
        row(
            "show_center_pane_tips", [](const Settings& s) { return s.showCenterPaneTips(); }, 2);
        row(
            "num_col_frequences", [](const Settings& s) { return s.numColFrequencies(); }, 20);
        row(
            "show_percentages_in_col_frquencies",
            [](const Settings& s) { return s.showPercentagesInColFrequencies(); }, true);
        row(
            "find_in_names", [](const Settings& s) { return s.findInNames(); }, true);
        row(
            "find_in_data", [](const Settings& s) { return s.findInData(); }, false);
        row(
            "find_case_senstive", [](const Settings& s) { return s.findCaseSensitive(); }, false);
        row(
            "item_summary_sort_order", [](const Settings& s) { return s.itemSummarySortOrder(); },
            1);
        row(
            "total_next_exp_rows_to_notify",
            [](const Settings& s) { return s.totalNextExpRowsToNotify(); }, 6);
        row(
            "splitter_width_2", [](const Settings& s) { return s.splitterWidth(2); }, -1);
        row(
            "input type of txt",
            [](const Settings& s) { return s.inputFileExtensions().value("txt", -1); },
            int(FileTypeFixedWidth));
        row(
            "input type of geojson",
            [](const Settings& s) { return s.inputFileExtensions().value("geojson", -1); },
            int(FileTypeJson));
        row(
            "no input type for md",
            [](const Settings& s) { return s.inputFileExtensions().value("md", -1); }, -1);
        row(
            "blocked input holds jpg",
            [](const Settings& s) {
                return Settings::extensionList(s.blockedInputExtensions()).contains("jpg");
            },
            true);
        row(
            "blocked output protects documents",
            [](const Settings& s) {
                return Settings::extensionList(s.blockedOutputExtensions()).contains("transform");
            },
            true);
    }
    void defaults()
    {
        QFETCH(Getter, getter);
        QFETCH(QVariant, expected);
        Settings settings(m_programDir.path());
        QCOMPARE(getter(settings), expected);
    }

    void blockedInputList()
    {
        Settings settings(m_programDir.path());
        const QStringList list = Settings::extensionList(settings.blockedInputExtensions());
        QCOMPARE(list.size(), 27);
        QCOMPARE(list.first(), QStringLiteral("exe"));
        QCOMPARE(list.last(), QStringLiteral("hlp"));
        QCOMPARE(Settings::extensionList(" .CSV, txt,,csv "), (QStringList { "csv", "txt" }));
    }

    void valuesPersist()
    {
        {
            Settings settings(m_programDir.path());
            settings.setProcessingDelay(0.5);
            settings.setFindCaseSensitive(true);
            settings.setSplitterWidth(1, 240);
            settings.setInputFileExtensions(
                { { "dat", FileTypeDelimited }, { "TXT", FileTypePlainText } });
            settings.setTransformDefault("Case", "Case_Type", "Upper");
        }
        Settings settings(m_programDir.path());
        QCOMPARE(settings.processingDelay(), 0.5);
        QVERIFY(settings.findCaseSensitive());
        QCOMPARE(settings.splitterWidth(1), 240);
        QCOMPARE(settings.inputFileExtensions().value("txt"), int(FileTypePlainText));
        QCOMPARE(settings.inputFileExtensions().size(), 2);
        QCOMPARE(
            settings.transformDefault("Case", "Case_Type").toString(), QStringLiteral("Upper"));
        QVERIFY(!settings.transformDefault("Case", "Other").isValid());
        QVERIFY(settings.contains("defaults/transforms/Case/Case_Type"));
        settings.removeTransformDefaults("Case");
        QVERIFY(!settings.transformDefault("Case", "Case_Type").isValid());
    }

    void portableIniFile()
    {
        {
            Settings native(m_programDir.path());
            QVERIFY(!native.usesIniFile());
            native.setMaxMemoryUsage(8.0);
        }
        writeIni("[General]\nmax_memory_usage=6\n");
        {
            Settings portable(m_programDir.path());
            QVERIFY(portable.usesIniFile());
            QCOMPARE(portable.maxMemoryUsage(), 6.0);
            portable.setOptimizeFor(1);
            portable.setStoreInIniFile(false);
            QVERIFY(!portable.usesIniFile());
            QVERIFY(!QFile::exists(portable.iniFilePath()));
        }
        // Switching to the native store carried the portable values over.
        Settings native(m_programDir.path());
        QVERIFY(!native.usesIniFile());
        QCOMPARE(native.maxMemoryUsage(), 6.0);
        QCOMPARE(native.optimizeFor(), 1);
        native.setStoreInIniFile(true);
        QVERIFY(QFile::exists(native.iniFilePath()));
        native.setProcessingDelay(3.0);
        native.sync();
        Settings again(m_programDir.path());
        QVERIFY(again.usesIniFile());
        QCOMPARE(again.processingDelay(), 3.0);
    }

    void dateFormatDefaults_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("count");
        // en_GB's short format is dd/MM/yyyy: prepended to the non-US list.
        QTest::newRow("uk") << QLocale(QLocale::English, QLocale::UnitedKingdom) << "dd/MM/yyyy"
                            << "d/M/yyyy" << 13;
        // en_US's short format (M/d/yy) is already listed: nothing prepended.
        QTest::newRow("us") << QLocale(QLocale::English, QLocale::UnitedStates) << "M/d/yyyy"
                            << "d/M/yyyy" << 12;
        QTest::newRow("germany") << QLocale(QLocale::German, QLocale::Germany) << "dd.MM.yy"
                                 << "d/M/yyyy" << 13;
    }
    void dateFormatDefaults()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, count);
        QLocale::setDefault(locale);
        Settings settings(m_programDir.path());
        const QStringList formats = settings.dateFormatList();
        QCOMPARE(formats.size(), count);
        QCOMPARE(formats.at(0), first);
        QCOMPARE(formats.at(1), second);
        QCOMPARE(settings.dateFormats(), formats.join('\n'));
    }

    void storedDateFormatsWin()
    {
        Settings settings(m_programDir.path());
        settings.setDateFormats("yyyy-MM-dd\n\n  d.M.yyyy  \n");
        QCOMPARE(settings.dateFormatList(), (QStringList { "yyyy-MM-dd", "d.M.yyyy" }));
    }

    void applyPushesIntoDataCore()
    {
        Settings settings(m_programDir.path());
        settings.setLocale(QLocale(QLocale::German, QLocale::Germany));
        settings.setDateFormats("d.M.yyyy");
        settings.setOptimizeFor(1);
        settings.apply();
        QCOMPARE(QLocale().name(), QStringLiteral("de_DE"));
        QCOMPARE(defaultDateFormats(), QStringList { "d.M.yyyy" });
        QVERIFY(!Dataset::poolingEnabled());
        QCOMPARE(toNumber("1,5"), 1.5);
        settings.setOptimizeFor(0);
        settings.apply();
        QVERIFY(Dataset::poolingEnabled());
    }

    void colorSchemeDefaultFollowsDesktop()
    {
        Settings settings(m_programDir.path());
        const int scheme = settings.colorScheme();
        QVERIFY(scheme == Settings::SchemeLight || scheme == Settings::SchemeDark);
        settings.setColorScheme(Settings::SchemeOcean);
        QCOMPARE(settings.colorScheme(), int(Settings::SchemeOcean));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
