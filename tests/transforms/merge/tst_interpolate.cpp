// Interpolate: samples on top, X values below; results checked by hand
// (they equal numpy.interp inside the samples).
#include "mergefixture.h"
#include "tests/transforms/analysis/analysisharness.h"

#include "core/values.h"
#include "transforms/merge/transforminterpolate.h"

namespace {

// X 1, 2, 4, 4, x, 8 with Y 10, 20, 30, 50, 99, 80: the two samples at 4
// average to 40 and the unreadable X is no sample.
const char* Samples = "x|y;1|10;2|20;4|30;4|50;x|99;8|80";
const char* Targets = "at;0;1;1.5;2.6;4;7;9;abc";

// Both X options on the first columns, the Y option on the given columns of
// the samples.
void chooseColumns(MergeFixture& f, const QVector<int>& yColumns)
{
    f.choose("Top_X", 0);
    f.choose("Bottom_X", 0);
    TransformParameter* y = f.transform()->parameter("Y_Columns");
    ColumnRefList refs;
    for (int c : yColumns)
        refs.append(y->referenceAt(c));
    y->setValue(QVariant::fromValue(refs));
}

} // namespace

class TestInterpolate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareAnalysisTests(); }

    void methods_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("outside");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QString& method, const QString& outside,
                       const QStringList& expected) {
            QTest::newRow(name) << method << outside << expected;
        };
        row("linear", "Linear", "Leave empty", bars("|10|15|26|40|70||"));
        row("nearest, tie takes the lower", "Nearest", "Leave empty", bars("|10|10|20|40|80||"));
        row("previous", "Previous", "Leave empty", bars("|10|10|20|40|40||"));
        row("next", "Next", "Leave empty", bars("|10|20|40|40|80||"));
        row("nearest end value", "Linear", "Nearest end value", bars("10|10|15|26|40|70|80|"));
        row("extrapolated from the end pairs", "Linear", "Extrapolate linearly",
            bars("0|10|15|26|40|70|90|"));
    }

    void methods()
    {
        QFETCH(QString, method);
        QFETCH(QString, outside);
        MergeFixture f(new TransformInterpolate, { textTable(Samples), textTable(Targets) });
        chooseColumns(f, { 1 });
        f.set("Method", method);
        f.set("Outside", outside);
        const Dataset& out = f.run();
        QCOMPARE(out.columnNames(), QStringList({ "at", "y" }));
        QTEST(columnValues(out, 1), "expected");
        QVERIFY(f.warnings().contains(
            "1 sample with the X value of an earlier sample was averaged with it."));
        QVERIFY(f.warnings().contains("'abc' (row 8)"));
    }

    void dates()
    {
        MergeFixture f(new TransformInterpolate,
            { textTable("day|level|seen;1/1/2024|0|1/1/2024;1/11/2024|100|1/21/2024"),
                textTable("day;1/6/2024;1/11/2024") });
        chooseColumns(f, { 1, 2 });
        QCOMPARE(tableText(f.run()),
            QStringLiteral("day|level|seen;1/6/2024|50|2024-01-11;"
                           "1/11/2024|100|2024-01-21"));
    }

    void movingSamplesBelowSwapsRoles()
    {
        MergeFixture f(new TransformInterpolate, { textTable(Samples), textTable(Targets) });
        chooseColumns(f, { 1 });
        f.source(1)->setPos(0, -100);
        f.scene().onPosChanged({ f.source(1) });
        const Transform* t = f.transform();
        QCOMPARE(t->parameter("Top_X")->sourceItem(), f.source(1));
        QCOMPARE(t->parameter("Bottom_X")->sourceItem(), f.source(0));
        // The samples are now below: the Y column has no namesake on top.
        QCOMPARE(t->parameter("Y_Columns")->sourceItem(), f.source(1));
        QVERIFY(t->parameter("Y_Columns")->columnRefs().isEmpty());
    }
};

QTEST_MAIN(TestInterpolate)
#include "tst_interpolate.moc"
