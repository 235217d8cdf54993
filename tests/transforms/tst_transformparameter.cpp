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

    void storedTextRoundTrip_data();
    void storedTextRoundTrip();
    void storedTextForms_data();
    void storedTextForms();
    void unreadableTextKeepsDefault_data();
    void unreadableTextKeepsDefault();
    void olderFilterOperatorsAreRenumbered();
    void columnTextWaitsForUpstream();
    void notSetRules_data();
    void notSetRules();
    void summaries_data();
    void summaries();
    void resolvedColumnsDropUnresolved();
};

void TestTransformParameter::storedTextRoundTrip_data()
{
    QTest::addColumn<ParameterType>("type");
    QTest::addColumn<QVariant>("value");
    // Positions only: the test binds them to its own upstream item.
    const ColumnRef a { 0, ColumnId(), QString() };
    const ColumnRef b { 1, ColumnId(), QString() };
    const ColumnRef c { 2, ColumnId(), QString() };
    const QString tricky = QStringLiteral("<a & \"b\">\n é%20");
    QTest::newRow("SingleColumn") << ParameterType::SingleColumn << QVariant::fromValue(b);
    QTest::newRow("MultipleColumns")
        << ParameterType::MultipleColumns << QVariant::fromValue(ColumnRefList { c, a });
    QTest::newRow("SortColumns") << ParameterType::SortColumns
                                 << QVariant::fromValue(
                                        SortColumnList { { b, false }, { a, true } });
    FilterList filter { 1, 1, { { a, 8, QStringLiteral("^x+") }, { ColumnRef(), 19, tricky } } };
    QTest::newRow("FilterColumns") << ParameterType::FilterColumns << QVariant::fromValue(filter);
    QTest::newRow("ReorderColumns")
        << ParameterType::ReorderColumns << QVariant::fromValue(ColumnRefList { c, b, a });
    QTest::newRow("Bool") << ParameterType::Bool << QVariant(true);
    QTest::newRow("Text") << ParameterType::Text << QVariant(tricky);
    QTest::newRow("Int") << ParameterType::Int << QVariant(-42);
    QTest::newRow("Char") << ParameterType::Char << QVariant::fromValue(QChar(0x1F));
    IfList ifs { { { { { a, 1, QStringLiteral("x") }, { b, 0, QStringLiteral("y") } },
                       QStringLiteral("both") },
                     { { { ColumnRef(), 20, QString() } }, QStringLiteral("$(1)") } },
        QStringLiteral("none") };
    QTest::newRow("If") << ParameterType::If << QVariant::fromValue(ifs);
    QTest::newRow("CheckedColumns")
        << ParameterType::CheckedColumns
        << QVariant::fromValue(CheckedColumnList { { a, true }, { b, false }, { c, true } });
    QTest::newRow("Script") << ParameterType::Script << QVariant(QStringLiteral("x = $(a);\n"));
    QTest::newRow("RenameColumns")
        << ParameterType::RenameColumns << QVariant::fromValue(RenameColumnList { { c, tricky } });
    QTest::newRow("SplitRows") << ParameterType::SplitRows
                               << QVariant::fromValue(SplitRowsSpec { 2, 3, 4, tricky });
    QTest::newRow("Unique") << ParameterType::Unique
                            << QVariant::fromValue(
                                   UniqueColumnList { { a, 0, QString() }, { c, 7, "," } });
    QTest::newRow("ReplaceTerms") << ParameterType::ReplaceTerms
                                  << QVariant::fromValue(ReplaceTermList {
                                         { 2, "(\\d+)", "<\\1>" }, { 3, "", tricky } });
    QTest::newRow("Real") << ParameterType::Real << QVariant(0.125);
    QTest::newRow("LongText") << ParameterType::LongText << QVariant(tricky);
    VerifyRuleSet rules;
    rules.datasetRules = { { 0, true, 2, QString() }, { 3, false, 1, QStringLiteral("10") } };
    rules.columns = { { 1, QStringLiteral("b"), 2, { { 9, true, 0, QStringLiteral("0") } } },
        { 2, QStringLiteral("c"), 4, {} } };
    QTest::newRow("VerifyRules") << ParameterType::VerifyRules << QVariant::fromValue(rules);
    QTest::newRow("Date") << ParameterType::Date << QVariant(QDate(2024, 2, 29));
    QTest::newRow("OrderedColumns")
        << ParameterType::OrderedColumns << QVariant::fromValue(ColumnRefList { b });
    QTest::newRow("Locale") << ParameterType::Locale << QVariant(QLocale(QLocale::German));
    QTest::newRow("system Locale") << ParameterType::Locale << QVariant();
}

void TestTransformParameter::storedTextRoundTrip()
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

void TestTransformParameter::storedTextForms_data()
{
    QTest::addColumn<ParameterType>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("stored");
    const QString us(QChar(0x1F));
    QTest::newRow("real with 6 significant digits")
        << ParameterType::Real << QVariant(1234567.89) << "1.23457e+06";
    QTest::newRow("bool") << ParameterType::Bool << QVariant(true) << "1";
    QTest::newRow("date") << ParameterType::Date << QVariant(QDate(2024, 3, 5)) << "2024-03-05";
    QTest::newRow("text") << ParameterType::Text << QVariant(QStringLiteral("a b&é"))
                          << "a%20b%26%C3%A9";
    QTest::newRow("replace terms")
        << ParameterType::ReplaceTerms
        << QVariant::fromValue(ReplaceTermList { { 1, QStringLiteral("a b"), QString() } })
        << QString("1" + us + "a%20b" + us);
    QTest::newRow("if markers") << ParameterType::If
                                << QVariant::fromValue(
                                       IfList { { { {}, QStringLiteral("t") } }, "e" })
                                << QString(
                                       "%2AStartIf%2A" + us + "%2AEndIf%2A" + us + "t" + us + "e");
    QTest::newRow("split rows") << ParameterType::SplitRows
                                << QVariant::fromValue(SplitRowsSpec { 2, 1, 3, QString() })
                                << QString("2" + us + "1" + us + "3" + us);
}

void TestTransformParameter::storedTextForms()
{
    QFETCH(ParameterType, type);
    QFETCH(QVariant, value);
    QFETCH(QString, stored);
    TransformParameter p(type, QStringLiteral("K"), QStringLiteral("k"));
    p.setValue(value);
    QCOMPARE(p.serialise(), stored);
}

void TestTransformParameter::unreadableTextKeepsDefault_data()
{
    QTest::addColumn<ParameterType>("type");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<QString>("text");
    QTest::newRow("int") << ParameterType::Int << QVariant(7) << "seven";
    QTest::newRow("selection not among choices")
        << ParameterType::Selection << QVariant(QStringLiteral("Down")) << "down";
    QTest::newRow("real") << ParameterType::Real << QVariant(2.5) << "x";
}

void TestTransformParameter::unreadableTextKeepsDefault()
{
    QFETCH(ParameterType, type);
    QFETCH(QVariant, defaultValue);
    QFETCH(QString, text);
    TransformParameter p(
        type, QStringLiteral("K"), QStringLiteral("k"), defaultValue, QStringList { "Up", "Down" });
    p.deserialise(text);
    QCOMPARE(p.value(), defaultValue);
}

void TestTransformParameter::olderFilterOperatorsAreRenumbered()
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

void TestTransformParameter::columnTextWaitsForUpstream()
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

void TestTransformParameter::notSetRules_data()
{
    QTest::addColumn<ParameterType>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("flags"); // 1 text not required, 2 zero unset, 4 first choice unset,
                                    // 8 column not required
    QTest::addColumn<bool>("unset");
    QTest::newRow("empty single column") << ParameterType::SingleColumn << QVariant() << 0 << true;
    QTest::newRow("optional single column")
        << ParameterType::SingleColumn << QVariant() << 8 << false;
    QTest::newRow("dangling single column")
        << ParameterType::SingleColumn
        << QVariant::fromValue(ColumnRef { 0, ColumnId(5, 5), QStringLiteral("gone") }) << 0
        << true;
    QTest::newRow("empty column list") << ParameterType::MultipleColumns << QVariant() << 0 << true;
    QTest::newRow("empty reorder list")
        << ParameterType::ReorderColumns << QVariant() << 0 << false;
    QTest::newRow("empty filter") << ParameterType::FilterColumns << QVariant() << 0 << true;
    QTest::newRow("empty text") << ParameterType::Text << QVariant(QString()) << 0 << true;
    QTest::newRow("empty optional text")
        << ParameterType::Text << QVariant(QString()) << 1 << false;
    QTest::newRow("blank script") << ParameterType::Script << QVariant(QStringLiteral(" \n")) << 0
                                  << true;
    QTest::newRow("zero int") << ParameterType::Int << QVariant(0) << 0 << false;
    QTest::newRow("zero int, zero unset") << ParameterType::Int << QVariant(0) << 2 << true;
    QTest::newRow("null char") << ParameterType::Char << QVariant(QString()) << 0 << true;
    QTest::newRow("first choice") << ParameterType::Selection << QVariant("<select>") << 0 << false;
    QTest::newRow("first choice unset")
        << ParameterType::Selection << QVariant("<select>") << 4 << true;
    QTest::newRow("unknown choice counts as first")
        << ParameterType::Selection << QVariant("nonsense") << 4 << true;
    QTest::newRow("second choice") << ParameterType::Selection << QVariant("MD5") << 4 << false;
    QTest::newRow("split rows by names, no text")
        << ParameterType::SplitRows << QVariant::fromValue(SplitRowsSpec { 0, 0, 0, "" }) << 0
        << true;
    QTest::newRow("split rows by count")
        << ParameterType::SplitRows << QVariant::fromValue(SplitRowsSpec { 2, 2, 3, "" }) << 0
        << false;
    QTest::newRow("empty if") << ParameterType::If << QVariant() << 0 << true;
    QTest::newRow("verify rules") << ParameterType::VerifyRules << QVariant() << 0 << false;
    QTest::newRow("real") << ParameterType::Real << QVariant(0.0) << 0 << false;
}

void TestTransformParameter::notSetRules()
{
    QFETCH(ParameterType, type);
    QFETCH(QVariant, value);
    QFETCH(int, flags);
    QFETCH(bool, unset);
    Upstream up;
    TransformParameter p = bound(type, &up.node, QStringList { "<select>", "MD5" });
    if (value.isValid())
        p.setValue(value);
    p.setTextRequired(!(flags & 1));
    p.setZeroIsUnset(flags & 2);
    p.setFirstChoiceIsUnset(flags & 4);
    p.setColumnRequired(!(flags & 8));
    QCOMPARE(p.isUnset(), unset);
}

void TestTransformParameter::summaries_data()
{
    QTest::addColumn<ParameterType>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("summary");
    QTest::newRow("bool") << ParameterType::Bool << QVariant(false) << "No";
    QTest::newRow("int") << ParameterType::Int << QVariant(1234567) << "1,234,567";
    QTest::newRow("space") << ParameterType::Char << QVariant(" ") << "<Space>";
    QTest::newRow("tab") << ParameterType::Char << QVariant("\t") << "<Tab>";
    QTest::newRow("no column") << ParameterType::SingleColumn << QVariant() << "<None selected>";
    QTest::newRow("if") << ParameterType::If
                        << QVariant::fromValue(IfList { { {}, {} }, QString() })
                        << "2 if/elseif + else";
    QTest::newRow("terms") << ParameterType::ReplaceTerms
                           << QVariant::fromValue(ReplaceTermList { {}, {}, {} }) << "3 term(s)";
    QTest::newRow("split once") << ParameterType::SplitRows
                                << QVariant::fromValue(SplitRowsSpec { 2, 1, 4, "" }) << "1 time";
    QTest::newRow("split repeatedly")
        << ParameterType::SplitRows << QVariant::fromValue(SplitRowsSpec { 2, 3, 4, "" })
        << "every 4 column(s), 3 times";
    QTest::newRow("split automatically")
        << ParameterType::SplitRows << QVariant::fromValue(SplitRowsSpec { 1, 0, 0, "" })
        << "Automatically by column names";
    QTest::newRow("label") << ParameterType::Label << QVariant() << "";
}

void TestTransformParameter::summaries()
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

void TestTransformParameter::resolvedColumnsDropUnresolved()
{
    Upstream up;
    TransformParameter p = bound(ParameterType::MultipleColumns, &up.node);
    const ColumnRef gone { 1, ColumnId(77, 1), QStringLiteral("x") };
    p.setValue(
        QVariant::fromValue(ColumnRefList { ref(p, 2), gone, ref(p, 0), ref(p, 1), ref(p, 2) }));
    QCOMPARE(p.resolvedColumns(false), (QVector<int> { 2, 0, 1, 2 }));
    QCOMPARE(p.resolvedColumns(true), (QVector<int> { 0, 1, 2, 2 }));
    QCOMPARE(p.summary(), QStringLiteral("c, x, a..."));
    QCOMPARE(p.columnReferenceCount(), 5);
}

QTEST_MAIN(TestTransformParameter)
#include "tst_transformparameter.moc"
