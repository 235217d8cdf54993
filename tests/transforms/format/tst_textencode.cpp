// Decode and Hash: every choice and every algorithm against known results.
#include "textharness.h"

#include "transforms/format/transformdecode.h"
#include "transforms/other/transformhash.h"

class TestTextEncode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void decode_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        auto row
            = [](const char* name, const QString& choice, const QString& input,
                  const QString& expected) { QTest::newRow(name) << choice << input << expected; };
        row("to XML", "To escaped XML", "a&b<c", "a&amp;b&lt;c");
        row("to XML quotes", "To escaped XML", "\"it's\" <x>", "&quot;it&apos;s&quot; &lt;x&gt;");
        row("from XML ampersand last", "From escaped XML", "&amp;lt;", "&lt;");
        row("from XML all", "From escaped XML", "&quot;&apos;&lt;&gt;&amp;", "\"'<>&");
        row("from XML unknown entity", "From escaped XML", "&eacute;", "&eacute;");
        row("to HTML", "To escaped HTML", "<a href=\"x\">&'</a>",
            "&lt;a href=&quot;x&quot;&gt;&amp;'&lt;/a&gt;");
        row("from HTML", "From escaped HTML", "&lt;b&gt; &amp; <i>x</i> caf&eacute;",
            "<b> & x café");
        row("from HTML plain value", "From escaped HTML", "a  b", "a  b");
        row("to Base64", "To Base64 encoding", "Müller €", "TcO8bGxlciDigqw=");
        row("from Base64", "From Base64 encoding", "TcO8bGxlciDigqw=", "Müller €");
        row("to URL", "To URL encoding", "a b&c/é~-._", "a%20b%26c%2F%C3%A9~-._");
        row("from URL", "From URL encoding", "%C3%A9t%C3%A9+x", "été+x");
    }

    void decode()
    {
        QFETCH(QString, choice);
        QFETCH(QString, input);
        TransformRun t(new TransformDecode, oneColumn({ input }));
        t.columns({ 0 }).choose(QStringLiteral("Decode"), choice);
        t.run();
        QTEST(t.output().value(0, 0), "expected");
        QVERIFY(t.warnings().isEmpty());
    }

    void hash_data()
    {
        QTest::addColumn<QString>("algorithm");
        QTest::addColumn<QString>("secret");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* algorithm, const QString& secret, const QString& input,
                       const char* digest) {
            const QString name
                = QStringLiteral("%1 '%2'").arg(QString::fromLatin1(algorithm), input);
            QTest::newRow(qPrintable(name))
                << QString::fromLatin1(algorithm) << secret << input << QString::fromLatin1(digest);
        };
        // Keccak and SHA-3 differ only in padding: mixing them up gives
        // valid-looking but wrong digests.
        const QString none;
        row("SHA1", none, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d");
        row("SHA-256", none, "Müller €",
            "00281902fa1dea30005cdaad32da5a380aa9fa391b96cdc02fb5799b225d3034");
        row("SHA-512", none, "abc",
            "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c"
            "23a"
            "3feebbd454d4423643ce80e2a9ac94fa54ca49f");
        row("SHA3-256", none, "abc",
            "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532");
        row("SHA3-512", none, "abc",
            "b751850b1a57168a5693cd924b6b096e08f621827444f70d884f5d0240d2712e10e116e9192af3c91a7ec5"
            "764"
            "7e3934057340b4cf408d5a56592f8274eec53f0");
        row("Keccak-256", none, "abc",
            "4e03657aea45a94fc7d47ba826c8d667c0d1e6e33a64a036ec44f58fa12d6c45");
        row("Keccak-512", none, "abc",
            "18587dc2ea106b9a1563e32b3312421ca164c7f1f07bc922a9c83d77cea3a1e5d0c69910739025372dc14a"
            "c96"
            "42629379540c17e2a65b19d77aa511a9d00bb96");
        row("MD5", none, "Müller €", "e289a7fa0b27f18a67f4a99356ef551d");
        row("HMAC-MD5", "key", "abc", "d2fe98063f876b03193afb49b4979591");
        row("HMAC-MD5", none, "abc", "dd2701993d29fdd0b032c233cec63403");
        row("HMAC-MD5", QStringLiteral("sécret"), "Müller €", "1bf9e7d8f7145aecf6b4f90d9d10a6e8");
    }

    void hash()
    {
        QFETCH(QString, algorithm);
        QFETCH(QString, secret);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        TransformRun t(new TransformHash, oneColumn({ input, input }));
        t.columns({ 0 }).choose(QStringLiteral("Hashing"), algorithm);
        t.set(QStringLiteral("Secret"), secret);
        t.run();
        QCOMPARE(t.outputColumn(0), QStringList({ expected, expected }));
        QCOMPARE(t.summary(), QStringLiteral("2 changed, 0 unchanged"));
        QVERIFY(t.warnings().isEmpty());
    }

    void unsetChoiceLeavesDataAndWarns_data()
    {
        QTest::addColumn<bool>("hash");
        QTest::addColumn<bool>("withColumns");
        QTest::addColumn<QString>("warning");
        QTest::newRow("decode") << false << true << "1 option not set ('Change')";
        QTest::newRow("hash") << true << true << "1 option not set ('Algorithm')";
        QTest::newRow("hash without columns")
            << true << false << "2 options not set ('Columns','Algorithm')";
    }

    void unsetChoiceLeavesDataAndWarns()
    {
        QFETCH(bool, hash);
        QFETCH(bool, withColumns);
        QFETCH(QString, warning);
        TransformRun t(hash ? static_cast<Transform*>(new TransformHash) : new TransformDecode,
            oneColumn({ "a&b", "x" }));
        if (withColumns)
            t.columns({ 0 });
        t.run();
        QCOMPARE(t.outputColumn(0), QStringList({ "a&b", "x" }));
        QCOMPARE(t.summary(), QStringLiteral("No changes"));
        QCOMPARE(t.warnings(), QStringList { warning });
    }

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
