// Calculate: what the golden cases (tests/data/transforms/column/Calculate)
// cannot state: many rows, identities, option tooltips and the number text.
#include "core/values.h"
#include "tests/transforms/format/textharness.h"
#include "transforms/column/calculatesupport.h"
#include "transforms/column/transformcalculate.h"

#include <QRandomGenerator>

namespace {

// A value as the test rows write it: "[Name]" is the column of that name,
// anything else a constant.
void setValue(TransformRun& run, int which, const QString& written)
{
    const QString n = QString::number(which);
    const bool column = written.startsWith(QLatin1Char('[')) && written.endsWith(QLatin1Char(']'));
    run.set(QStringLiteral("Type") + n, column ? "Column" : "Constant");
    if (!column) {
        run.set(QStringLiteral("Constant") + n, written);
        return;
    }
    TransformParameter* p = run.parameter(QStringLiteral("Column") + n);
    run.column(p->sourceDataset().columnIndexByName(written.mid(1, written.size() - 2)), p->key());
}

struct Result
{
    Dataset output;
    QStringList warnings;
    QString summary;
    bool ownNewColumn = false; // the added column has an identity of the item's own
};

Result calculate(const Dataset& data, const QString& operation, const QString& value1,
    const QString& value2, const QString& newName = QString())
{
    TransformRun run(new TransformCalculate, data);
    run.set(QStringLiteral("Operation"), operation);
    setValue(run, 1, value1);
    setValue(run, 2, value2);
    if (!newName.isNull())
        run.set(QStringLiteral("Auto_New_Name"), false).set(QStringLiteral("New_Name"), newName);
    const Dataset& out = run.run();
    return { out, run.warnings(), run.summary(),
        out.columnId(out.lastColumn()) == ColumnId(run.node()->id(), 1) };
}

Dataset oneRow(const QString& a, const QString& b)
{
    return makeDataset({ QStringLiteral("A"), QStringLiteral("B") }, { { a, b } });
}

} // namespace

class TestCalculate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        prepareTextTests();
        QLocale::setDefault(QLocale::c());
        setDefaultDateFormats(standardDateFormats(QLocale::c()));
    }

    void divideByZeroEveryRow_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("overflow");
        QTest::addColumn<QString>("summary");
        QTest::newRow("five rows") << 5 << QString() << "0 calculations succeeded, 5 failed";
        QTest::newRow("one more") << 6 << "+ 1 other"
                                  << "0 calculations succeeded, 6 failed";
        QTest::newRow("counts grouped") << 1200 << "+ 1,195 others"
                                        << "0 calculations succeeded, 1,200 failed";
    }

    void divideByZeroEveryRow()
    {
        QFETCH(int, rows);
        QFETCH(QString, overflow);
        QFETCH(QString, summary);
        QList<QStringList> values;
        for (int i = 0; i < rows; ++i)
            values.append({ QString::number(i) });
        const Result r = calculate(makeDataset({ QStringLiteral("Price") }, values),
            QStringLiteral("/ Divide"), QStringLiteral("[Price]"), QStringLiteral("0"));
        for (int i = 0; i < rows; ++i)
            QCOMPARE(r.output.value(i, 1), QStringLiteral("Error: divide by 0"));
        QStringList expected;
        for (int i = 1; i <= 5; ++i)
            expected.append(QStringLiteral("Divide by 0 at row %1").arg(i));
        if (!overflow.isEmpty())
            expected.append(overflow);
        expected.append(QString());
        QCOMPARE(r.warnings, expected);
        QCOMPARE(r.summary, summary);
    }

    void newColumnHasAnIdentityOfItsOwn()
    {
        const Result r = calculate(oneRow(QStringLiteral("2"), QStringLiteral("3")),
            QStringLiteral("+ Add"), QStringLiteral("[A]"), QStringLiteral("[B]"));
        QVERIFY(r.ownNewColumn);
    }

    // A one-value operation hides the second value and words the first as "the value".
    void tooltipsFollowTheOperation()
    {
        TransformCalculate t;
        t.defineParameters({}, false);
        t.parameter(QStringLiteral("Operation"))->setValue(QStringLiteral("Year"));
        QVERIFY(t.optionStates().contains(qMakePair(QStringLiteral("Type2"), false)));
        QCOMPARE(t.parameter(QStringLiteral("Type1"))->tooltip(),
            QStringLiteral("Select whether the value is a column or a constant."));
    }

    void numberTextMatchesFormatNumber_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("Arabic digits") << QLocale(QLocale::Arabic, QLocale::Egypt);
    }

    // Results skip the locale's formatter where they can; the text must not
    // change by it, half-way cases included.
    void numberTextMatchesFormatNumber()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        QVector<double> values = { 0.0, 1.0, -1.0, 0.1 + 0.2, 1.0 / 3, -2.0 / 3, 1e300, -1e-300,
            std::ldexp(1.0, -16), -std::ldexp(1.0, -16), 1e14 + 0.5, 123456.789, 0.5, 2.5, 1e15,
            999999999999999.9 };
        QRandomGenerator random(7);
        for (int i = 0; i < 20000; ++i) {
            const double scale = std::pow(10.0, random.bounded(-8, 17));
            values.append((random.generateDouble() - 0.5) * scale);
            values.append(double(random.bounded(-100000, 100000)) / 8);
        }
        for (const double v : values)
            QCOMPARE(CalculateOps::detail::numberText(v), formatNumber(v, false, -1, true));
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_MAIN(TestCalculate)
#include "tst_calculate.moc"
