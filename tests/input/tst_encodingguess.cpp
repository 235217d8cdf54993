// The encoding guess on files in each encoding it knows: the right one
// first, with no byte it cannot decode, the ones that cannot read the file
// counting the bytes they fail on, and sample lines where they differ.
#include "input/encodingguess.h"

#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

const QString Text = QStringLiteral("name,note\nRen\u00e9,\u201cquoted\u201d \u2013 5 \u20ac\n"
                                    "Jos\u00e9,S\u00e3o Paulo\nplain,line\n");
const QString Latin = QStringLiteral("name,city\nRen\u00e9,Z\u00fcrich\nplain,line\n");

QByteArray encoded(const QString& text, const char* codec)
{
    return QTextCodec::codecForName(codec)->fromUnicode(text);
}

} // namespace

class TestEncodingGuess : public QObject
{
    Q_OBJECT

private slots:
    void guesses_data();
    void guesses();
    void fromAFile();
};

void TestEncodingGuess::guesses_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("first");
    QTest::addColumn<bool>("misdecoded");
    // Without a byte-order mark, which would decide it at once.
    QByteArray le = encoded(Text, "UTF-16LE");
    QByteArray be = encoded(Text, "UTF-16BE");
    QTest::newRow("UTF-8") << Text.toUtf8() << "UTF-8" << false;
    QTest::newRow("Windows-1252") << encoded(Text, "Windows-1252") << "Windows-1252" << false;
    QTest::newRow("ISO-8859-1") << encoded(Latin, "ISO-8859-1") << "ISO-8859-1" << false;
    QTest::newRow("UTF-16 little-endian") << le << "UTF-16LE" << false;
    QTest::newRow("UTF-16 big-endian") << be << "UTF-16BE" << false;
    // UTF-8 read as Latin-1 and written as UTF-8 again: it decodes, but
    // shows the marks of having been decoded wrongly once.
    QTest::newRow("UTF-8 encoded twice")
        << QString::fromLatin1(Text.toUtf8()).toUtf8() << "UTF-8" << true;
}

void TestEncodingGuess::guesses()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, first);
    QFETCH(bool, misdecoded);
    const EncodingGuess guess = guessEncoding(bytes);
    QCOMPARE(guess.candidates.size(), 3);
    const EncodingCandidate& best = guess.candidates.first();
    QCOMPARE(best.name, first);
    QCOMPARE(best.undecodable, 0);
    QCOMPARE(best.misdecoded > 0, misdecoded);
    // The others read the file differently somewhere, and the sample shows
    // where, each line as each candidate reads it.
    QVERIFY(!guess.sampleLines.isEmpty());
    for (const EncodingCandidate& c : guess.candidates)
        QCOMPARE(c.sample.size(), guess.sampleLines.size());
    QVERIFY(std::any_of(guess.candidates.cbegin() + 1, guess.candidates.cend(),
        [&](const EncodingCandidate& c) { return c.sample != best.sample; }));
}

void TestEncodingGuess::fromAFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("latin.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(encoded(Text, "Windows-1252"));
    file.close();
    const EncodingGuess guess = guessFileEncoding(path);
    QCOMPARE(guess.candidates.first().name, QStringLiteral("Windows-1252"));
    // Line 2 holds the quotes, the dash and the euro sign, which UTF-8
    // cannot decode.
    QCOMPARE(guess.sampleLines.first(), 2);
    QCOMPARE(guess.candidates.first().sample.first(),
        QStringLiteral("Ren\u00e9,\u201cquoted\u201d \u2013 5 \u20ac"));
    const auto utf8 = std::find_if(guess.candidates.cbegin(), guess.candidates.cend(),
        [](const EncodingCandidate& c) { return c.name == QLatin1String("UTF-8"); });
    if (utf8 != guess.candidates.cend())
        QVERIFY(utf8->undecodable > 0);
    QString error;
    QVERIFY(
        guessFileEncoding(dir.filePath(QStringLiteral("none.csv")), &error).candidates.isEmpty());
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestEncodingGuess)
#include "tst_encodingguess.moc"
