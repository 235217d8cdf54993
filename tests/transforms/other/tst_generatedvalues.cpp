// UUID and Random: the shapes of generated values and repeatable seeds. Units
// are golden cases (tests/data/transforms/other/Units).
#include "tests/transforms/format/textharness.h"

#include "transforms/other/transformrandom.h"
#include "transforms/other/transformuuid.h"

#include <QRegularExpression>
#include <QSet>

class TestGeneratedValues : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void uuid_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("pattern");
        auto row = [](const char* name, const QString& format, const QString& pattern) {
            QTest::newRow(name) << format << pattern;
        };
        row("standard", "Standard",
            "\\{[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\\}");
        row("without braces", "Without braces",
            "[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
        row("digits only", "Without braces or dashes",
            "[0-9a-f]{12}4[0-9a-f]{3}[89ab][0-9a-f]{15}");
    }

    void uuid()
    {
        QFETCH(QString, format);
        QFETCH(QString, pattern);
        TransformRun t(new TransformUuid, oneColumn({ "a", "b", "c" }));
        t.choose(QStringLiteral("Format"), format);
        t.run();
        const QStringList values = t.outputColumn(1);
        const QRegularExpression shape(QRegularExpression::anchoredPattern(pattern));
        for (const QString& v : values)
            QVERIFY2(shape.match(v).hasMatch(), qPrintable(v));
        QCOMPARE(QSet<QString>(values.begin(), values.end()).size(), 3);
        QCOMPARE(t.output().columnName(1), QStringLiteral("UUID"));
        QCOMPARE(t.summary(), QStringLiteral("1 col added"));
    }

    void random_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QVariantMap>("options");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("warning");
        auto row = [](const char* name, const QString& type, const QVariantMap& options,
                       const QString& pattern, const QString& warning) {
            QTest::newRow(name) << type << options << pattern << warning;
        };
        const QDate day(2024, 2, 27);
        row("integers", "Integer", QVariantMap { { "Minimum_Int", -2 }, { "Maximum_Int", 2 } },
            "-?[0-2]", QString());
        row("equal integer bounds", "Integer",
            QVariantMap { { "Minimum_Int", 3 }, { "Maximum_Int", 3 } }, "3", QString());
        row("min above max", "Integer", QVariantMap { { "Minimum_Int", 5 }, { "Maximum_Int", 1 } },
            "Error: min >= max", "'Minimum' is greater than 'Maximum'");
        row("reals", "Real", QVariantMap { { "Minimum_Real", 1.5 }, { "Maximum_Real", 1.75 } },
            "1\\.[5-7][0-9]*", QString());
        row("dates", "Date",
            QVariantMap { { "Minimum_Date", day }, { "Maximum_Date", day.addDays(3) },
                { "Date_Format", "d.M" } },
            "(27|28|29)\\.2|1\\.3", QString());
        row("dates reversed", "Date",
            QVariantMap { { "Minimum_Date", day }, { "Maximum_Date", day.addDays(-1) } },
            "Error: min >= max", "'Minimum' is greater than 'Maximum'");
        row("texts with an empty entry", "Text", QVariantMap { { "Text_Values", "x,,y" } }, "x|y|",
            QString());
    }

    void random()
    {
        QFETCH(QString, type);
        QFETCH(QVariantMap, options);
        QFETCH(QString, pattern);
        QFETCH(QString, warning);
        QStringList rows;
        for (int i = 0; i < 200; ++i)
            rows << QString::number(i);
        auto run = [&](int seed) {
            TransformRun t(new TransformRandom, oneColumn(rows));
            t.choose(QStringLiteral("Type"), type).set(QStringLiteral("Seed"), seed);
            for (auto it = options.cbegin(); it != options.cend(); ++it)
                t.set(it.key(), it.value());
            t.run();
            return qMakePair(t.outputColumn(1), t.warnings());
        };
        const auto [values, warnings] = run(11);
        QCOMPARE(warnings.contains(warning), !warning.isEmpty());
        const QRegularExpression shape(QRegularExpression::anchoredPattern(pattern));
        for (const QString& v : values)
            QVERIFY2(shape.match(v).hasMatch(), qPrintable(v));
        QCOMPARE(run(11).first, values);
        if (QSet<QString>(values.begin(), values.end()).size() > 1)
            QVERIFY(run(12).first != values);
    }
};

QTEST_MAIN(TestGeneratedValues)
#include "tst_generatedvalues.moc"
