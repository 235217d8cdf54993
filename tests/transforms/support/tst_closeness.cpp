#include "transforms/support/closeness.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <vector>

namespace {

// The textbook full-matrix distance, to check the bounded forms against.
int fullDistance(const QString& a, const QString& b)
{
    std::vector<int> prev(b.size() + 1);
    std::vector<int> cur(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        prev[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (int j = 1; j <= b.size(); ++j)
            cur[j] = std::min(
                { prev[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1), prev[j] + 1, cur[j - 1] + 1 });
        std::swap(prev, cur);
    }
    return prev[b.size()];
}

// Closeness worked out from full distances, without any budget.
int referenceCloseness(const QStringList& a, const QStringList& b, int least)
{
    if (a.size() != b.size())
        return 0;
    int total = 0;
    int distance = 0;
    for (int i = 0; i < a.size(); ++i) {
        total += std::max(a[i].size(), b[i].size());
        distance += fullDistance(a[i], b[i]);
    }
    if (total == 0)
        return 100;
    const int c = 100 - (100 * distance + total - 1) / total;
    return c >= least ? c : NoCloseness;
}

QString randomText(QRandomGenerator& rng, int maxLength, const QString& alphabet)
{
    QString s;
    const int n = rng.bounded(maxLength + 1);
    for (int i = 0; i < n; ++i)
        s += alphabet.at(rng.bounded(alphabet.size()));
    return s;
}

} // namespace

class TestCloseness : public QObject
{
    Q_OBJECT

private slots:
    void distance_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("expected");
        auto row = [](const char* name, const QString& a, const QString& b, int limit,
                       int expected) { QTest::newRow(name) << a << b << limit << expected; };
        // The random comparisons below cover lengths, limits and alphabets;
        // here a known answer and the cases they cannot reach.
        row("kitten sitting", "kitten", "sitting", 10, 3);
        row("zero limit", "abc", "xyz", 0, 0);
        row("surrogate pair is two units", QString::fromUtf8("a😀b"), QString("ab"), 5, 2);
    }

    void distance()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, limit);
        QFETCH(int, expected);
        QCOMPARE(boundedEditDistance(a, b, limit), expected);
        QCOMPARE(boundedEditDistance(b, a, limit), expected);
    }

    // Random pairs over a small alphabet (so that distances are small and every
    // limit matters), short and long, ASCII and not.
    void distanceMatchesFullMatrix()
    {
        QRandomGenerator rng(12345);
        const QString alphabets[]
            = { QStringLiteral("ab"), QStringLiteral("abcé"), QStringLiteral("abcdefghij") };
        for (int round = 0; round < 3000; ++round) {
            const QString& alphabet = alphabets[round % 3];
            const int maxLength = round % 5 == 0 ? 150 : 20;
            const QString a = randomText(rng, maxLength, alphabet);
            const QString b = randomText(rng, maxLength, alphabet);
            const int full = fullDistance(a, b);
            const int limit = rng.bounded(full + 3) + 1;
            QCOMPARE(boundedEditDistance(a, b, limit), std::min(full, limit));
        }
    }

    void keyCloseness_data()
    {
        QTest::addColumn<QStringList>("a");
        QTest::addColumn<QStringList>("b");
        QTest::addColumn<int>("least");
        QTest::addColumn<int>("expected");
        auto row = [](const char* name, const QStringList& a, const QStringList& b, int least,
                       int expected) { QTest::newRow(name) << a << b << least << expected; };
        row("Smith Smyth at 80", { "Smith" }, { "Smyth" }, 80, 80);
        row("Smith Smyth at 81", { "Smith" }, { "Smyth" }, 81, NoCloseness);
        row("no values", {}, {}, 100, 100);
        row("different value counts", { "a" }, { "a", "b" }, 0, 0);
        row("least below 0 clamps", { "abc" }, { "xyz" }, -5, 0);
    }

    void keyCloseness()
    {
        QFETCH(QStringList, a);
        QFETCH(QStringList, b);
        QFETCH(int, least);
        QFETCH(int, expected);
        QCOMPARE(closeness(a, b, least), expected);
        QCOMPARE(closeness(b, a, least), expected);
        const FuzzyKey ka(a);
        const FuzzyKey kb(b);
        QCOMPARE(ClosenessMatcher(ka).closeness(kb, least), expected);
        QCOMPARE(ClosenessMatcher(kb).closeness(ka, least), expected);
    }

    // The filters and the bit-parallel distance must never change a result.
    void matcherAgreesWithReference()
    {
        QRandomGenerator rng(777);
        const QString alphabet = QStringLiteral("abcdeéz ");
        for (int round = 0; round < 4000; ++round) {
            const int values = 1 + round % 3;
            QStringList a;
            QStringList b;
            for (int v = 0; v < values; ++v) {
                const int maxLength = round % 7 == 0 ? 90 : 12;
                a << randomText(rng, maxLength, alphabet);
                // Often a near copy, so that many pairs lie around the threshold.
                QString near = a.last();
                for (int e = rng.bounded(3); e > 0 && !near.isEmpty(); --e)
                    near[rng.bounded(near.size())] = alphabet.at(rng.bounded(alphabet.size()));
                b << (rng.bounded(4) == 0 ? randomText(rng, maxLength, alphabet) : near);
            }
            const int least = rng.bounded(101);
            const int expected = referenceCloseness(a, b, least);
            QCOMPARE(closeness(a, b, least), expected);
            QCOMPARE(ClosenessMatcher(FuzzyKey(a)).closeness(FuzzyKey(b), least), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestCloseness)
#include "tst_closeness.moc"
