// Interpolate's options follow the items when they move. The methods and
// dates are golden cases (tests/data/transforms/merge/Interpolate).
#include "mergefixture.h"

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
    void initTestCase() { prepareTextTests(); }

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
