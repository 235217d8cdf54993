#include "transforms/catalogue.h"
#include "transforms/transform.h"

#include <QSet>
#include <QTest>

namespace {

// Stands in for any type of the table, so the catalogue's ordering, filters
// and search can be checked over every type.
class TableType : public Transform
{
public:
    explicit TableType(const QString& key) : m_key(key) { }
    QString typeKey() const override { return m_key; }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override
    {
        Transform::defineParameters(upstream, useUserDefaults);
        addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
            QStringLiteral("case sensitive"));
    }
    void process(Dataset&, const QList<TableSource*>&, bool&) override { }

protected:
    Transform* newInstance() const override { return new TableType(m_key); }

private:
    QString m_key;
};

QStringList names(const QList<const Transform*>& list)
{
    QStringList result;
    for (const Transform* t : list)
        result << t->displayName();
    return result;
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const TransformTypeInfo& info : transformTypeTable())
            m_all.add(new TableType(QString::fromLatin1(info.typeKey)));
    }

    void registeredTypesMatchTheTable()
    {
        const Catalogue& catalogue = Catalogue::instance();
        for (const Transform* t : catalogue.prototypes()) {
            const TransformTypeInfo* info = transformTypeInfo(t->typeKey());
            QVERIFY2(info, qPrintable(t->typeKey()));
            QCOMPARE(t->displayName(), QString::fromLatin1(info->displayName));
            QCOMPARE(t->category(), info->category);
            QCOMPARE(t->minInputs(), info->minInputs);
            QCOMPARE(t->maxInputs(), info->maxInputs);
            QCOMPARE(t->isAdvanced(), info->advanced);
            QCOMPARE(t->typeFlag(), info->typeFlag);
            QCOMPARE(t->keepsDrilldown(), info->keepsDrilldown);
            QCOMPARE(t->typeId(), info->typeNumber);
            QVERIFY2(!t->description().isEmpty(), qPrintable(t->typeKey()));
            std::unique_ptr<Transform> made(catalogue.create(t->typeKey()));
            QVERIFY(made);
            QCOMPARE(made->parameters().size(), t->parameters().size());
        }
        const QStringList missing = catalogue.missingTypeKeys();
        QCOMPARE(missing.size() + catalogue.prototypes().size(), 75);
        qInfo("%d of 75 transform types registered; not yet registered: %s",
            int(catalogue.prototypes().size()), qPrintable(missing.join(QStringLiteral(", "))));
    }

    void prototypesSortByLowerCaseName()
    {
        const QList<Transform*>& list = m_all.prototypes();
        QCOMPARE(list.size(), 75);
        QStringList order;
        for (const Transform* t : list)
            order << t->displayName();
        QVERIFY(order.indexOf("Concat Cols") < order.indexOf("Concat Rows"));
        QVERIFY(order.indexOf("DateTime Format") < order.indexOf("Decode"));
        QVERIFY(order.indexOf("Unique") < order.indexOf("Units"));
        QVERIFY(order.indexOf("Unique") > order.indexOf("Unfill"));
        QVERIFY(order.indexOf("UUID") > order.indexOf("Units"));
        QCOMPARE(order.first(), QStringLiteral("Bin"));
        QCOMPARE(order.last(), QStringLiteral("Whitespace"));
        QCOMPARE(m_all.missingTypeKeys(), QStringList());
    }

    void createClonesThePrototype()
    {
        Catalogue c;
        c.add(new TableType(QStringLiteral("Sort")));
        c.add(new TableType(QStringLiteral("Sort"))); // replaces, never doubles
        QCOMPARE(c.prototypes().size(), 1);
        std::unique_ptr<Transform> a(c.create(QStringLiteral("Sort")));
        QVERIFY(a);
        QCOMPARE(a->parameters().size(), 1);
        QVERIFY(a.get() != c.prototype(QStringLiteral("Sort")));
        QVERIFY(!c.create(QStringLiteral("sort")));
        QVERIFY(!c.create(QStringLiteral("Trim")));
    }

    void categoryAndAdvancedFilters()
    {
        QCOMPARE(Catalogue::categoryEntries(),
            (QStringList {
                "&All", "&Merge", "&Column", "&Row", "&Format", "Anal&ysis", "&Other" }));
        QCOMPARE(m_all.visible(0, true, QString()).size(), 75);
        QCOMPARE(m_all.visible(0, false, QString()).size(), 29);
        QCOMPARE(names(m_all.visible(1, true, QString())),
            (QStringList {
                "Cross", "Interpolate", "Intersect", "Join", "Lookup", "Stack", "Subtract" }));
        QCOMPARE(
            names(m_all.visible(1, false, QString())), (QStringList { "Join", "Lookup", "Stack" }));
    }

    void searchWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<bool>("filters");
        QTest::newRow("dash") << "split-rows" << QStringList { "split", "rows" } << true;
        QTest::newRow("comma") << " Split,Rows " << QStringList { "split", "rows" } << true;
        QTest::newRow("one letter") << "x" << QStringList { "x" } << false;
        QTest::newRow("blank") << "  " << QStringList() << false;
        QTest::newRow("two one-letter words") << "a b" << QStringList { "a", "b" } << true;
    }

    void searchWords()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QCOMPARE(Catalogue::searchWords(text), words);
        QTEST(Catalogue::filtersByKeywords(words), "filters");
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("two words, one type") << "lower camel" << QStringList { "Case" };
        QTest::newRow("nothing matches") << "zzz" << QStringList();
        QTest::newRow("split rows") << "split-rows" << QStringList { "Split Rows" };
        QTest::newRow("prefix of a word") << "transp" << QStringList { "Transpose" };
    }

    void search()
    {
        QFETCH(QString, text);
        QTEST(names(m_all.visible(0, true, text)), "shown");
    }

    void retiredTypes()
    {
        QCOMPARE(retiredTransformHint(QStringLiteral("Trim")),
            QStringLiteral(" - use the newer 'Whitespace' transform."));
        QVERIFY(retiredTransformHint(QStringLiteral("Join")).isEmpty());
        // "case" keeps Case among the best matches.
        QVERIFY(names(m_all.visible(0, true, QStringLiteral("case"))).contains("Case"));
    }

private:
    Catalogue m_all;
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
