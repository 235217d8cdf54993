// Runs every case file under tests/data/transforms: one transform type, its
// options as a document stores them, the input tables, and the expected
// output table, summary, warnings and information lines. A new case is a
// new file; the runner needs no change.
//
// A case file, line by line:
//   # what the case guards                  (comment lines, anywhere outside tables)
//   type: Concat                            (the catalogue key)
//   Columns = 0%1F2                         (a parameter and its stored text as in a
//                                            document: percent-encoded, column options
//                                            by 0-based position; unset ones keep defaults)
//   input:                                  (one per upstream item, top to bottom; the
//   First,Last                               header, then the rows, as CSV; blank lines
//   a,c                                      are skipped, a row of one empty cell is "";
//                                            "input noheader:" for a table without header)
//   output:                                 (the expected table in the same form;
//   First,Last,First + Last                  "output noheader:" expects no header)
//   summary: Concatenated 2 cols            (the result summary)
//   warnings:                               (the node's warnings, one per line; without
//   ...                                      this section none are expected; "" stands for
//                                            an empty line)
//   information:                            (optional: the transform's information lines)
//   output from pivot/expected_sum.csv:     (a table kept in its own file under tests/data;
//                                            "input from ...:" likewise)
//   status: Error                           (optional; "Up to date" otherwise)
//   locale: C                               (optional: the default locale, whose standard
//                                            date formats apply too; en_US otherwise)
//   dates: yyyy-MM-dd|dd/MM/yyyy            (optional: other date formats instead)
//   figures: on                             (optional: numbers in the output table need to
//                                            agree to 12 significant digits only, for
//                                            reference figures computed elsewhere)
//   escapes: on                             (optional: in table cells and warning lines
//                                            \t \r \n \\ \uXXXX \UXXXXXXXX stand for their
//                                            characters, so that invisible ones can be seen)
//
// The options are applied as the document reader applies them: the item is
// connected, bound to its upstream items, then each stored text is decoded
// and handed to the parameter before the sources have any columns, so the
// pending conversion of column positions runs too.
//
// The CSV splitter is this file's own: the failure messages need the line of
// every record, which the delimited reader does not keep.

#include "core/values.h"
#include "document/documentcodec.h"
#include "tests/transforms/analysis/analysisharness.h"

#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {

struct Record
{
    QStringList cells;
    int line = 0;
};

struct Table
{
    bool header = true;
    int line = 0;
    QList<Record> records;
    QString file; // the table's own file under tests/data, or empty
};

struct Lines
{
    QStringList texts;
    int line = 0;
    bool given = false;
};

struct GoldenCase
{
    QString type;
    QList<QPair<QString, QString>> options;
    QList<Table> inputs;
    Table output;
    bool hasOutput = false;
    QString summary;
    int summaryLine = 0; // 0: no summary given
    QString status = QStringLiteral("Up to date");
    QString locale = QStringLiteral("en_US");
    QString dates;
    bool escapes = false;
    bool figures = false;
    Lines warnings;
    Lines information;
};

// Splits CSV records: cells separated by commas, a quoted cell may hold
// commas, doubled quotes and line feeds.
QList<Record> splitRecords(const QStringList& lines, int firstLine)
{
    QList<Record> records;
    Record record;
    QString cell;
    bool quoted = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& text = lines.at(i);
        if (!quoted && text.isEmpty())
            continue; // blank lines separate sections; an empty cell is written ""
        if (!quoted)
            record.line = firstLine + i;
        for (int c = 0; c < text.size(); ++c) {
            const QChar ch = text.at(c);
            if (ch == QLatin1Char('"') && quoted && text.midRef(c + 1, 1) == QLatin1String("\"")) {
                cell += ch;
                ++c;
            } else if (ch == QLatin1Char('"')) {
                quoted = !quoted;
            } else if (ch == QLatin1Char(',') && !quoted) {
                record.cells << cell;
                cell.clear();
            } else {
                cell += ch;
            }
        }
        if (quoted) {
            cell += QLatin1Char('\n');
            continue;
        }
        record.cells << cell;
        cell.clear();
        records << record;
        record = Record();
    }
    return records;
}

QString unescaped(const QString& text)
{
    static const QRegularExpression escape(
        QStringLiteral("\\\\(?:([trn\\\\])|u([0-9A-Fa-f]{4})|U([0-9A-Fa-f]{8}))"));
    QString result;
    int from = 0;
    QRegularExpressionMatchIterator it = escape.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        result += text.midRef(from, m.capturedStart() - from);
        from = m.capturedEnd();
        const QString simple = m.captured(1);
        if (!simple.isEmpty()) {
            const int at = QStringLiteral("trn\\").indexOf(simple);
            result += QStringLiteral("\t\r\n\\").at(at);
            continue;
        }
        const uint code = QString(m.captured(2) + m.captured(3)).toUInt(nullptr, 16);
        result += QString::fromUcs4(&code, 1);
    }
    return result + text.midRef(from);
}

void unescape(Table& table)
{
    for (Record& r : table.records) {
        for (QString& cell : r.cells)
            cell = unescaped(cell);
    }
}

void unescape(GoldenCase& gc)
{
    unescape(gc.output);
    for (Table& input : gc.inputs)
        unescape(input);
    for (QString& line : gc.warnings.texts)
        line = unescaped(line);
    for (QString& line : gc.information.texts)
        line = unescaped(line);
}

// A table kept in a file of its own, shared with other tests.
QStringList tableLines(const QString& name)
{
    QFile file(QStringLiteral(VARNIX_TEST_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", qPrintable(name));
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

const QRegularExpression SectionLine(
    QStringLiteral("^(input|output|warnings|information)( noheader)?(?: from (\\S+))?:$"));
const QRegularExpression ValueLine(
    QStringLiteral("^(type|summary|status|locale|dates|escapes|figures): ?(.*)$"));
const QRegularExpression OptionLine(QStringLiteral("^(\\w+) =(.*)$"));

// The lines of one section: a table, or warning or information lines.
struct Block
{
    QString section;
    QStringList lines;
    int line = 0; // of the section line; 0 for a table from its own file
    bool noHeader = false;
    QString file;
};

void addBlock(GoldenCase& gc, Block block)
{
    if (block.section == QLatin1String("input") || block.section == QLatin1String("output")) {
        const Table table { !block.noHeader, block.line, splitRecords(block.lines, block.line + 1),
            block.file };
        if (block.section == QLatin1String("input"))
            gc.inputs << table;
        else
            gc.output = table, gc.hasOutput = true;
    } else if (!block.section.isEmpty()) {
        Lines& target = block.section == QLatin1String("warnings") ? gc.warnings : gc.information;
        block.lines.removeAll(QString());
        block.lines.replaceInStrings(QRegularExpression(QStringLiteral("^\"\"$")), QString());
        target = Lines { block.lines, block.line, true };
    }
}

void setValue(GoldenCase& gc, const QString& key, const QString& value, int line)
{
    if (key == QLatin1String("type"))
        gc.type = value;
    else if (key == QLatin1String("status"))
        gc.status = value;
    else if (key == QLatin1String("locale"))
        gc.locale = value;
    else if (key == QLatin1String("dates"))
        gc.dates = value;
    else if (key == QLatin1String("figures"))
        gc.figures = value == QLatin1String("on");
    else if (key == QLatin1String("escapes"))
        gc.escapes = value == QLatin1String("on");
    else
        gc.summary = value, gc.summaryLine = line;
}

GoldenCase readCase(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", qPrintable(path));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    GoldenCase gc;
    Block block;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& text = lines.at(i);
        const QRegularExpressionMatch section = SectionLine.match(text);
        const QRegularExpressionMatch value = ValueLine.match(text);
        const QRegularExpressionMatch option = OptionLine.match(text);
        if (section.hasMatch()) {
            addBlock(gc, block);
            const QString own = section.captured(3);
            block = Block { section.captured(1), own.isEmpty() ? QStringList() : tableLines(own),
                own.isEmpty() ? i + 1 : 0, section.capturedLength(2) > 0, own };
        } else if (value.hasMatch()) {
            addBlock(gc, block);
            block = Block();
            setValue(gc, value.captured(1), value.captured(2), i + 1);
        } else if (!block.section.isEmpty()) {
            block.lines << text;
        } else if (option.hasMatch()) {
            gc.options << qMakePair(option.captured(1), option.captured(2).trimmed());
        } else if (!text.isEmpty() && !text.startsWith(QLatin1Char('#'))) {
            qFatal("%s:%d: not a case line: %s", qPrintable(path), i + 1, qPrintable(text));
        }
    }
    addBlock(gc, block);
    if (gc.escapes)
        unescape(gc);
    return gc;
}

Dataset datasetOf(const Table& table)
{
    QList<Record> records = table.records;
    Dataset d;
    int columns = 0;
    for (const Record& r : qAsConst(records))
        columns = qMax(columns, r.cells.size());
    d.setColumnCount(columns);
    if (table.header && !records.isEmpty())
        d.setHeader(records.takeFirst().cells);
    for (const Record& r : qAsConst(records))
        d.appendRow(r.cells);
    return d;
}

QString csvLine(const QStringList& cells)
{
    QStringList quoted;
    for (const QString& c : cells) {
        const bool plain = !c.contains(QRegularExpression(QStringLiteral("[,\"\\n]")));
        quoted << (plain ? c : QLatin1Char('"') + QString(c).replace("\"", "\"\"") + '"');
    }
    return quoted.join(QLatin1Char(','));
}

bool sameRow(const QStringList& expected, const QStringList& row, bool figures)
{
    if (!figures || expected.size() != row.size())
        return expected == row;
    for (int c = 0; c < row.size(); ++c) {
        if (!sameFigure(row.at(c), expected.at(c)))
            return false;
    }
    return true;
}

QString where(const Table& table, int line)
{
    const QString at = QStringLiteral("line %1").arg(line);
    return table.file.isEmpty() ? at : table.file + QLatin1Char(' ') + at;
}

// The first difference between the expected table and the output, or an
// empty text.
QString tableDifference(const Table& expected, const Dataset& out, bool figures)
{
    QList<Record> records = expected.records;
    if (expected.header != out.hasHeader())
        return QStringLiteral("%1: header expected %2, output has %3")
            .arg(where(expected, expected.line))
            .arg(expected.header ? "yes" : "no", out.hasHeader() ? "yes" : "no");
    if (expected.header) {
        const Record names = records.isEmpty() ? Record() : records.takeFirst();
        if (names.cells != out.columnNames())
            return QStringLiteral("%1: columns\n   expected: %2\n     actual: %3")
                .arg(where(expected, names.line))
                .arg(csvLine(names.cells), csvLine(out.columnNames()));
    }
    for (int r = 0; r < qMax(records.size(), out.rowCount()); ++r) {
        const QStringList want = r < records.size() ? records.at(r).cells : QStringList();
        const QStringList got = r < out.rowCount() ? out.row(r) : QStringList();
        if (!sameRow(want, got, figures) || r >= records.size() || r >= out.rowCount()) {
            const int line = r < records.size() ? records.at(r).line : expected.line;
            return QStringLiteral("%1: row %2\n   expected: %3\n     actual: %4")
                .arg(where(expected, line))
                .arg(r + 1)
                .arg(r < records.size() ? csvLine(want) : QStringLiteral("(no row)"),
                    r < out.rowCount() ? csvLine(got) : QStringLiteral("(no row)"));
        }
    }
    return QString();
}

QString linesDifference(const QString& what, const Lines& expected, const QStringList& actual)
{
    if (expected.texts == actual)
        return QString();
    return QStringLiteral("line %1: %2\n   expected: %3\n     actual: %4")
        .arg(expected.line)
        .arg(what, expected.texts.join(QStringLiteral("\n             ")),
            actual.join(QStringLiteral("\n             ")));
}

} // namespace

class TestGoldenCases : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Runs record statistics in the settings store: keep them out of
        // the user's.
        QStandardPaths::setTestModeEnabled(true);
    }

    // Every case runs twice: as the window runs it, keeping every item's
    // table, and as the command line does, where a transform reading its
    // upstream item last may take that item's rows over.
    void run_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("keepsResults");
        const QString root = QStringLiteral(VARNIX_TEST_DATA "/transforms");
        QDirIterator it(
            root, { QStringLiteral("*.case") }, QDir::Files, QDirIterator::Subdirectories);
        QStringList paths;
        while (it.hasNext())
            paths << it.next();
        paths.sort();
        for (const QString& path : qAsConst(paths)) {
            const QString name = path.mid(root.size() + 1);
            QTest::newRow(qPrintable(name)) << path << true;
            QTest::newRow(qPrintable(name + QStringLiteral(" (command line)"))) << path << false;
        }
        QVERIFY(!paths.isEmpty());
    }

    void run()
    {
        QFETCH(QString, path);
        QFETCH(bool, keepsResults);
        const GoldenCase gc = readCase(path);
        const QLocale locale(gc.locale);
        QLocale::setDefault(locale);
        setDefaultDateFormats(
            gc.dates.isEmpty() ? standardDateFormats(locale) : gc.dates.split(QLatin1Char('|')));
        GraphModel scene;
        TransformNode* node = nullptr;
        buildGraph(scene, gc, path, &node);
        if (!node)
            return;
        scene.setKeepsResults(keepsResults);
        scene.process(GraphModel::RunAll, true);
        const QStringList failures = differences(gc, node);
        if (!failures.isEmpty())
            QFAIL(qPrintable(path + QStringLiteral(":\n") + failures.join(QLatin1Char('\n'))));
    }

private:
    // Source items stacked top to bottom in the order of the inputs, all
    // connected to the item; the options applied as the document reader
    // applies them.
    void buildGraph(
        GraphModel& scene, const GoldenCase& gc, const QString& path, TransformNode** result)
    {
        Transform* transform = Catalogue::instance().create(gc.type);
        QVERIFY2(transform, qPrintable(path + ": no transform type " + gc.type));
        auto* node = new TransformNode(transform);
        scene.insertNode(node);
        for (int i = 0; i < gc.inputs.size(); ++i) {
            auto* source = new SourceNode(datasetOf(gc.inputs.at(i)));
            scene.insertNode(source);
            source->setPos(0, 100 * i);
            scene.insertConnection(source, node);
        }
        node->setPos(300, 100 * gc.inputs.size());
        node->upstreamChanged();
        for (const auto& option : gc.options) {
            TransformParameter* p = transform->parameter(option.first);
            QVERIFY2(p, qPrintable(path + ": no option " + option.first));
            // A text that is no choice would quietly count as the first one.
            const QString text = DocumentCodec::decodeText(option.second);
            QVERIFY2(p->type() != ParameterType::Selection || p->choiceList().contains(text),
                qPrintable(path + ": '" + text + "' is no choice of " + option.first));
            p->deserialise(text);
        }
        *result = node;
    }

    static QStringList differences(const GoldenCase& gc, const TransformNode* node)
    {
        const Transform* transform = node->transform();
        QStringList failures;
        if (gc.status != statusName(node->status()))
            failures << QStringLiteral("status\n   expected: %1\n     actual: %2")
                            .arg(gc.status, statusName(node->status()));
        if (gc.hasOutput)
            failures << tableDifference(gc.output, node->dataset(), gc.figures);
        if (gc.summaryLine > 0 && gc.summary != transform->resultSummary())
            failures << QStringLiteral("line %1: summary\n   expected: %2\n     actual: %3")
                            .arg(gc.summaryLine)
                            .arg(gc.summary, transform->resultSummary());
        failures << linesDifference(QStringLiteral("warnings"), gc.warnings, node->warnings());
        if (gc.information.given)
            failures << linesDifference(
                QStringLiteral("information"), gc.information, transform->information());
        failures.removeAll(QString());
        return failures;
    }
};

QTEST_MAIN(TestGoldenCases)
#include "tst_goldencases.moc"
