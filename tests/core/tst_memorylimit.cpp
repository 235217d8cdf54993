#include "core/memorylimit.h"

#include <QtTest>

class TestMemoryLimit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsPrivateMemoryFromStatm()
    {
        // 1 GiB resident of which 256 MiB file-backed, in 4 KiB pages.
        QCOMPARE(MemoryLimit::memoryGBFromStatm("600000 262144 65536 10 0 300000 0\n", 4096), 0.75);
        QCOMPARE(MemoryLimit::memoryGBFromStatm(QByteArray(), 4096), 0.0);
        const double real = MemoryLimit::currentMemoryGB();
        QVERIFY(real > 0.0 && real < 4.0);
    }

    void gauge_data()
    {
        QTest::addColumn<double>("current");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("warns");
        QTest::newRow("tiny") << 0.001 << " Memory usage: <0.1% of 4GB" << false;
        QTest::newRow("half") << 2.0 << " Memory usage: 50% of 4GB" << false;
        QTest::newRow("just below") << 2.996 << " Memory usage: 74.9% of 4GB" << false;
        QTest::newRow("exactly 75") << 3.0 << " Memory usage: 75% of 4GB" << true;
    }
    void gauge()
    {
        QFETCH(double, current);
        QFETCH(QString, text);
        QFETCH(bool, warns);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(MemoryLimit::gaugeText(current, 4.0), text);
        QCOMPARE(MemoryLimit::gaugeWarns(current, 4.0), warns);
        QVERIFY(MemoryLimit::gaugeToolTip(current, 4.0)
                    .endsWith("of 4GB maximum. You can increase maximum memory in 'Preferences'."));
    }
};

QTEST_GUILESS_MAIN(TestMemoryLimit)
#include "tst_memorylimit.moc"
