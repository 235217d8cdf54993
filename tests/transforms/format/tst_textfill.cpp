// What every text transform shares: tooltips, the walk over rows with
// progress and summaries, columns that no longer resolve. Fill and Unfill
// are golden cases (tests/data/transforms/format).
#include "textharness.h"

#include "transforms/format/transformcase.h"

#include <QSignalSpy>

class TestTextFill : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    // Every option of the text transforms explains itself in the options pane.
    void everyOptionHasATooltip()
    {
        for (const char* key : { "Case", "Whitespace", "Pad", "Chop", "Insert", "Extract",
                 "Replace_Multi", "Decode", "Hash", "Fill", "Unfill", "Substitute" }) {
            std::unique_ptr<Transform> t(Catalogue::instance().create(QString::fromLatin1(key)));
            t->defineParameters({}, false);
            for (const TransformParameter* p : t->parameters())
                QVERIFY2(!p->tooltip().isEmpty(), qPrintable(QString(key) + ' ' + p->key()));
        }
    }

    void progressEveryThousandRowsAndSummaryCounts()
    {
        QStringList values;
        for (int i = 0; i < 2500; ++i)
            values << (i % 5 ? QStringLiteral("abc") : QStringLiteral("ABC"));
        TransformRun t(new TransformCase, oneColumn(values));
        t.columns({ 0 });
        QSignalSpy spy(t.transform(), &Transform::processed);
        t.run();
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(1).at(0).toReal(), 1000.0 / 2500);
        QCOMPARE(t.summary(), QStringLiteral("500 changed, 2,000 unchanged"));
        QCOMPARE(t.output().value(0, 0), QStringLiteral("abc"));
    }

    void unresolvedColumnsLeaveDataUnchanged()
    {
        TransformRun t(new TransformCase, makeDataset({ "a", "b" }, { { "X", "Y" } }));
        ColumnRef gone;
        gone.id = ColumnId(9999, 1);
        gone.name = QStringLiteral("gone");
        t.set(QStringLiteral("Columns"), QVariant::fromValue(ColumnRefList { gone }));
        t.run();
        QCOMPARE(joinRows(t.output()), QStringList { "X,Y" });
        QCOMPARE(t.summary(), QStringLiteral("No changes"));
        QCOMPARE(t.status(), int(StatusUpToDate));
    }
};

QTEST_MAIN(TestTextFill)
#include "tst_textfill.moc"
