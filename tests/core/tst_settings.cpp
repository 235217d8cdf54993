#include "core/enginesettings.h"
#include "core/filetypes.h"
#include "core/values.h"

#include <QtTest>

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
        QSettings(EngineSettings::OrganizationName, EngineSettings::ApplicationName).clear();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void extensionListsAreCleanedUp()
    {
        QCOMPARE(EngineSettings::extensionList(" .CSV, txt,,csv "), (QStringList { "csv", "txt" }));
    }

    void valuesPersist()
    {
        {
            EngineSettings settings(m_programDir.path());
            settings.setProcessingDelay(0.5);
            settings.setInputFileExtensions(
                { { "dat", FileTypeDelimited }, { "TXT", FileTypePlainText } });
            settings.setTransformDefault("Case", "Case_Type", "Upper");
        }
        EngineSettings settings(m_programDir.path());
        QCOMPARE(settings.processingDelay(), 0.5);
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
            EngineSettings native(m_programDir.path());
            QVERIFY(!native.usesIniFile());
            native.setMaxMemoryUsage(8.0);
        }
        writeIni("[General]\nmax_memory_usage=6\n");
        {
            EngineSettings portable(m_programDir.path());
            QVERIFY(portable.usesIniFile());
            QCOMPARE(portable.maxMemoryUsage(), 6.0);
            portable.setOptimizeFor(1);
            portable.setStoreInIniFile(false);
            QVERIFY(!portable.usesIniFile());
            QVERIFY(!QFile::exists(portable.iniFilePath()));
        }
        // Switching to the native store carried the portable values over.
        EngineSettings native(m_programDir.path());
        QVERIFY(!native.usesIniFile());
        QCOMPARE(native.maxMemoryUsage(), 6.0);
        QCOMPARE(native.optimizeFor(), 1);
        native.setStoreInIniFile(true);
        QVERIFY(QFile::exists(native.iniFilePath()));
        native.setProcessingDelay(3.0);
        native.sync();
        EngineSettings again(m_programDir.path());
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
        EngineSettings settings(m_programDir.path());
        const QStringList formats = settings.dateFormatList();
        QCOMPARE(formats.size(), count);
        QCOMPARE(formats.at(0), first);
        QCOMPARE(formats.at(1), second);
        QCOMPARE(settings.dateFormats(), formats.join('\n'));
    }

    void storedDateFormatsAreTrimmed()
    {
        EngineSettings settings(m_programDir.path());
        settings.setDateFormats("yyyy-MM-dd\n\n  d.M.yyyy  \n");
        QCOMPARE(settings.dateFormatList(), (QStringList { "yyyy-MM-dd", "d.M.yyyy" }));
    }

    void applyPushesIntoDataCore()
    {
        EngineSettings settings(m_programDir.path());
        settings.setLocale(QLocale(QLocale::German, QLocale::Germany));
        settings.setDateFormats("d.M.yyyy");
        settings.apply();
        QCOMPARE(QLocale().name(), QStringLiteral("de_DE"));
        QCOMPARE(defaultDateFormats(), QStringList { "d.M.yyyy" });
        QCOMPARE(toNumber("1,5"), 1.5);
    }

    // A store without a program folder must neither read nor write the
    // user's preferences: tests and embedded runs rely on it.
    void memoryStoreKeepsToItself()
    {
        {
            EngineSettings user(m_programDir.path());
            user.setMaxMemoryUsage(9.0);
        }
        EngineSettings memory;
        QCOMPARE(memory.maxMemoryUsage(), 4.0);
        memory.setMaxMemoryUsage(2.0);
        memory.setTransformDefault("Case", "Case_Type", "Upper");
        memory.removeTransformDefaults("Case");
        QVERIFY(!memory.transformDefault("Case", "Case_Type").isValid());
        QCOMPARE(memory.maxMemoryUsage(), 2.0);
        QCOMPARE(EngineSettings(m_programDir.path()).maxMemoryUsage(), 9.0);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
