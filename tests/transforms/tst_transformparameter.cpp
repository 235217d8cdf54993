#include "tests/graph/testnodes.h"

#include <QStandardPaths>
#include <QTest>
#include <QUrl>

Q_DECLARE_METATYPE(ParameterType)

namespace {

// A processed item with columns a, b, c to bind column options to.
struct Upstream
{
    Upstream() : node(makeDataset({ "a", "b", "c" }, { { "1", "2", "3" } }))
    {
        node.process(false, false);
    }
    SourceNode node;
};

TransformParameter bound(ParameterType type, Node* source, const QVariant& choices = QVariant())
{
    TransformParameter p(type, QStringLiteral("Key"), QStringLiteral("label"), QVariant(), choices);
    p.setSourceItem(source);
    // Room for negative numbers, so that their sign makes the round trip.
    p.setIntRange(-1000, 1000);
    return p;
}

ColumnRef ref(const TransformParameter& p, int position)
{
    return p.referenceAt(position);
}

// Reads a stored value back the way a document reader does.
QString decoded(const QString& serialised)
{
    return QUrl::fromPercentEncoding(serialised.toUtf8());
}

// Compares the values of two parameters of the same type by their structures.
bool sameValue(const TransformParameter& x, const TransformParameter& y)
{
    switch (x.type()) {
    case ParameterType::SingleColumn:
        return x.columnRef() == y.columnRef();
    case ParameterType::MultipleColumns:
    case ParameterType::ReorderColumns:
    case ParameterType::OrderedColumns:
        return x.columnRefs() == y.columnRefs();
    case ParameterType::SortColumns:
        return x.sortColumns() == y.sortColumns();
    case ParameterType::FilterColumns:
        return x.filterList() == y.filterList();
    case ParameterType::If:
        return x.ifList() == y.ifList();
    case ParameterType::CheckedColumns:
        return x.checkedColumns() == y.checkedColumns();
    case ParameterType::RenameColumns:
        return x.renameColumns() == y.renameColumns();
    case ParameterType::SplitRows:
        return x.splitRows() == y.splitRows();
    case ParameterType::Unique:
        return x.uniqueColumns() == y.uniqueColumns();
    case ParameterType::ReplaceTerms:
        return x.replaceTerms() == y.replaceTerms();
    case ParameterType::VerifyRules:
        return x.verifyRules() == y.verifyRules();
    case ParameterType::Char:
        return x.charValue() == y.charValue();
    case ParameterType::Locale:
        return x.isSystemLocale() == y.isSystemLocale()
            && x.localeValue().name() == y.localeValue().name();
    default:
        return x.value() == y.value();
    }
}

} // namespace

class TestTransformParameter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void storedTextRoundTrip_data()
    {
        QTest::addColumn<ParameterType>("type");
        QTest::addColumn<QVariant>("value");
        auto row = [](const char* name, const ParameterType& type, const QVariant& value) {
            QTest::newRow(name) << type << value;
        };
        // Positions only: the test binds them to its own upstream item.
        const ColumnRef a { 0, ColumnId(), QString() };
        const ColumnRef b { 1, ColumnId(), QString() };
        const ColumnRef c { 2, ColumnId(), QString() };
        const QString tricky = QStringLiteral("<a & \"b\">\n é%20");
        row("SingleColumn", ParameterType::SingleColumn, QVariant::fromValue(b));
        row("MultipleColumns", ParameterType::MultipleColumns,
            QVariant::fromValue(ColumnRefList { c, a }));
        row("SortColumns", ParameterType::SortColumns,
            QVariant::fromValue(SortColumnList { { b, false }, { a, true } }));
        FilterList filter { 1, 1,
            { { a, 8, QStringLiteral("^x+") }, { ColumnRef(), 19, tricky } } };
        row("FilterColumns", ParameterType::FilterColumns, QVariant::fromValue(filter));
        row("ReorderColumns", ParameterType::ReorderColumns,
            QVariant::fromValue(ColumnRefList { c, b, a }));
        row("Bool", ParameterType::Bool, QVariant(true));
        row("Text", ParameterType::Text, QVariant(tricky));
        row("Int", ParameterType::Int, QVariant(-42));
        row("Char", ParameterType::Char, QVariant::fromValue(QChar(0x1F)));
        IfList ifs { { { { { a, 1, QStringLiteral("x") }, { b, 0, QStringLiteral("y") } },
                           QStringLiteral("both") },
                         { { { ColumnRef(), 20, QString() } }, QStringLiteral("$(1)") } },
            QStringLiteral("none") };
        row("If", ParameterType::If, QVariant::fromValue(ifs));
        row("CheckedColumns", ParameterType::CheckedColumns,
            QVariant::fromValue(CheckedColumnList { { a, true }, { b, false }, { c, true } }));
        row("Script", ParameterType::Script, QVariant(QStringLiteral("x = $(a);\n")));
        row("RenameColumns", ParameterType::RenameColumns,
            QVariant::fromValue(RenameColumnList { { c, tricky } }));
        row("SplitRows", ParameterType::SplitRows,
            QVariant::fromValue(SplitRowsSpec { 2, 3, 4, tricky }));
        row("Unique", ParameterType::Unique,
            QVariant::fromValue(UniqueColumnList { { a, 0, QString() }, { c, 7, "," } }));
        row("ReplaceTerms", ParameterType::ReplaceTerms,
            QVariant::fromValue(ReplaceTermList { { 2, "(\\d+)", "<\\1>" }, { 3, "", tricky } }));
        row("Real", ParameterType::Real, QVariant(0.125));
        row("LongText", ParameterType::LongText, QVariant(tricky));
        VerifyRuleSet rules;
        rules.datasetRules = { { 0, true, 2, QString() }, { 3, false, 1, QStringLiteral("10") } };
        rules.columns = { { 1, QStringLiteral("b"), 2, { { 9, true, 0, QStringLiteral("0") } } },
            { 2, QStringLiteral("c"), 4, {} } };
        row("VerifyRules", ParameterType::VerifyRules, QVariant::fromValue(rules));
        row("Date", ParameterType::Date, QVariant(QDate(2024, 2, 29)));
        row("OrderedColumns", ParameterType::OrderedColumns,
            QVariant::fromValue(ColumnRefList { b }));
        row("Locale", ParameterType::Locale, QVariant(QLocale(QLocale::German)));
        row("system Locale", ParameterType::Locale, QVariant());
    }

    void storedTextRoundTrip()
    {
        QFETCH(ParameterType, type);
        QFETCH(QVariant, value);
        Upstream up;
        TransformParameter original = bound(type, &up.node);
        original.setValue(value);
        original.refreshColumnNames();
        const QString stored = original.serialise();
        // Every free text is percent-encoded; only the part separator stays raw.
        for (const QChar ch : stored)
            QVERIFY2(ch == QChar(0x1F) || ch.unicode() < 128, qPrintable(stored));
        QVERIFY(!stored.contains(QLatin1Char('<')) && !stored.contains(QLatin1Char('\n')));

        TransformParameter copy = bound(type, &up.node);
        copy.deserialise(decoded(stored));
        QVERIFY(!copy.needsUpdating());
        QCOMPARE(copy.serialise(), stored);
        QCOMPARE(copy.summary(), original.summary());
        QVERIFY(sameValue(copy, original));
    }

    void storedTextForms_data()
    {
        QTest::addColumn<ParameterType>("type");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored");
        auto row = [](const char* name, const ParameterType& type, const QVariant& value,
                       const QString& stored) { QTest::newRow(name) << type << value << stored; };
        const QString us(QChar(0x1F));
        row("real with 6 significant digits", ParameterType::Real, QVariant(1234567.89),
            "1.23457e+06");
        row("bool", ParameterType::Bool, QVariant(true), "1");
        row("date", ParameterType::Date, QVariant(QDate(2024, 3, 5)), "2024-03-05");
        row("text", ParameterType::Text, QVariant(QStringLiteral("a b&é")), "a%20b%26%C3%A9");
        row("replace terms", ParameterType::ReplaceTerms,
            QVariant::fromValue(ReplaceTermList { { 1, QStringLiteral("a b"), QString() } }),
            QString("1" + us + "a%20b" + us));
        row("if markers", ParameterType::If,
            QVariant::fromValue(IfList { { { {}, QStringLiteral("t") } }, "e" }),
            QString("%2AStartIf%2A" + us + "%2AEndIf%2A" + us + "t" + us + "e"));
        row("split rows", ParameterType::SplitRows,
            QVariant::fromValue(SplitRowsSpec { 2, 1, 3, QString() }),
            QString("2" + us + "1" + us + "3" + us));
    }

    void storedTextForms()
    {
        QFETCH(ParameterType, type);
        QFETCH(QVariant, value);
        TransformParameter p(type, QStringLiteral("K"), QStringLiteral("k"));
        p.setValue(value);
        QTEST(p.serialise(), "stored");
    }

    void unreadableTextKeepsDefault_data()
    {
        QTest::addColumn<ParameterType>("type");
        QTest::addColumn<QVariant>("defaultValue");
        QTest::addColumn<QString>("text");
        QTest::newRow("int") << ParameterType::Int << QVariant(7) << "seven";
        QTest::newRow("selection not among choices")
            << ParameterType::Selection << QVariant(QStringLiteral("Down")) << "down";
        QTest::newRow("real") << ParameterType::Real << QVariant(2.5) << "x";
    }

    void unreadableTextKeepsDefault()
    {
        QFETCH(ParameterType, type);
        QFETCH(QVariant, defaultValue);
        QFETCH(QString, text);
        TransformParameter p(type, QStringLiteral("K"), QStringLiteral("k"), defaultValue,
            QStringList { "Up", "Down" });
        p.deserialise(text);
        QCOMPARE(p.value(), defaultValue);
    }

    // A stored number outside the option's range is replaced by the nearest
    // end of it, with a note that the item shows as a warning; a number
    // that is no number at all (NaN) leaves the value as it was.
    void storedNumbersKeepTheRange_data()
    {
        QTest::addColumn<ParameterType>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("note");
        const QString note
            = QStringLiteral("Option 'base' value %1 is out of range: %2 used instead");
        QTest::newRow("int in range") << ParameterType::Int << "16"
                                      << "16" << QString();
        QTest::newRow("int at the low end") << ParameterType::Int << "2"
                                            << "2" << QString();
        QTest::newRow("int below") << ParameterType::Int << "0"
                                   << "2" << note.arg("0", "2");
        QTest::newRow("int above") << ParameterType::Int << " 40 "
                                   << "32" << note.arg("40", "32");
        QTest::newRow("beyond int") << ParameterType::Int << "2147483648"
                                    << "32" << note.arg("2147483648", "32");
        QTest::newRow("real in range") << ParameterType::Real << "12.5"
                                       << "12.5" << QString();
        QTest::newRow("real below") << ParameterType::Real << "-1e308"
                                    << "2" << note.arg("-1e308", "2");
        QTest::newRow("real not a number") << ParameterType::Real << "nan"
                                           << "16" << note.arg("nan", "16");
    }

    void storedNumbersKeepTheRange()
    {
        QFETCH(ParameterType, type);
        QFETCH(QString, text);
        QFETCH(QString, kept);
        QFETCH(QString, note);
        TransformParameter p(type, QStringLiteral("To"), QStringLiteral("base"), 16);
        p.setIntRange(2, 32);
        p.setRealRange(2, 32);
        p.deserialise(text);
        QCOMPARE(p.serialise(), kept);
        QCOMPARE(p.rangeNote(), note);
        // A value set again, by the user or another document, is in range.
        p.deserialise(QStringLiteral("3"));
        QCOMPARE(p.rangeNote(), QString());
    }

    void olderFilterOperatorsAreRenumbered()
    {
        Upstream up;
        const QString us(QChar(0x1F));
        const QString text
            = "0" + us + "0" + us + "1" + us + "14" + us + "" + us + "-1" + us + "15" + us + "";
        TransformParameter old = bound(ParameterType::FilterColumns, &up.node);
        old.deserialise(text, 56);
        QCOMPARE(old.filterList().terms.at(0).op, 19);
        QCOMPARE(old.filterList().terms.at(1).op, 20);
        QVERIFY(old.filterList().terms.at(1).column.isEmpty());
        TransformParameter current = bound(ParameterType::FilterColumns, &up.node);
        current.deserialise(text, 57);
        QCOMPARE(current.filterList().terms.at(0).op, 14);
        QCOMPARE(current.filterList().terms.at(0).column.name, QStringLiteral("b"));
    }

    void columnTextWaitsForUpstream()
    {
        const QString us(QChar(0x1F));
        TransformParameter p(
            ParameterType::SortColumns, QStringLiteral("Columns"), QStringLiteral("columns"));
        p.deserialise("2" + us + "0" + us + "0" + us + "1");
        QVERIFY(p.needsUpdating());
        QCOMPARE(p.summary(), QStringLiteral("Needs updating"));
        QVERIFY(!p.isUnset());
        QCOMPARE(p.serialise(), QString("2" + us + "0" + us + "0" + us + "1"));

        SourceNode unprocessed(makeDataset({ "a", "b", "c" }, {}));
        p.setSourceItem(&unprocessed);
        QVERIFY(!p.convertPending());
        Upstream up;
        p.setSourceItem(&up.node);
        QVERIFY(p.convertPending());
        QVERIFY(!p.needsUpdating());
        QCOMPARE(p.summary(), QStringLiteral("2 column(s) (c▼,a▲)"));
        QCOMPARE(p.sortColumns().first().column.id, up.node.dataset().columnId(2));
    }

    void notSetRules_data()
    {
        QTest::addColumn<ParameterType>("type");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("flags"); // 1 text not required, 2 zero unset, 4 first choice unset,
                                        // 8 column not required
        QTest::addColumn<bool>("unset");
        auto row = [](const char* name, const ParameterType& type, const QVariant& value, int flags,
                       bool unset) { QTest::newRow(name) << type << value << flags << unset; };
        row("empty single column", ParameterType::SingleColumn, QVariant(), 0, true);
        row("optional single column", ParameterType::SingleColumn, QVariant(), 8, false);
        row("dangling single column", ParameterType::SingleColumn,
            QVariant::fromValue(ColumnRef { 0, ColumnId(5, 5), QStringLiteral("gone") }), 0, true);
        row("empty column list", ParameterType::MultipleColumns, QVariant(), 0, true);
        row("empty reorder list", ParameterType::ReorderColumns, QVariant(), 0, false);
        row("empty filter", ParameterType::FilterColumns, QVariant(), 0, true);
        row("empty text", ParameterType::Text, QVariant(QString()), 0, true);
        row("empty optional text", ParameterType::Text, QVariant(QString()), 1, false);
        row("blank script", ParameterType::Script, QVariant(QStringLiteral(" \n")), 0, true);
        row("zero int", ParameterType::Int, QVariant(0), 0, false);
        row("zero int, zero unset", ParameterType::Int, QVariant(0), 2, true);
        row("null char", ParameterType::Char, QVariant(QString()), 0, true);
        row("first choice", ParameterType::Selection, QVariant("<select>"), 0, false);
        row("first choice unset", ParameterType::Selection, QVariant("<select>"), 4, true);
        row("unknown choice counts as first", ParameterType::Selection, QVariant("nonsense"), 4,
            true);
        row("second choice", ParameterType::Selection, QVariant("MD5"), 4, false);
        row("split rows by names, no text", ParameterType::SplitRows,
            QVariant::fromValue(SplitRowsSpec { 0, 0, 0, "" }), 0, true);
        row("split rows by count", ParameterType::SplitRows,
            QVariant::fromValue(SplitRowsSpec { 2, 2, 3, "" }), 0, false);
        row("empty if", ParameterType::If, QVariant(), 0, true);
        row("verify rules", ParameterType::VerifyRules, QVariant(), 0, false);
        row("real", ParameterType::Real, QVariant(0.0), 0, false);
    }

    void notSetRules()
    {
        QFETCH(ParameterType, type);
        QFETCH(QVariant, value);
        QFETCH(int, flags);
        Upstream up;
        TransformParameter p = bound(type, &up.node, QStringList { "<select>", "MD5" });
        if (value.isValid())
            p.setValue(value);
        p.setTextRequired(!(flags & 1));
        p.setZeroIsUnset(flags & 2);
        p.setFirstChoiceIsUnset(flags & 4);
        p.setColumnRequired(!(flags & 8));
        QTEST(p.isUnset(), "unset");
    }

    void summaries_data()
    {
        QTest::addColumn<ParameterType>("type");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* name, const ParameterType& type, const QVariant& value,
                       const QString& summary) { QTest::newRow(name) << type << value << summary; };
        row("bool", ParameterType::Bool, QVariant(false), "No");
        row("int", ParameterType::Int, QVariant(1234567), "1,234,567");
        row("space", ParameterType::Char, QVariant(" "), "<Space>");
        row("tab", ParameterType::Char, QVariant("\t"), "<Tab>");
        row("no column", ParameterType::SingleColumn, QVariant(), "<None selected>");
        row("if", ParameterType::If, QVariant::fromValue(IfList { { {}, {} }, QString() }),
            "2 if/elseif + else");
        row("terms", ParameterType::ReplaceTerms,
            QVariant::fromValue(ReplaceTermList { {}, {}, {} }), "3 term(s)");
        row("split once", ParameterType::SplitRows,
            QVariant::fromValue(SplitRowsSpec { 2, 1, 4, "" }), "1 time");
        row("split repeatedly", ParameterType::SplitRows,
            QVariant::fromValue(SplitRowsSpec { 2, 3, 4, "" }), "every 4 column(s), 3 times");
        row("split automatically", ParameterType::SplitRows,
            QVariant::fromValue(SplitRowsSpec { 1, 0, 0, "" }), "Automatically by column names");
        row("label", ParameterType::Label, QVariant(), "");
    }

    void summaries()
    {
        QFETCH(ParameterType, type);
        QFETCH(QVariant, value);
        QFETCH(QString, summary);
        QLocale::setDefault(QLocale::c());
        TransformParameter p(type, QStringLiteral("K"), QStringLiteral("k"));
        if (value.isValid())
            p.setValue(value);
        QCOMPARE(p.summary(), summary);
    }

    void resolvedColumnsDropUnresolved()
    {
        Upstream up;
        TransformParameter p = bound(ParameterType::MultipleColumns, &up.node);
        const ColumnRef gone { 1, ColumnId(77, 1), QStringLiteral("x") };
        p.setValue(QVariant::fromValue(
            ColumnRefList { ref(p, 2), gone, ref(p, 0), ref(p, 1), ref(p, 2) }));
        QCOMPARE(p.resolvedColumns(false), (QVector<int> { 2, 0, 1, 2 }));
        QCOMPARE(p.resolvedColumns(true), (QVector<int> { 0, 1, 2, 2 }));
        QCOMPARE(p.summary(), QStringLiteral("c, x, a..."));
        QCOMPARE(p.columnReferenceCount(), 5);
    }
};

QTEST_MAIN(TestTransformParameter)
#include "tst_transformparameter.moc"
