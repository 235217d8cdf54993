#include "core/enginesettings.h"
#include "tests/graph/testnodes.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

// A type whose input range and options the tests set, with "Keep_Upper"
// enabled only while "Mode" is its second choice.
class TestOptions : public Transform
{
public:
    TestOptions(int minimum = 1, int maximum = 1) : m_min(minimum), m_max(maximum) { }
    QString typeKey() const override { return QStringLiteral("Test_Options"); }
    int minInputs() const override { return m_min; }
    int maxInputs() const override { return m_max; }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override
    {
        Transform::defineParameters(upstream, useUserDefaults);
        addParameter(
            ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("new column name"));
        addParameter(ParameterType::Char, QStringLiteral("Pad_With"), QStringLiteral("pad with"));
        addParameter(ParameterType::Selection, QStringLiteral("Mode"), QStringLiteral("mode"),
            QVariant(), QStringList { "Lower", "Title" });
        addParameter(
            ParameterType::Text, QStringLiteral("Keep_Upper"), QStringLiteral("keep upper case"));
        addParameter(ParameterType::Int, QStringLiteral("Count"), QStringLiteral("count"), 3);
    }
    QList<QPair<QString, bool>> optionStates() const override
    {
        return { qMakePair(QStringLiteral("Keep_Upper"), selectionParameter("Mode") == 1) };
    }
    void process(Dataset& output, const QList<TableSource*>&, bool&) override { output.clear(); }

protected:
    Transform* newInstance() const override { return new TestOptions(m_min, m_max); }

private:
    int m_min;
    int m_max;
};

void setText(Transform& t, const char* key, const QString& value)
{
    t.parameter(QString::fromLatin1(key))->setValue(value);
}

} // namespace

class TestTransform : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void validationWarning_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("padWith");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("warning");
        auto row = [](const char* name, const QString& newName, const QString& padWith,
                       const QString& mode, const QString& warning) {
            QTest::newRow(name) << newName << padWith << mode << warning;
        };
        row("all set", "n", "0", "Lower", "");
        row("pad character empty", "n", "", "Lower", "1 option not set ('pad with')");
        row("two unset", "", "", "Lower", "2 options not set ('new column name','pad with')");
        row("enabled dependent option counts", "n", "0", "Title",
            "1 option not set ('keep upper case')");
    }

    void validationWarning()
    {
        QFETCH(QString, newName);
        QFETCH(QString, padWith);
        QFETCH(QString, mode);
        QFETCH(QString, warning);
        TestOptions t;
        t.defineParameters({}, false);
        setText(t, "New_Name", newName);
        setText(t, "Pad_With", padWith);
        setText(t, "Mode", mode);
        t.validate();
        QCOMPARE(t.warnings(), warning.isEmpty() ? QStringList() : QStringList { warning });
        t.clearMessages();
        QVERIFY(t.warnings().isEmpty());
    }

    void inputRequirement_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QString>("items");
        QTest::newRow("one") << 1 << 1 << "1 Input/Transform item";
        QTest::newRow("two") << 2 << 2 << "<b>2</b> Input/Transform items";
        QTest::newRow("two or more")
            << 2 << Transform::NoLimit << "<b>2 or more</b> Input/Transform items";
        QTest::newRow("range") << 1 << 3 << "<b>1 to 3</b> Input/Transform items";
    }

    void inputRequirement()
    {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(QString, items);
        TestOptions t(minimum, maximum);
        QCOMPARE(t.inputRequirement(),
            QStringLiteral("Select %1 in the Center pane and then click the button to perform "
                           "this transform.")
                .arg(items));
    }

    // Upper-cases a column of "x" rows and one "UPPER" row; reports progress
    // every thousand rows.
    void progressAndChangeSummary_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QList<qreal>>("progress");
        QTest::newRow("nothing to change") << 0 << "No changes" << QList<qreal> { 0.0 };
        QTest::newRow("thousands")
            << 2499 << "2,499 changed, 1 unchanged" << QList<qreal> { 0.0, 0.4, 0.8 };
    }

    void progressAndChangeSummary()
    {
        QFETCH(int, rows);
        QLocale::setDefault(QLocale::c());
        Dataset data = makeDataset({ "a" }, {});
        for (int r = 0; r < rows; ++r)
            data.appendRow({ QStringLiteral("x") });
        data.appendRow({ QStringLiteral("UPPER") });
        SourceNode source(data);
        source.process(false, false);
        TestUpper t;
        t.defineParameters({}, false);
        t.bindUpstream({ &source }, false);
        TransformParameter* columns = t.parameter("Columns");
        columns->setValue(QVariant::fromValue(ColumnRefList { columns->referenceAt(0) }));
        QSignalSpy spy(&t, &Transform::processed);
        Dataset out;
        bool error = false;
        t.process(out, { &source }, error);
        QList<qreal> reported;
        for (const QList<QVariant>& signal : spy)
            reported << signal.at(0).toReal();
        QTEST(reported, "progress");
        QTEST(t.resultSummary(), "summary");
    }

    void userDefaults()
    {
        EngineSettings settings;
        settings.setTransformDefault(
            QStringLiteral("Test_Options"), QStringLiteral("Count"), QStringLiteral("12"));
        settings.setTransformDefault(
            QStringLiteral("Test_Options"), QStringLiteral("Mode"), QStringLiteral("Title"));
        TestOptions t;
        t.setUserDefaults(&settings);
        t.defineParameters({}, true);
        QCOMPARE(t.parameter("Count")->intValue(), 12);
        QVERIFY(t.parameter("Count")->userDefaultApplied());
        QCOMPARE(t.parameter("Mode")->selectionIndex(), 1);
        QVERIFY(!t.parameter("New_Name")->userDefaultApplied());
        t.defineParameters({}, false);
        QCOMPARE(t.parameter("Count")->intValue(), 3);
        QCOMPARE(t.parameter("Mode")->selectionIndex(), 0);
    }

    void bindingFollowsUpstreamOrder()
    {
        SourceNode top(makeDataset({ "a" }, { { "1" } }));
        SourceNode bottom(makeDataset({ "b" }, { { "2" } }));
        top.setPos(0, 0);
        bottom.setPos(0, 50);
        TestPair pair;
        pair.defineParameters({}, false);
        pair.bindUpstream({ &top, &bottom }, false);
        QCOMPARE(pair.parameter("Column_1")->sourceItem(), &top);
        QCOMPARE(pair.parameter("Column_2")->sourceItem(), &bottom);
        QCOMPARE(pair.parametersBoundTo(&bottom).size(), 1);
        QCOMPARE(pair.parameterBoundTo(&top), pair.parameter("Column_1"));
        QVERIFY(!pair.reorderInputs({ &top, &bottom }));

        top.setPos(0, 100);
        QVERIFY(pair.reorderInputs({ &bottom, &top }));
        QCOMPARE(pair.parameter("Column_1")->sourceItem(), &bottom);
        QCOMPARE(pair.parameter("Column_2")->sourceItem(), &top);

        TestUpper single;
        single.defineParameters({}, false);
        single.bindUpstream({ &top, &bottom }, false);
        QCOMPARE(single.parameter("Columns")->sourceItem(), &top);
        single.bindUpstream({}, false);
        QCOMPARE(single.parameter("Columns")->sourceItem(), nullptr);
        QCOMPARE(single.parameter("Fail")->sourceItem(), nullptr);
    }

    void cloneCopiesValues()
    {
        TestOptions t;
        t.defineParameters({}, false);
        setText(t, "New_Name", QStringLiteral("abc"));
        std::unique_ptr<Transform> copy(t.clone());
        QCOMPARE(copy->typeKey(), t.typeKey());
        QCOMPARE(copy->parameters().size(), t.parameters().size());
        QCOMPARE(copy->parameter("New_Name")->text(), QStringLiteral("abc"));
        QVERIFY(copy->parameter("New_Name") != t.parameter("New_Name"));
        QVERIFY(!copy->parameter("Nope"));
    }

    // The search words join the words of the name, of the category and the type's own.
    void keywordsJoinThreeSources()
    {
        const Catalogue& types = Catalogue::instance();
        const QSet<QString> words = types.prototype(QStringLiteral("Case"))->keywords();
        for (const char* w : { "case", "formatting", "camel" })
            QVERIFY2(words.contains(QLatin1String(w)), w);
        QVERIFY(!types.prototype(QStringLiteral("Clone"))->keywords().contains("analysis"));
    }
};

QTEST_MAIN(TestTransform)
#include "tst_transform.moc"
