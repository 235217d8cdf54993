// Writes the whole-job documents that bench/peers.sh runs through the command
// line (read+write, sort, dedupe, join, group, filter, pivot, a JavaScript function per row).
// Each scene is built from real items, run once on a few sample rows with the same columns as
// the generated data (so that column options bind to real columns and the job is known to run),
// then saved by the document writer: the documents are valid by construction.
//
// usage: varnix_make_jobs OUTDIR
//
// Inputs and outputs carry aliases (people, cities, out, inner, left) so that
// "-file alias=path" points them at the benchmark data. The paths saved are
// the default data folder of bench/peers.sh.
#include "core/enginesettings.h"
#include "document/documentwriter.h"
#include "graph/chartnode.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

const char* const DefaultDataDir = "/tmp/varnix-bench-data";
const char* const DefaultOutDir = "/tmp/varnix-bench-out";

// The columns of the generated data, with rows that exercise every option:
// a repeated key for the dedupe, a city without a match for the left join.
const char* const PeopleSample
    = "id,first_name,last_name,email,city,country,signup_date,amount,quantity,notes\n"
      "1,Ann,Lee,ann@example.org,Valville,Italy,2016-07-01,9.5,1,\n"
      "2,Bob,Ray,bob@example.org,Nowhere,France,2017-01-15,100.25,2,\"a, b\"\n"
      "3,Ann,Lee,ann@example.org,Kalport,Italy,2018-03-02,12,3,\n";
// The filter job's own rows: one amount on the bound, one country in
// another letter case, so that only row 1 passes a correct filter.
const char* const FilterSample
    = "id,first_name,last_name,email,city,country,signup_date,amount,quantity,notes\n"
      "1,Ann,Lee,ann@example.org,Valville,Germany,2016-07-01,600.5,1,\n"
      "2,Bob,Ray,bob@example.org,Nowhere,Germany,2017-01-15,500,2,\n"
      "3,Cy,Fox,cy@example.org,Kalport,germany,2018-03-02,700,3,\n"
      "4,Di,Orr,di@example.org,Kalport,France,2018-03-02,900,3,\n";

const char* const CitiesSample = "city,region,population\n"
                                 "Valville,East,7680\n"
                                 "Kalport,Wallonia,388868\n";

// Fails the program: a job that cannot be built must not be saved half-way.
[[noreturn]] void die(const QString& message)
{
    QTextStream(stderr) << "varnix_make_jobs: " << message << '\n';
    std::exit(1);
}

// Builds one scene at a time; the sample files live in a temporary folder.
class JobBuilder
{
public:
    explicit JobBuilder(const QString& sampleDir) : m_sampleDir(sampleDir) { }

    InputNode* input(const QString& alias, const QString& sampleName, int y)
    {
        auto* node = new InputNode(QDir(m_sampleDir).filePath(sampleName));
        node->setId(-1);
        InputOptions options = node->options();
        options.alias = alias;
        // The job copies the cells as they are, like the other tools do.
        options.trimWhitespace = false;
        options.simplifyWhitespace = false;
        node->setOptions(options);
        node->setPos(0, y);
        m_scene.insertNode(node);
        m_finalPaths.append({ node, dataPath(sampleName) });
        return node;
    }

    TransformNode* transform(const QString& typeKey, const QList<Node*>& upstream, int x, int y)
    {
        Transform* t = Catalogue::instance().create(typeKey);
        if (!t)
            die(QStringLiteral("no transform type %1").arg(typeKey));
        auto* node = new TransformNode(t);
        node->setId(-1);
        node->setPos(x, y);
        m_scene.insertNode(node);
        for (Node* from : upstream)
            m_scene.insertConnection(from, node);
        node->upstreamChanged();
        return node;
    }

    OutputNode* output(const QString& alias, Node* upstream, const QString& fileName, int x, int y)
    {
        auto* node = new OutputNode(QDir(m_sampleDir).filePath(fileName));
        node->setId(-1);
        OutputOptions options = node->options();
        options.alias = alias;
        // Plain UTF-8 with Unix line ends, as the other tools write it.
        options.byteOrderMark = false;
        options.lineEnding = LineEndingUnix;
        node->setOptions(options);
        node->setPos(x, y);
        m_scene.insertNode(node);
        m_scene.insertConnection(upstream, node);
        m_finalPaths.append({ node, QDir(QLatin1String(DefaultOutDir)).filePath(fileName) });
        return node;
    }

    // Runs the scene on the samples. Inputs must always read; the other
    // items only once their options are set (final).
    void run(bool final = false)
    {
        m_scene.process(GraphModel::RunAll, true);
        for (Node* node : m_scene.nodes()) {
            const bool mustRun = final || node->type() == InputNodeType;
            if (mustRun && !node->isProcessed())
                die(QStringLiteral("%1 did not run: %2")
                        .arg(node->displayName(), node->warnings().join(QLatin1String("; "))));
        }
    }

    // Points the items at the benchmark's default locations and saves.
    void save(const QString& path)
    {
        for (const auto& p : m_finalPaths)
            p.first->setFilePath(p.second);
        QString error;
        if (!DocumentWriter::save(m_scene, path, DocumentInfo(), SaveOptions(), &error))
            die(QStringLiteral("cannot save %1: %2").arg(path, error));
        QTextStream(stdout) << "wrote " << path << '\n';
    }

private:
    static QString dataPath(const QString& sampleName)
    {
        return QDir(QLatin1String(DefaultDataDir)).filePath(sampleName);
    }

    QString m_sampleDir;
    GraphModel m_scene;
    QList<QPair<IONode*, QString>> m_finalPaths;
};

// The sample rows are chosen so that a wrongly set option shows in the
// result: the job is saved only when the sample gives what it should.
void expectRows(const Node* node, int rows, const QString& firstCell = QString(), int column = 0)
{
    const Dataset& data = node->dataset();
    const bool cellOk
        = firstCell.isEmpty() || (data.rowCount() > 0 && data.value(0, column) == firstCell);
    if (data.rowCount() != rows || !cellOk)
        die(QStringLiteral("%1 gave %2 row(s), expected %3 %4")
                .arg(node->displayName())
                .arg(data.rowCount())
                .arg(rows)
                .arg(firstCell));
}

TransformParameter* parameterOf(TransformNode* node, const QString& key)
{
    TransformParameter* p = node->transform()->parameter(key);
    if (!p)
        die(QStringLiteral("%1 has no option %2").arg(node->displayName(), key));
    return p;
}

// A reference to a column of the option's bound upstream dataset, by name.
ColumnRef columnNamed(const TransformParameter* p, const QString& name)
{
    const Dataset& data = p->sourceDataset();
    for (int c = 0; c < data.columnCount(); ++c) {
        if (data.columnName(c) == name)
            return p->referenceAt(c);
    }
    die(QStringLiteral("no column %1 upstream of %2").arg(name, p->key()));
}

bool writeSample(const QString& path, const char* content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == qint64(qstrlen(content));
}

void makeCopy(const QString& samples, const QString& outDir)
{
    JobBuilder job(samples);
    Node* people = job.input(QStringLiteral("people"), QStringLiteral("people_1m.csv"), 0);
    job.output(QStringLiteral("out"), people, QStringLiteral("j1_copy.csv"), 200, 0);
    job.run(true);
    expectRows(people, 3);
    job.save(QDir(outDir).filePath(QStringLiteral("j1_copy.transform")));
}

void makeSort(const QString& samples, const QString& outDir)
{
    JobBuilder job(samples);
    Node* people = job.input(QStringLiteral("people"), QStringLiteral("people_1m.csv"), 0);
    TransformNode* sort = job.transform(QStringLiteral("Sort"), { people }, 200, 0);
    job.run(); // the sort's column options need the columns read
    TransformParameter* columns = parameterOf(sort, QStringLiteral("Columns"));
    SortColumnList order;
    order.append({ columnNamed(columns, QStringLiteral("country")), true });
    order.append({ columnNamed(columns, QStringLiteral("amount")), false });
    columns->setValue(QVariant::fromValue(order));
    // Numbers compare as numbers, text by code point like the other tools.
    parameterOf(sort, QStringLiteral("Intelligent_Sort"))->setValue(true);
    parameterOf(sort, QStringLiteral("Locale_Aware_Sort"))->setValue(false);
    parameterOf(sort, QStringLiteral("Case_Sensitive"))->setValue(true);
    sort->setStatus(StatusNeedsUpdating, true);
    job.output(QStringLiteral("out"), sort, QStringLiteral("j2_sort.csv"), 400, 0);
    job.run(true);
    // France first, then Italy with the larger amount (12 > 9.5) first.
    expectRows(sort, 3, QStringLiteral("2"));
    if (sort->dataset().value(1, 0) != QLatin1String("3"))
        die(QStringLiteral("the sort does not order amounts as numbers, descending"));
    job.save(QDir(outDir).filePath(QStringLiteral("j2_sort.transform")));
}

void makeDedupe(const QString& samples, const QString& outDir)
{
    JobBuilder job(samples);
    Node* people = job.input(QStringLiteral("people"), QStringLiteral("people_1m.csv"), 0);
    TransformNode* dedupe = job.transform(QStringLiteral("Dedupe"), { people }, 200, 0);
    job.run();
    TransformParameter* columns = parameterOf(dedupe, QStringLiteral("Columns"));
    ColumnRefList keys;
    for (const char* name : { "first_name", "last_name", "email" })
        keys.append(columnNamed(columns, QLatin1String(name)));
    columns->setValue(QVariant::fromValue(keys));
    parameterOf(dedupe, QStringLiteral("Match_Type"))->setValue(QStringLiteral("Exact"));
    parameterOf(dedupe, QStringLiteral("Case_Sensitive"))->setValue(true);
    parameterOf(dedupe, QStringLiteral("Dedupe_Mode"))
        ->setValue(QStringLiteral("Remove duplicates"));
    dedupe->setStatus(StatusNeedsUpdating, true);
    job.output(QStringLiteral("out"), dedupe, QStringLiteral("j3_dedupe.csv"), 400, 0);
    job.run(true);
    expectRows(dedupe, 2, QStringLiteral("1"));
    job.save(QDir(outDir).filePath(QStringLiteral("j3_dedupe.transform")));
}

// One join on city: people is the top input (the upper item), cities the
// bottom one; the left join also keeps people without a city match.
TransformNode* joinOnCity(JobBuilder& job, Node* people, Node* cities, bool left, int y)
{
    TransformNode* join = job.transform(QStringLiteral("Join"), { people, cities }, 200, y);
    job.run();
    TransformParameter* top = parameterOf(join, QStringLiteral("Column_1"));
    TransformParameter* bottom = parameterOf(join, QStringLiteral("Column_2"));
    if (top->sourceItem() != people || bottom->sourceItem() != cities)
        die(QStringLiteral("the join's top input is not people"));
    top->setValue(QVariant::fromValue(columnNamed(top, QStringLiteral("city"))));
    bottom->setValue(QVariant::fromValue(columnNamed(bottom, QStringLiteral("city"))));
    parameterOf(join, QStringLiteral("By"))->setValue(QStringLiteral("Key"));
    parameterOf(join, QStringLiteral("Include_Non_Matching_1"))->setValue(left);
    parameterOf(join, QStringLiteral("Case_Sensitive"))->setValue(true);
    join->setStatus(StatusNeedsUpdating, true);
    return join;
}

void makeJoin(const QString& samples, const QString& outDir)
{
    JobBuilder job(samples);
    Node* people = job.input(QStringLiteral("people"), QStringLiteral("people_1m.csv"), 0);
    Node* cities = job.input(QStringLiteral("cities"), QStringLiteral("cities.csv"), 200);
    TransformNode* inner = joinOnCity(job, people, cities, false, 50);
    TransformNode* left = joinOnCity(job, people, cities, true, 150);
    job.output(QStringLiteral("inner"), inner, QStringLiteral("j4_inner.csv"), 400, 50);
    job.output(QStringLiteral("left"), left, QStringLiteral("j4_left.csv"), 400, 150);
    job.run(true);
    expectRows(inner, 2);
    expectRows(left, 3);
    job.save(QDir(outDir).filePath(QStringLiteral("j4_join.transform")));
}

// Keeps rows with amount > 500 and country = Germany, compared as a number
// and as case-sensitive text like the other tools do.
void makeFilter(const QString& outDir)
{
    QTemporaryDir samples;
    if (!samples.isValid()
        || !writeSample(samples.filePath(QStringLiteral("people_1m.csv")), FilterSample))
        die(QStringLiteral("cannot write the filter sample"));
    JobBuilder job(samples.path());
    Node* people = job.input(QStringLiteral("people"), QStringLiteral("people_1m.csv"), 0);
    TransformNode* filter = job.transform(QStringLiteral("Filter"), { people }, 200, 0);
    job.run();
    TransformParameter* columns = parameterOf(filter, QStringLiteral("Columns"));
    FilterList list;
    list.terms.append({ columnNamed(columns, QStringLiteral("amount")), 4, QStringLiteral("500") });
    list.terms.append(
        { columnNamed(columns, QStringLiteral("country")), 1, QStringLiteral("Germany") });
    columns->setValue(QVariant::fromValue(list));
    parameterOf(filter, QStringLiteral("Case_Sensitive"))->setValue(true);
    filter->setStatus(StatusNeedsUpdating, true);
    job.output(QStringLiteral("out"), filter, QStringLiteral("j6_filter.csv"), 400, 0);
    job.run(true);
    expectRows(filter, 1, QStringLiteral("1"));
    job.save(QDir(outDir).filePath(QStringLiteral("j6_filter.transform")));
}

// A user's own function per row: the JavaScript transform over two
// numeric columns.
void makeJavascript(const QString& samples, const QString& outDir)
{
    JobBuilder job(samples);
    Node* people = job.input(QStringLiteral("people"), QStringLiteral("people_1m.csv"), 0);
    TransformNode* script = job.transform(QStringLiteral("Javascript"), { people }, 200, 0);
    parameterOf(script, QStringLiteral("New_Name"))->setValue(QStringLiteral("result"));
    parameterOf(script, QStringLiteral("Script"))
        ->setValue(QStringLiteral("return $(amount) * 2 + $(quantity);"));
    job.output(QStringLiteral("out"), script, QStringLiteral("j8_javascript.csv"), 400, 0);
    job.run(true);
    // 9.5 * 2 + 1 in the first row.
    expectRows(script, 3, QStringLiteral("20"), 10);
    job.save(QDir(outDir).filePath(QStringLiteral("j8_javascript.transform")));
}

// Group by country as the peers do: count, sum and mean of amount, rows in
// country order. Unique sums amount and counts the rows of each group
// (amount is never empty); the mean is that sum over that count, figured on
// the few grouped rows, which is how the peers figure it too.
void makeGroup(const QString& samples, const QString& outDir)
{
    JobBuilder job(samples);
    Node* people = job.input(QStringLiteral("people"), QStringLiteral("people_1m.csv"), 0);
    TransformNode* unique = job.transform(QStringLiteral("Unique"), { people }, 200, 0);
    job.run();
    TransformParameter* options = parameterOf(unique, QStringLiteral("Column_Options"));
    const Dataset& columns = options->sourceDataset();
    UniqueColumnList aggregations;
    for (int c = 0; c < columns.columnCount(); ++c) {
        const QString name = columns.columnName(c);
        int aggregation = 16; // "Set empty"
        if (name == QLatin1String("country"))
            aggregation = 0; // "Keep unique"
        else if (name == QLatin1String("amount"))
            aggregation = 3; // "Sum"
        aggregations.append({ options->referenceAt(c), aggregation, QString() });
    }
    options->setValue(QVariant::fromValue(aggregations));
    parameterOf(unique, QStringLiteral("Count"))->setValue(true);
    parameterOf(unique, QStringLiteral("Case_Sensitive"))->setValue(true);
    unique->setStatus(StatusNeedsUpdating, true);
    TransformNode* keep = job.transform(QStringLiteral("Remove"), { unique }, 400, 0);
    TransformNode* mean = job.transform(QStringLiteral("Calculate"), { keep }, 600, 0);
    TransformNode* rename = job.transform(QStringLiteral("Rename_Cols"), { mean }, 800, 0);
    TransformNode* sort = job.transform(QStringLiteral("Sort"), { rename }, 1000, 0);
    job.run();
    TransformParameter* kept = parameterOf(keep, QStringLiteral("Columns"));
    const Dataset& grouped = kept->sourceDataset();
    CheckedColumnList checks;
    for (int c = 0; c < grouped.columnCount(); ++c) {
        const QString name = grouped.columnName(c);
        checks.append({ kept->referenceAt(c),
            name == QLatin1String("country") || name == QLatin1String("amount")
                || name == QLatin1String("Count") });
    }
    kept->setValue(QVariant::fromValue(checks));
    keep->setStatus(StatusNeedsUpdating, true);
    job.run();
    parameterOf(mean, QStringLiteral("Operation"))->setValue(QStringLiteral("/ Divide"));
    TransformParameter* sum = parameterOf(mean, QStringLiteral("Column1"));
    sum->setValue(QVariant::fromValue(columnNamed(sum, QStringLiteral("amount"))));
    TransformParameter* count = parameterOf(mean, QStringLiteral("Column2"));
    count->setValue(QVariant::fromValue(columnNamed(count, QStringLiteral("Count"))));
    parameterOf(mean, QStringLiteral("Auto_New_Name"))->setValue(false);
    parameterOf(mean, QStringLiteral("New_Name"))->setValue(QStringLiteral("avg"));
    mean->setStatus(StatusNeedsUpdating, true);
    job.run();
    TransformParameter* names = parameterOf(rename, QStringLiteral("RenameColumns"));
    names->setValue(QVariant::fromValue(
        RenameColumnList { { columnNamed(names, QStringLiteral("amount")), QStringLiteral("sum") },
            { columnNamed(names, QStringLiteral("Count")), QStringLiteral("count") } }));
    rename->setStatus(StatusNeedsUpdating, true);
    job.run();
    TransformParameter* order = parameterOf(sort, QStringLiteral("Columns"));
    order->setValue(QVariant::fromValue(
        SortColumnList { { columnNamed(order, QStringLiteral("country")), true } }));
    parameterOf(sort, QStringLiteral("Locale_Aware_Sort"))->setValue(false);
    sort->setStatus(StatusNeedsUpdating, true);
    job.output(QStringLiteral("out"), sort, QStringLiteral("j5_group.csv"), 1200, 0);
    job.run(true);
    // France (100.25) before Italy (9.5 and 12: sum 21.5, mean 10.75).
    expectRows(sort, 2, QStringLiteral("France"));
    if (sort->dataset().columnNames() != QStringList({ "country", "sum", "count", "avg" })
        || sort->dataset().row(1) != QStringList({ "Italy", "21.5", "2", "10.75" }))
        die(QStringLiteral("the group gives %1: %2")
                .arg(sort->dataset().columnNames().join(','), sort->dataset().row(1).join(',')));
    job.save(QDir(outDir).filePath(QStringLiteral("j5_group.transform")));
}

// Pivot of the sum of amount: a row per country, a column per signup year.
void makePivot(const QString& samples, const QString& outDir)
{
    JobBuilder job(samples);
    Node* people = job.input(QStringLiteral("people"), QStringLiteral("people_1m.csv"), 0);
    TransformNode* year = job.transform(QStringLiteral("Calculate"), { people }, 200, 0);
    job.run();
    parameterOf(year, QStringLiteral("Operation"))->setValue(QStringLiteral("Year"));
    TransformParameter* date = parameterOf(year, QStringLiteral("Column1"));
    date->setValue(QVariant::fromValue(columnNamed(date, QStringLiteral("signup_date"))));
    parameterOf(year, QStringLiteral("Auto_New_Name"))->setValue(false);
    parameterOf(year, QStringLiteral("New_Name"))->setValue(QStringLiteral("year"));
    year->setStatus(StatusNeedsUpdating, true);
    TransformNode* pivot = job.transform(QStringLiteral("Pivot"), { year }, 400, 0);
    job.run();
    TransformParameter* rows = parameterOf(pivot, QStringLiteral("Columns"));
    rows->setValue(QVariant::fromValue(ColumnRefList { columnNamed(rows, "country") }));
    TransformParameter* columns = parameterOf(pivot, QStringLiteral("Rows"));
    columns->setValue(QVariant::fromValue(ColumnRefList { columnNamed(columns, "year") }));
    TransformParameter* values = parameterOf(pivot, QStringLiteral("Values"));
    values->setValue(QVariant::fromValue(columnNamed(values, QStringLiteral("amount"))));
    parameterOf(pivot, QStringLiteral("Summarize_As"))->setValue(QStringLiteral("Sum"));
    parameterOf(pivot, QStringLiteral("Non_Calc"))->setValue(QStringLiteral("Empty"));
    parameterOf(pivot, QStringLiteral("Totals"))->setValue(false);
    pivot->setStatus(StatusNeedsUpdating, true);
    job.output(QStringLiteral("out"), pivot, QStringLiteral("j7_pivot.csv"), 600, 0);
    job.run(true);
    expectRows(pivot, 2, QStringLiteral("France"));
    if (pivot->dataset().columnNames() != QStringList({ "country", "2016", "2017", "2018" }))
        die(QStringLiteral("the pivot's columns are %1")
                .arg(pivot->dataset().columnNames().join(',')));
    job.save(QDir(outDir).filePath(QStringLiteral("j7_pivot.transform")));
}

} // namespace

int main(int argc, char** argv)
{
    qSetGlobalQHashSeed(0); // the same attribute order in every saved document
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    EngineSettings(QCoreApplication::applicationDirPath()).apply();
    registerInputNodeKind();
    registerOutputNodeKind();
    registerChartNodeKind();
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: varnix_make_jobs OUTDIR\n";
        return 2;
    }
    QTemporaryDir samples;
    if (!samples.isValid()
        || !writeSample(samples.filePath(QStringLiteral("people_1m.csv")), PeopleSample)
        || !writeSample(samples.filePath(QStringLiteral("cities.csv")), CitiesSample))
        die(QStringLiteral("cannot write the sample files"));
    const QString outDir = args.at(1);
    if (!QDir().mkpath(outDir))
        die(QStringLiteral("cannot create %1").arg(outDir));
    makeCopy(samples.path(), outDir);
    makeSort(samples.path(), outDir);
    makeDedupe(samples.path(), outDir);
    makeJoin(samples.path(), outDir);
    makeGroup(samples.path(), outDir);
    makePivot(samples.path(), outDir);
    makeFilter(outDir);
    makeJavascript(samples.path(), outDir);
    return 0;
}
