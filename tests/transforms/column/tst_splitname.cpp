// Split Name: the name forms it reads. The columns it adds are a golden case
// (tests/data/transforms/column/Split_Name).
#include "tests/transforms/format/textharness.h"

#include "transforms/column/transformsplitname.h"

class TestSplitName : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // title|first|middle|last|suffix, or "unreadable"
        auto row = [](const char* name, const QString& text, const QString& expected) {
            QTest::newRow(name) << text << expected;
        };
        row("first last", "John Smith", "|John||Smith|");
        row("middle names", "John Paul Jones Smith", "|John|Paul Jones|Smith|");
        row("title and suffix", "Dr. John A. Smith Jr.", "Dr.|John|A.|Smith|Jr.");
        row("two titles, two suffixes", "Prof Dr Ann Lee III PhD", "Prof Dr|Ann||Lee|III PhD");
        row("last, first middle", "Smith, John Adam", "|John|Adam|Smith|");
        row("last, title first", "Smith, Mrs Jane", "Mrs|Jane||Smith|");
        row("comma before suffix", "John Smith, Jr.", "|John||Smith|Jr.");
        row("last with suffix, first", "Smith Jr, John", "|John||Smith|Jr");
        row("particle", "Ludwig van Beethoven", "|Ludwig||van Beethoven|");
        row("particles after a middle name", "Maria Luisa de la Cruz", "|Maria|Luisa|de la Cruz|");
        row("particle in comma form", "van der Berg, Jan", "|Jan||van der Berg|");
        row("O' and Mc stay whole", "Sean O'Brien McCarthy", "|Sean|O'Brien|McCarthy|");
        row("O' and Mc written apart", "Sean O' Brien", "|Sean||O' Brien|");
        row("one word", "Cher", "|Cher|||");
        row("title and one word", "Mr Bean", "Mr|||Bean|");
        row("extra spaces", "  Ann   Lee ", "|Ann||Lee|");
        row("empty", "", "||||");
        row("digits", "Agent 007", "unreadable");
        row("e-mail", "ann@example.com", "unreadable");
        row("too many commas", "a, b, c, d", "unreadable");
    }

    void parse()
    {
        QFETCH(QString, text);
        const TransformSplitName::Name name = TransformSplitName::parse(text);
        QStringList parts;
        for (const QString& p : name.parts)
            parts << p;
        QTEST(name.readable ? parts.join(QLatin1Char('|')) : QStringLiteral("unreadable"),
            "expected");
    }
};

QTEST_MAIN(TestSplitName)
#include "tst_splitname.moc"
