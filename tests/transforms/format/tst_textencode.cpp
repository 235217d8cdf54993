// Hash enables its secret for HMAC only. Every Decode choice and every Hash
// algorithm against known results are golden cases (tests/data/transforms).
#include "textharness.h"

#include "transforms/other/transformhash.h"

class TestTextEncode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void secretOnlyEnabledForHmac()
    {
        TransformRun t(new TransformHash, oneColumn({ "a" }));
        t.columns({ 0 }).choose(QStringLiteral("Hashing"), QStringLiteral("HMAC-MD5"));
        QCOMPARE(t.transform()->optionStates().value(0), qMakePair(QStringLiteral("Secret"), true));
        t.choose(QStringLiteral("Hashing"), QStringLiteral("MD5"));
        QCOMPARE(
            t.transform()->optionStates().value(0), qMakePair(QStringLiteral("Secret"), false));
        t.run();
        // An empty secret is allowed either way.
        QVERIFY(t.warnings().isEmpty());
    }
};

QTEST_MAIN(TestTextEncode)
#include "tst_textencode.moc"
