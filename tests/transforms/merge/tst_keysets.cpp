// Subtract's report over many removed rows. Intersect and Subtract by key
// are golden cases (tests/data/transforms/merge).
#include "mergefixture.h"

#include "transforms/merge/transformsubtract.h"

namespace {

// Top rows "key|row number" and bottom rows "key", keyed on the first
// columns; keys separated by ",".
MergeFixture* keyed(Transform* t, const QString& topKeys, const QString& bottomKeys)
{
    QString top = QStringLiteral("k|n");
    const QStringList keys = topKeys.split(',');
    for (int i = 0; i < keys.size(); ++i)
        top += QStringLiteral(";%1|%2").arg(keys.at(i)).arg(i + 1);
    QString bottom = QStringLiteral("key");
    if (!bottomKeys.isEmpty())
        bottom += ';' + QString(bottomKeys).replace(',', ';');
    auto* f = new MergeFixture(t, { textTable(top), textTable(bottom) });
    f->choose("Column_1", 0);
    f->choose("Column_2", 0);
    return f;
}

} // namespace

class TestKeySets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void subtractListsAtMostFiveRows()
    {
        QStringList top;
        for (int i = 0; i < 1500; ++i)
            top << (i % 2 ? QStringLiteral("odd") : QStringLiteral("even"));
        QScopedPointer<MergeFixture> f(keyed(new TransformSubtract, top.join(','), "even"));
        QCOMPARE(f->run().rowCount(), 750);
        const QStringList info = f->information();
        QCOMPARE(info.size(), 6);
        QCOMPARE(info.at(0), QStringLiteral("Subtracted row 1 with key 'even'"));
        QCOMPARE(info.at(4), QStringLiteral("Subtracted row 9 with key 'even'"));
        QCOMPARE(info.at(5), QStringLiteral("+ 745 others"));
        QCOMPARE(f->summary(), QStringLiteral("750 row(s) removed"));
    }
};

QTEST_MAIN(TestKeySets)
#include "tst_keysets.moc"
