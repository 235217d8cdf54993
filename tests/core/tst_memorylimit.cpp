#include "core/memorylimit.h"
#include "core/settings.h"

#include <QtTest>

namespace {

double s_fakeUse = 0.0;
double fakeMeasure()
{
    return s_fakeUse;
}

class ScriptedPrompt : public MemoryPrompt
{
public:
    double answer = 0.0;
    int asked = 0;
    double offeredMinimum = 0.0;
    double askToContinue(double, double maximumGB) override
    {
        ++asked;
        offeredMinimum = MemoryLimit::minimumRaisedMaximum(maximumGB);
        return answer;
    }
};

} // namespace

class TestMemoryLimit : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_store;

private Q_SLOTS:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
        MemoryLimit::setMeasurement(&fakeMeasure);
    }
    void init()
    {
        Settings::instance().setMaxMemoryUsage(4.0);
        MemoryLimit::setPrompt(nullptr);
    }

    void readsPrivateMemoryFromStatus()
    {
        const QString status = QStringLiteral("Name:\tvarnix\nVmRSS:\t 3145728 kB\n"
                                              "RssAnon:\t 2097152 kB\nVmSwap:\t 1048576 kB\n");
        QCOMPARE(MemoryLimit::memoryGBFromStatus(status), 3.0);
        QCOMPARE(MemoryLimit::memoryGBFromStatus(QString()), 0.0);
        MemoryLimit::setMeasurement(nullptr);
        const double real = MemoryLimit::currentMemoryGB();
        MemoryLimit::setMeasurement(&fakeMeasure);
        QVERIFY(real > 0.0 && real < 4.0);
    }

    void withinTheMaximumNothingHappens()
    {
        ScriptedPrompt prompt;
        MemoryLimit::setPrompt(&prompt);
        s_fakeUse = 4.0;
        MemoryLimit::check();
        QCOMPARE(prompt.asked, 0);
    }

    void raisingTheMaximumContinues()
    {
        ScriptedPrompt prompt;
        prompt.answer = 6.0;
        MemoryLimit::setPrompt(&prompt);
        s_fakeUse = 4.3;
        MemoryLimit::check();
        QCOMPARE(prompt.asked, 1);
        QCOMPARE(prompt.offeredMinimum, 4.5);
        QCOMPARE(Settings::instance().maxMemoryUsage(), 6.0);
        // An answer below the offered minimum is lifted to it.
        prompt.answer = 1.0;
        s_fakeUse = 6.2;
        MemoryLimit::check();
        QCOMPARE(Settings::instance().maxMemoryUsage(), 6.5);
    }

    void exitingThrows()
    {
        ScriptedPrompt prompt;
        MemoryLimit::setPrompt(&prompt);
        s_fakeUse = 5.0;
        bool thrown = false;
        try {
            MemoryLimit::check();
        } catch (const MaxMemoryException&) {
            thrown = true;
        }
        QVERIFY(thrown);
        QCOMPARE(Settings::instance().maxMemoryUsage(), 4.0);
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
