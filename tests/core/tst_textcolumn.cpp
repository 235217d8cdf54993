#include "core/codeindex.h"
#include "core/codevector.h"
#include "core/dataset.h"
#include "core/localgather.h"
#include "core/textcolumn.h"

#include <QtTest>

#include <numeric>
#include <random>

namespace {

// Texts that only equal each other, never share storage.
QString fresh(const QString& text)
{
    return QString(text.constData(), text.size());
}

QStringList valuesOf(const TextColumn& column)
{
    QStringList values;
    for (int r = 0; r < column.size(); ++r)
        values.append(column.value(r));
    return values;
}

// A column of the values, made to keep plain texts (no pooling) or codes.
TextColumn columnOf(const QStringList& values, bool pooling)
{
    TextColumn column(pooling);
    for (const QString& v : values)
        column.append(fresh(v));
    return column;
}

} // namespace

class TestTextColumn : public QObject
{
    Q_OBJECT

private slots:
    void kinds_data()
    {
        QTest::addColumn<bool>("pooling");
        QTest::newRow("codes") << true;
        QTest::newRow("plain texts") << false;
    }

    // Every edit on both kinds of column, with texts of one and of two bytes
    // per character and empty ones.
    void editsKeepEveryValue_data() { kinds_data(); }
    void editsKeepEveryValue()
    {
        QFETCH(bool, pooling);
        const QString wide = QStringLiteral("Ελλάδα €");
        TextColumn column = columnOf({ "abc", "", wide, QStringLiteral("café"), "abc" }, pooling);
        QCOMPARE(column.isCoded(), pooling);
        QCOMPARE(valuesOf(column), (QStringList { "abc", "", wide, "café", "abc" }));
        QVERIFY(column.isEmpty(1));
        QVERIFY(!column.isEmpty(0));
        QCOMPARE(column.length(2), wide.size());

        column.set(1, QStringLiteral("filled"));
        column.set(0, QString());
        column.insert(0, QStringLiteral("first"));
        column.insert(column.size(), wide);
        column.remove(2);
        QCOMPARE(valuesOf(column), (QStringList { "first", "", wide, "café", "abc", wide }));
        QVERIFY(column.isEmpty(1));

        column.resize(3);
        column.appendEmpty(2);
        QCOMPARE(valuesOf(column), (QStringList { "first", "", wide, "", "" }));
        QString scratch;
        QCOMPARE(column.text(2, scratch), wide);
        QCOMPARE(column.text(0, scratch), QStringLiteral("first"));
    }

    // A column that repeats keeps each text once; one whose values are mostly
    // new stops looking them up and keeps plain texts, with every value.
    void codesGiveWayToPlainTexts()
    {
        TextColumn repeating;
        TextColumn unique;
        for (int i = 0; i < 30000; ++i) {
            repeating.append(fresh(QString::number(i % 7)));
            unique.append(QString::number(i));
        }
        QVERIFY(repeating.isCoded());
        QCOMPARE(repeating.codeCount(), 8); // the empty text and seven values
        QVERIFY(repeating.value(3).isSharedWith(repeating.value(10)));
        QCOMPARE(repeating.code(3), repeating.code(10));
        QVERIFY(repeating.storedText(3));
        QVERIFY(!unique.isCoded());
        QVERIFY(!unique.storedText(3));
        for (int i : { 0, 1, 19999, 20000, 29999 })
            QCOMPARE(unique.value(i), QString::number(i));
    }

    // Codes take one byte until a code needs two, and two until one needs
    // four; every code and every edit survives the widening.
    void codesWiden_data()
    {
        QTest::addColumn<quint32>("middle");
        QTest::addColumn<quint32>("largest");
        QTest::addColumn<int>("width");
        QTest::newRow("one byte") << quint32(0) << quint32(255) << 1;
        QTest::newRow("two bytes") << quint32(0) << quint32(256) << 2;
        QTest::newRow("two bytes, largest") << quint32(0) << quint32(65535) << 2;
        QTest::newRow("four bytes") << quint32(0) << quint32(65536) << 4;
        QTest::newRow("two, then four bytes") << quint32(1000) << quint32(0xFFFFFFFF) << 4;
    }
    void codesWiden()
    {
        QFETCH(quint32, middle);
        QFETCH(quint32, largest);
        QFETCH(int, width);
        CodeVector codes;
        std::vector<quint32> expected;
        for (quint32 c = 0; c < 300; ++c) {
            const quint32 code = c % 200;
            codes.push_back(code);
            expected.push_back(code);
        }
        QCOMPARE(codes.width(), 1);
        if (middle > 0) {
            codes.push_back(middle);
            expected.push_back(middle);
            QCOMPARE(codes.width(), 2);
        }
        codes.set(17, largest);
        expected[17] = largest;
        codes.push_back(largest);
        expected.push_back(largest);
        codes.resize(codes.size() + 2);
        expected.resize(expected.size() + 2, 0);
        codes.moveLastTo(3);
        std::rotate(expected.begin() + 3, expected.end() - 1, expected.end());
        codes.erase(5);
        expected.erase(expected.begin() + 5);
        QCOMPARE(codes.width(), width);
        QCOMPARE(codes.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            QCOMPARE(codes[i], expected[i]);
    }

    // Places take four bytes until a block or an offset needs more; every
    // place and every edit survives the widening.
    void placesWiden_data()
    {
        QTest::addColumn<quint64>("far");
        QTest::newRow("last narrow block") << ((quint64(4095) << 40) | 0xFFFFF);
        QTest::newRow("block 4,096") << (quint64(4096) << 40);
        QTest::newRow("offset past 1 MB") << ((quint64(1) << 40) | 0x100000);
    }
    void placesWiden()
    {
        QFETCH(quint64, far);
        PlaceVector places;
        std::vector<quint64> expected;
        for (quint64 block = 1; block <= 300; ++block) {
            const quint64 place = (block << 40) | (block * 997 % 0x100000);
            places.push_back(place);
            expected.push_back(place);
        }
        QCOMPARE(places.width(), 4);
        places.push_back(far);
        expected.push_back(far);
        places.set(3, far);
        expected[3] = far;
        places.moveLastTo(1);
        std::rotate(expected.begin() + 1, expected.end() - 1, expected.end());
        places.erase(7);
        expected.erase(expected.begin() + 7);
        places.resize(places.size() + 1);
        expected.push_back(0);
        QCOMPARE(places.width(), (far >> 40) < 4096 && (far & 0xFFFFFFFFFF) < 0x100000 ? 4 : 8);
        QCOMPARE(places.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            QCOMPARE(places[i], expected[i]);
    }

    // A column whose texts lie in more than 4,095 blocks (a block shared with
    // a copy is never written to, so each text here starts a block) reads
    // back every text.
    void manyBlocks()
    {
        TextColumn column(false);
        for (int i = 0; i < 4200; ++i) {
            const TextColumn copy = column;
            column.append(QStringLiteral("text %1").arg(i));
        }
        QVERIFY(!column.isCoded());
        for (int i : { 0, 4094, 4095, 4096, 4199 })
            QCOMPARE(column.value(i), QStringLiteral("text %1").arg(i));
        column.set(4, QStringLiteral("changed"));
        QCOMPARE(column.value(4), QStringLiteral("changed"));
        QCOMPARE(column.value(4199), QStringLiteral("text 4199"));
    }

    // A column of a few hundred values keeps a byte or two a row, and reads
    // back every value.
    void fewValuesTakeFewBytes()
    {
        TextColumn column;
        const int rows = 40000;
        for (int r = 0; r < rows; ++r)
            column.append(fresh(QString::number(r % 300)));
        QVERIFY(column.isCoded());
        for (int r : { 0, 299, 300, rows - 1 })
            QCOMPARE(column.value(r), QString::number(r % 300));
        const TextColumn copy = column.gathered(std::vector<int> { rows - 1, 0, -1 }.data(), 3);
        QCOMPARE(valuesOf(copy), (QStringList { QString::number((rows - 1) % 300), "0", "" }));
        // Two bytes a row and the 301 texts, where four bytes a row were kept.
        column.squeeze();
        QVERIFY2(
            column.bytesUsed() < qint64(rows) * 3, qPrintable(QString::number(column.bytesUsed())));
    }

    // Texts of a pool are known by their storage; a copy of the column does
    // not share that knowledge with the original.
    void pooledTextsAreKnownByStorage()
    {
        TextColumn column;
        const QString shared = fresh("x");
        const QString y = fresh("y");
        column.appendPooled(shared);
        column.appendPooled(shared);
        column.appendPooled(fresh("x"));
        column.appendPooled(QString());
        QCOMPARE(valuesOf(column), (QStringList { "x", "x", "x", "" }));
        QCOMPARE(column.code(0), column.code(1));
        TextColumn copy = column;
        column.appendPooled(y);
        copy.appendPooled(y);
        copy.appendPooled(shared);
        QCOMPARE(column.value(4), QStringLiteral("y"));
        QCOMPARE(valuesOf(copy), (QStringList { "x", "x", "x", "", "y", "x" }));
        // Added by its characters, a text finds one of its codes.
        column.append(fresh("x"));
        QCOMPARE(column.value(5), QStringLiteral("x"));
        QVERIFY(column.code(5) == column.code(0) || column.code(5) == column.code(2));
    }

    // A reader's values: characters from its buffer (one or two bytes per
    // character), and a pooled value's repeats by the code appendPooled()
    // gave, until the column gives way to plain texts.
    void readerAppends_data() { kinds_data(); }
    void readerAppends()
    {
        QFETCH(bool, pooling);
        TextColumn column(pooling);
        const QString wide = QStringLiteral("caf\u00e9 \u6771");
        const QByteArray latin1("na\xefve");
        column.append(wide.constData(), wide.size());
        column.appendLatin1(latin1.constData(), latin1.size());
        column.appendLatin1("", 0);
        const QString pooled = fresh("rep");
        const quint32 code = column.appendPooled(pooled);
        QCOMPARE(code != 0, pooling);
        if (code != 0)
            QVERIFY(column.appendCode(code));
        else
            QVERIFY(!column.appendCode(1));
        const QStringList expected { wide, QString::fromLatin1(latin1), QString(), "rep" };
        QCOMPARE(valuesOf(column).mid(0, 4), expected);
        QCOMPARE(column.size(), pooling ? 5 : 4);
        if (pooling)
            QCOMPARE(column.value(4), QStringLiteral("rep"));
        // Past the trial, mostly new values make the column plain: the code
        // given before is refused from then on, and every value stays.
        if (!pooling)
            return;
        for (int i = 0; i < 30000; ++i)
            column.appendPooled(fresh(QString::number(i)));
        QVERIFY(!column.isCoded());
        QVERIFY(!column.appendCode(code));
        QCOMPARE(column.appendPooled(pooled), quint32(0));
        column.appendLatin1("end", 3);
        QCOMPARE(column.value(4), QStringLiteral("rep"));
        QCOMPARE(column.value(5 + 29999), QStringLiteral("29999"));
        QCOMPARE(column.value(column.size() - 2), QStringLiteral("rep"));
        QCOMPARE(column.value(column.size() - 1), QStringLiteral("end"));
    }

    // A selection shares a repeating column's texts, and copies a plain
    // column's kept texts when few are kept; a negative row is empty.
    void gatheringRows_data() { kinds_data(); }
    void gatheringRows()
    {
        QFETCH(bool, pooling);
        QStringList values;
        for (int i = 0; i < 100; ++i)
            values.append(QStringLiteral("v%1").arg(i % 10));
        const TextColumn column = columnOf(values, pooling);
        const int few[] = { 99, -1, 3, 3 };
        const TextColumn picked = column.gathered(few, 4);
        QCOMPARE(valuesOf(picked), (QStringList { "v9", "", "v3", "v3" }));
        QVector<int> all(100);
        std::iota(all.rbegin(), all.rend(), 0);
        const TextColumn reversed = column.gathered(all.constData(), all.size());
        QCOMPARE(reversed.value(0), QStringLiteral("v9"));
        QCOMPARE(reversed.value(99), QStringLiteral("v0"));
        QVERIFY(reversed.sameValues(columnOf(QStringList(values.crbegin(), values.crend()), true)));
        // The source is unchanged by what is done to a selection.
        TextColumn changed = reversed;
        changed.set(0, QStringLiteral("new"));
        QCOMPARE(reversed.value(0), QStringLiteral("v9"));
        QCOMPARE(column.value(99), QStringLiteral("v9"));
    }

    // A selection keeps its source's width of codes: a coded column of
    // two-byte codes takes new values after it. A text longer than a block
    // is gathered with the short ones around it.
    void gatheredKeepsWidths()
    {
        TextColumn coded;
        for (int r = 0; r < 600; ++r)
            coded.append(fresh(QString::number(r % 300)));
        QVector<int> reversed(600);
        std::iota(reversed.rbegin(), reversed.rend(), 0);
        TextColumn picked = coded.gathered(reversed.constData(), reversed.size());
        picked.append(fresh("new"));
        QCOMPARE(picked.value(0), QStringLiteral("299"));
        QCOMPARE(picked.value(599), QStringLiteral("0"));
        QCOMPARE(picked.value(600), QStringLiteral("new"));

        const QString longText(1 << 21, QLatin1Char('x'));
        const TextColumn plain = columnOf({ "a", longText, "b", "c" }, false);
        const int rows[] = { 3, 2, 1, 0, -1 };
        QCOMPARE(valuesOf(plain.gathered(rows, 5)), (QStringList { "c", "b", longText, "a", "" }));
    }

    // The index finds every code by its text, through every growth of its
    // table, and nothing for a text it does not hold; rebuilt from the
    // dictionary it finds the same.
    void indexFindsEveryCode_data()
    {
        QTest::addColumn<int>("distinct");
        QTest::newRow("one") << 1;
        QTest::newRow("before the first growth") << 7;
        QTest::newRow("at the first growth") << 8;
        QTest::newRow("many growths") << 70000;
    }
    void indexFindsEveryCode()
    {
        QFETCH(int, distinct);
        QVector<QString> dictionary { QString() };
        CodeIndex index;
        QCOMPARE(index.find(QStringLiteral("v0"), dictionary), 0u);
        for (int i = 0; i < distinct; ++i) {
            // Texts that differ only in their last characters or in length.
            dictionary.append(QStringLiteral("v%1").arg(i));
            index.insert(quint32(dictionary.size() - 1), dictionary);
        }
        CodeIndex rebuilt;
        rebuilt.rebuild(dictionary);
        for (const CodeIndex* one : { &index, &rebuilt }) {
            for (int code = 1; code < dictionary.size(); ++code) {
                if (one->find(fresh(dictionary.at(code)), dictionary) != quint32(code))
                    QFAIL(qPrintable(QStringLiteral("'%1' not found").arg(dictionary.at(code))));
            }
            QCOMPARE(one->find(QStringLiteral("v%1").arg(distinct), dictionary), 0u);
            QCOMPARE(one->find(QStringLiteral("v"), dictionary), 0u);
        }
        index.clear();
        QCOMPARE(index.find(dictionary.last(), dictionary), 0u);
    }

    // A copy of rows of a coded column finds the codes of the values it
    // shares when it is added to, rather than adding them again; so does a
    // column whose index went with its pooled values.
    void addedValuesFindTheirCodes()
    {
        TextColumn column;
        for (int r = 0; r < 3000; ++r)
            column.append(fresh(QString::number(r % 1000)));
        const int rows[] = { 5, 999, 0 };
        TextColumn picked = column.gathered(rows, 3);
        const int before = picked.codeCount();
        picked.append(fresh("999"));
        picked.append(fresh("42"));
        picked.set(0, fresh("0"));
        QCOMPARE(picked.codeCount(), before);
        QCOMPARE(picked.code(3), column.code(999));
        QCOMPARE(picked.code(4), column.code(42));
        QCOMPARE(picked.code(0), column.code(0));
        QCOMPARE(valuesOf(picked), (QStringList { "0", "999", "0", "999", "42" }));

        TextColumn pooled;
        const QString shared = QStringLiteral("shared");
        pooled.appendPooled(shared);
        pooled.append(fresh("other"));
        pooled.appendPooled(QStringLiteral("late"));
        pooled.append(fresh("shared"));
        pooled.append(fresh("late"));
        QCOMPARE(pooled.codeCount(), 4);
        QCOMPARE(valuesOf(pooled), (QStringList { "shared", "other", "late", "shared", "late" }));
    }

    // Joining a column of the other kind, and a part of the column itself.
    void appendingAnotherColumn_data() { kinds_data(); }
    void appendingAnotherColumn()
    {
        QFETCH(bool, pooling);
        const TextColumn from = columnOf({ "x", "", QStringLiteral("ÿ€") }, !pooling);
        TextColumn to = columnOf({ "a" }, pooling);
        to.appendColumn(from);
        QCOMPARE(valuesOf(to), (QStringList { "a", "x", "", QStringLiteral("ÿ€") }));
        TextColumn same = to;
        const int first = 0;
        same.appendColumn(to.gathered(&first, 1));
        QCOMPARE(same.value(4), QStringLiteral("a"));
        QCOMPARE(to.size(), 4);
    }

    // Joining the chunks of a read: a coded column takes the other's codes
    // through its own dictionary, whether the two share theirs, list the
    // same values in another order, or together need wider codes; a plain
    // column takes the other's texts where they lie, in blocks after its
    // own.
    void joiningColumns_data()
    {
        QTest::addColumn<bool>("pooling");
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        const auto repeated = [](int distinct, int from, int rows) {
            QStringList values;
            for (int r = 0; r < rows; ++r)
                values << (r % 7 == 3 ? QString() : QStringLiteral("v%1").arg(from + r % distinct));
            return values;
        };
        QTest::newRow("same values") << true << repeated(3, 0, 40) << repeated(3, 0, 30);
        QTest::newRow("another order") << true << repeated(3, 0, 40) << repeated(4, -1, 30);
        QTest::newRow("wider together") << true << repeated(200, 0, 800) << repeated(200, 150, 800);
        QTest::newRow("second wider") << true << repeated(5, 0, 40) << repeated(300, 0, 1200);
        QTest::newRow("plain") << false << repeated(900, 0, 900) << repeated(700, 5000, 700);
        QStringList large;
        for (int r = 0; r < 40; ++r)
            large << QString(40000 + r, QLatin1Char('a' + r % 26));
        QTest::newRow("plain, blocks each") << false << large << repeated(50, 0, 60);
    }
    void joiningColumns()
    {
        QFETCH(bool, pooling);
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        TextColumn to = columnOf(first, pooling);
        const TextColumn from = columnOf(second, pooling);
        QCOMPARE(to.isCoded() && from.isCoded(), pooling);
        to.appendColumn(from);
        QCOMPARE(to.isCoded(), pooling);
        QCOMPARE(valuesOf(to), first + second);
        // Equal texts keep equal codes across the join.
        const QStringList all = first + second;
        for (int r = 0; pooling && r < to.size(); ++r)
            QCOMPARE(to.code(r), to.code(all.indexOf(all.at(r))));
    }

    // Changing one cell after another leaves old texts behind; the column
    // copies its live texts away once they are most of its memory.
    void changedCellsDoNotGrowWithoutEnd()
    {
        TextColumn column(false);
        const QString long1 = QString(1000, QLatin1Char('a'));
        const QString long2 = QString(1000, QLatin1Char('b'));
        for (int i = 0; i < 1000; ++i)
            column.append(long1);
        const qint64 before = column.bytesUsed();
        for (int round = 0; round < 10; ++round) {
            for (int i = 0; i < 1000; ++i)
                column.set(i, round % 2 ? long1 : long2);
        }
        QVERIFY2(column.bytesUsed() < 4 * before, qPrintable(QString::number(column.bytesUsed())));
        QCOMPARE(column.value(999), long1);
    }

    // A text longer than any block gets a block of its own.
    void aVeryLongText()
    {
        TextColumn column(false);
        const QString big(3 << 20, QLatin1Char('z'));
        column.append(QStringLiteral("before"));
        column.append(big);
        column.append(QStringLiteral("after"));
        QCOMPARE(column.value(1), big);
        QCOMPARE(column.value(2), QStringLiteral("after"));
    }

    // Copies share storage until one changes; each column of a table is
    // copied on its own.
    void copiesShareUntilChanged_data() { kinds_data(); }
    void copiesShareUntilChanged()
    {
        QFETCH(bool, pooling);
        const TextColumn column = columnOf({ "a", "b" }, pooling);
        TextColumn copy = column;
        QVERIFY(copy.sharesStorageWith(column));
        copy.append(QStringLiteral("c"));
        QVERIFY(!copy.sharesStorageWith(column));
        QCOMPARE(column.size(), 2);
        QCOMPARE(valuesOf(copy), (QStringList { "a", "b", "c" }));
    }

    // The reader hands out stored texts for repeating columns and texts of
    // its own for the others.
    void rowReader()
    {
        Dataset d;
        d.setColumnCount(2);
        for (int i = 0; i < 30000; ++i)
            d.appendRow({ QStringLiteral("k%1").arg(i % 3), QString::number(i) });
        RowReader row(d);
        row.setRow(29999);
        QCOMPARE(row.size(), 2);
        QCOMPARE(row.at(0), QStringLiteral("k2"));
        QCOMPARE(row.at(1), QStringLiteral("29999"));
        quint32 code = 0;
        quint32 other = 0;
        QVERIFY(row.codeAt(0, &code));
        QVERIFY(!row.codeAt(1, &other));
        QCOMPARE(&row.at(0), d.storedText(29999, 0));
        row.setRow(1);
        QCOMPARE(row.at(1), QStringLiteral("1"));
        QVERIFY(row.codeAt(0, &other) && other != code);
        RowReader byCode(d, RowReader::ByCode);
        byCode.setRow(2);
        QVERIFY(byCode.codeAt(0, &other) && other == code);
        QCOMPARE(byCode.at(0), QStringLiteral("k2"));

        // Read by code with cells in bytes: a repeating column's text is
        // made only when asked for, and is the row's own after each move.
        d.setValue(7, 1, QStringLiteral("\u6771"));
        RowReader bytes(d, RowReader::ByCode | RowReader::NarrowBytes, 0, 100);
        std::string_view chars;
        for (const int r : { 29999, 4, 7, 8 }) {
            bytes.setRow(r);
            QCOMPARE(bytes.at(0), QStringLiteral("k%1").arg(r % 3));
            QVERIFY(!bytes.narrowAt(0, &chars));
            QCOMPARE(bytes.narrowAt(1, &chars), r != 7);
            QCOMPARE(bytes.at(1), r == 7 ? QStringLiteral("\u6771") : QString::number(r));
            if (r != 7)
                QCOMPARE(QString::fromLatin1(chars.data(), int(chars.size())), QString::number(r));
        }
    }

    // A large gather in a new order taken a stretch of the source at a time
    // gives every row its text, across the partitions of a chunk and from
    // one chunk to the next, with repeated rows and empty cells; plain texts
    // end up in blocks of their own in the new order. Long texts are copied
    // as they come.
    void gatheredAStretchAtATime_data()
    {
        QTest::addColumn<bool>("pooling");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("texts");
        QTest::newRow("reversed, three partitions") << false << 150000 << "reversed"
                                                    << "short";
        QTest::newRow("shuffled, two chunks") << false << 1100000 << "shuffled"
                                              << "short";
        QTest::newRow("repeats and empty cells") << false << 150000 << "repeats"
                                                 << "short";
        QTest::newRow("two bytes a character") << false << 150000 << "shuffled"
                                               << "wide";
        QTest::newRow("long texts") << false << 70000 << "repeats"
                                    << "long";
        QTest::newRow("codes") << true << 150000 << "repeats"
                               << "short";
    }
    void gatheredAStretchAtATime()
    {
        QFETCH(bool, pooling);
        QFETCH(int, rows);
        QFETCH(QString, order);
        QFETCH(QString, texts);
        QStringList values;
        values.reserve(rows);
        for (int r = 0; r < rows; ++r) {
            const QString n = QString::number(pooling ? r % 300 : r);
            values.append(r % 7 == 3                ? QString()
                    : texts == "wide" && r % 3 == 0 ? QStringLiteral("Ελ") + n
                    : texts == "long"               ? QString(90, QLatin1Char('x')) + n
                                                    : n);
        }
        TextColumn column(pooling);
        for (const QString& v : values)
            column.append(v);
        QCOMPARE(column.isCoded(), pooling);

        std::mt19937 random(7);
        QVector<int> picked(rows);
        std::iota(picked.begin(), picked.end(), 0);
        if (order == "reversed")
            std::reverse(picked.begin(), picked.end());
        else if (order == "shuffled")
            std::shuffle(picked.begin(), picked.end(), random);
        else
            for (int i = 0; i < rows; ++i)
                picked[i] = i % 11 == 5 ? -1 : int(random() % quint32(rows));
        QVERIFY(LocalGather::worthIt(picked.constData(), picked.size()));
        const LocalGather plan(picked.constData(), picked.size(), rows);
        TextColumn gathered = column.gathered(plan);
        QCOMPARE(gathered.size(), rows);
        QCOMPARE(gathered.isCoded(), pooling);
        for (int i = 0; i < rows; ++i) {
            const QString expected = picked.at(i) < 0 ? QString() : values.at(picked.at(i));
            if (gathered.value(i) != expected)
                QFAIL(qPrintable(QStringLiteral("row %1: '%2', not '%3'")
                                     .arg(i)
                                     .arg(gathered.value(i), expected)));
        }
        if (!pooling)
            QVERIFY(gathered.inReadOrder(0, rows));
        // The gathered column is a column like any other.
        gathered.append(QStringLiteral("after"));
        gathered.set(0, QStringLiteral("changed"));
        QCOMPARE(gathered.value(rows), QStringLiteral("after"));
        QCOMPARE(gathered.value(0), QStringLiteral("changed"));
        QCOMPARE(column.value(picked.at(0) < 0 ? 0 : picked.at(0)),
            values.at(picked.at(0) < 0 ? 0 : picked.at(0)));
    }

    // Texts read in from a file lie in row order; a column of rows in a new
    // order, and a coded one, do not.
    void readOrder()
    {
        TextColumn column(false);
        for (int i = 0; i < 5000; ++i)
            column.append(i % 7 == 0 ? QString() : QString::number(i));
        QVERIFY(column.inReadOrder(0, 5000));
        QVERIFY(column.inReadOrder(1000, 1100));
        QVector<int> reversed;
        for (int i = 4999; i >= 0; --i)
            reversed.append(i);
        const TextColumn backwards = column.gathered(reversed.constData(), reversed.size());
        QVERIFY(!backwards.inReadOrder(0, 5000));
        QVERIFY(!backwards.inReadOrder(10, 20));
        TextColumn coded;
        for (int i = 0; i < 5000; ++i)
            coded.append(QStringLiteral("k%1").arg(i % 3));
        QVERIFY(coded.isCoded());
        QVERIFY(!coded.inReadOrder(0, 5000));
    }
};

QTEST_MAIN(TestTextColumn)
#include "tst_textcolumn.moc"
