#include "input/charscan.h"
#include "input/valuepool.h"
#include "tests/input/testsupport.h"

#include <QStringList>
#include <QTest>

#include <random>

class TestValuePool : public QObject
{
    Q_OBJECT

private slots:
    void sharesRepeatedValues_data();
    void sharesRepeatedValues();
    void retiresOnlyMostlyDistinctColumns_data();
    void retiresOnlyMostlyDistinctColumns();
    void capRetiresLargePools_data();
    void capRetiresLargePools();
    void findsValuesReadAsBytes();
    void sameBytesAtEveryLength();
    void tellsApartValuesOfOneHash();
    void textsOfARunActAsOrdinaryTexts_data();
    void textsOfARunActAsOrdinaryTexts();
};

void TestValuePool::sharesRepeatedValues_data()
{
    QTest::addColumn<int>("distinct");
    QTest::addColumn<int>("repeats");

    // Enough distinct values to make the table grow many times over.
    addRow("few", 3, 50);
    addRow("many", 20000, 3);
}

void TestValuePool::sharesRepeatedValues()
{
    QFETCH(int, distinct);
    QFETCH(int, repeats);

    ValuePool pool;
    QVector<QString> first(distinct);
    for (int round = 0; round < repeats; ++round) {
        for (int i = 0; i < distinct; ++i) {
            // Values that differ only late in the text or only in length.
            const QString text
                = QStringLiteral("value-%1-").arg(i) + QString(i % 5, QLatin1Char('x'));
            const QString pooled
                = round % 2 ? pool.intern(text) : pool.intern(text.constData(), text.size());
            QCOMPARE(pooled, text);
            if (round == 0)
                first[i] = pooled;
            else if (pooled.constData() != first.at(i).constData())
                QFAIL(qPrintable(QStringLiteral("'%1' is not shared").arg(text)));
        }
    }
    QCOMPARE(pool.size(), distinct);
    QVERIFY(!pool.isRetired());
    QVERIFY(pool.intern(QString()).isEmpty());
    QCOMPARE(pool.size(), distinct);
}

void TestValuePool::retiresOnlyMostlyDistinctColumns_data()
{
    QTest::addColumn<int>("distinctPerHundred");
    QTest::addColumn<int>("drawnFrom"); // > 0: values drawn evenly from this many
    QTest::addColumn<bool>("retired");

    addRow("identifiers", 100, 0, true);
    addRow("nearly unique", 95, 0, true);
    addRow("mostly new for ever", 60, 0, true);
    addRow("repeating notes", 40, 0, false);
    addRow("categories", 1, 0, false);
    // Mostly new at first, repeating more and more as the column grows
    // (amounts with two decimals).
    addRow("amounts", 0, 100000, false);
}

void TestValuePool::retiresOnlyMostlyDistinctColumns()
{
    QFETCH(int, distinctPerHundred);
    QFETCH(int, drawnFrom);

    ValuePool pool;
    std::mt19937 random(7);
    const int total = 8 * ValuePool::RetireCheckValues + 1000;
    for (int i = 0; i < total; ++i) {
        // Of every hundred values, the first distinctPerHundred are new.
        const int inBlock = i % 100;
        int key = inBlock < distinctPerHundred ? i : (i / 100) * 100;
        if (drawnFrom > 0)
            key = int(random() % uint(drawnFrom));
        const QString text = QString::number(key);
        const QString pooled = pool.intern(text.constData(), text.size());
        if (pooled != text)
            QFAIL(qPrintable(QStringLiteral("value %1 came back as %2").arg(text, pooled)));
    }
    QTEST(pool.isRetired(), "retired");
}

// A read that hands its rows over caps its pools: past the cap a pool
// retires, whether its values were looked up or taken from another pool.
void TestValuePool::capRetiresLargePools_data()
{
    QTest::addColumn<int>("distinct");
    QTest::addColumn<int>("cap");
    QTest::addColumn<bool>("absorbed");
    QTest::addColumn<bool>("retired");

    addRow("under the cap", 1000, 1024, false, false);
    addRow("over the cap", 1100, 1024, false, true);
    addRow("taken in under the cap", 1000, 1024, true, false);
    addRow("taken in over the cap", 1100, 1024, true, true);
    addRow("no cap", 5000, 0, false, false);
}

void TestValuePool::capRetiresLargePools()
{
    QFETCH(int, distinct);
    QFETCH(int, cap);
    QFETCH(bool, absorbed);

    ValuePool pool;
    pool.setMaxValues(cap);
    ValuePool other;
    ValuePool& filled = absorbed ? other : pool;
    // Every value twice, so that the pool's own judgement keeps it.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < distinct; ++i) {
            const QString text = QStringLiteral("v%1").arg(i);
            QCOMPARE(filled.intern(text.constData(), text.size()), text);
        }
    }
    if (absorbed)
        pool.absorb(other);
    QTEST(pool.isRetired(), "retired");
}

void TestValuePool::findsValuesReadAsBytes()
{
    // Every length up to a few steps of the hash, each value pooled once as
    // characters and found again from its bytes, and the other way round.
    ValuePool pool;
    for (int length = 1; length <= 40; ++length) {
        QByteArray bytes;
        for (int i = 0; i < length; ++i)
            bytes.append(char('!' + (i * 7 + length) % 90));
        const QString text = QString::fromLatin1(bytes);
        QCOMPARE(hashLatin1(bytes.constData(), length), hashCharacters(text.constData(), length));
        const bool bytesFirst = length % 2;
        const QString first = bytesFirst
            ? pool.intern(bytes.constData(), length, hashLatin1(bytes.constData(), length))
            : pool.intern(text.constData(), length);
        QCOMPARE(first, text);
        // A value that differs in its last byte only is a value of its own.
        QByteArray other = bytes;
        other[length - 1] = '~';
        QCOMPARE(pool.intern(other.constData(), length, hashLatin1(other.constData(), length)),
            QString::fromLatin1(other));
        const QString again = bytesFirst
            ? pool.intern(text.constData(), length)
            : pool.intern(bytes.constData(), length, hashLatin1(bytes.constData(), length));
        QVERIFY(again.constData() == first.constData());
    }
    QCOMPARE(pool.size(), 80);
}

void TestValuePool::textsOfARunActAsOrdinaryTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("asBytes");

    addRow("bytes", QStringLiteral("Oslo"), true);
    addRow("characters", QStringLiteral("Zo\u00eb \u6771\u4eac \U0001F600"), false);
    // Longer than the largest block: a block of its own.
    addRow("very long", QString(700 * 1024, QLatin1Char('y')), true);
}

void TestValuePool::textsOfARunActAsOrdinaryTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, asBytes);

    RunTexts texts;
    ValuePool pool;
    pool.keepTextsIn(texts.newArena());
    const QByteArray bytes = text.toLatin1();
    const auto intern = [&](const QString& value) {
        const QByteArray b = value.toLatin1();
        return asBytes ? pool.intern(b.constData(), b.size(), hashLatin1(b.constData(), b.size()))
                       : pool.intern(value.constData(), value.size());
    };
    // Enough other values between the two that the arena takes new blocks.
    const QString first = intern(text);
    QVector<QString> others;
    for (int i = 0; i < 5000; ++i)
        others.append(intern(QStringLiteral("other value %1").arg(i)));
    const QString again = intern(text);
    QCOMPARE(first, text);
    QVERIFY(again.constData() == first.constData());
    QCOMPARE(first.constData()[first.size()], QChar());
    for (int i = 0; i < others.size(); ++i)
        QCOMPARE(others.at(i), QStringLiteral("other value %1").arg(i));

    // A change to a copy leaves the pooled text as it was.
    QString changed = again;
    changed.append(QLatin1Char('!'));
    changed[0] = QLatin1Char('#');
    QCOMPARE(first, text);
    QCOMPARE(changed.size(), text.size() + 1);
    QCOMPARE(intern(text), text);
}

// Short runs are compared in overlapping words: a difference at any place
// of any length is seen, and so is sameness.
void TestValuePool::sameBytesAtEveryLength()
{
    const QByteArray text = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJ";
    for (int count = 0; count <= 40; ++count) {
        QByteArray other = text;
        QVERIFY2(sameBytes(text.constData(), other.constData(), count),
            qPrintable(QString::number(count)));
        for (int at = 0; at < count; ++at) {
            other = text;
            other[at] = '#';
            QVERIFY2(!sameBytes(text.constData(), other.constData(), count),
                qPrintable(QStringLiteral("%1 at %2").arg(count).arg(at)));
        }
    }
}

// Values of one hash, short (kept beside the slot as bytes) or long, are
// told apart by their characters alone, whether looked up from bytes or
// from characters: a value that differs at any one place, a shorter one, and
// one with a character beyond Latin-1 whose low byte is the same; and so
// are they in a pool that took them in from another.
void TestValuePool::tellsApartValuesOfOneHash()
{
    constexpr uint OneHash = 7;
    for (int length = 1; length <= 40; ++length) {
        QByteArray bytes;
        for (int i = 0; i < length; ++i)
            bytes.append(char('A' + (i * 5 + length) % 26));
        const QString text = QString::fromLatin1(bytes);
        QString wide = text;
        wide[length - 1] = QChar(0x4e00 | uchar(bytes[length - 1]));
        for (const bool wideFirst : { false, true }) {
            const QString tag = QStringLiteral("length %1%2")
                                    .arg(length)
                                    .arg(wideFirst ? QStringLiteral(", wide first") : QString());
            ValuePool pool;
            if (wideFirst)
                QCOMPARE(pool.intern(wide.constData(), length, OneHash), wide);
            const QString first = pool.intern(bytes.constData(), length, OneHash);
            QVERIFY2(first == text, qPrintable(tag));
            if (!wideFirst)
                QVERIFY2(pool.intern(wide.constData(), length, OneHash) == wide, qPrintable(tag));
            for (int at = 0; at < length; ++at) {
                QByteArray other = bytes;
                other[at] = '~';
                QVERIFY2(pool.intern(other.constData(), length, OneHash) == QLatin1String(other),
                    qPrintable(tag));
                const QString otherText = QString::fromLatin1(other);
                QVERIFY2(pool.intern(otherText.constData(), length, OneHash) == otherText,
                    qPrintable(tag));
            }
            if (length > 1)
                QVERIFY2(
                    pool.intern(bytes.constData(), length - 1, OneHash) == text.left(length - 1),
                    qPrintable(tag));
            QVERIFY(
                pool.intern(bytes.constData(), length, OneHash).constData() == first.constData());
            QVERIFY(
                pool.intern(text.constData(), length, OneHash).constData() == first.constData());
            QCOMPARE(pool.size(), length + (length > 1 ? 3 : 2));
            // Another pool that takes these values in finds them the same way.
            ValuePool absorbed;
            absorbed.absorb(pool);
            QVERIFY2(absorbed.intern(bytes.constData(), length, OneHash).constData()
                    == first.constData(),
                qPrintable(tag));
            QCOMPARE(absorbed.size(), pool.size());
        }
    }
}

QTEST_GUILESS_MAIN(TestValuePool)
#include "tst_valuepool.moc"
