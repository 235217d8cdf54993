#include "transforms/other/transformjavascript.h"

#include "core/dataset.h"
#include "core/runcontext.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/other/scriptwatch.h"

#include <QJSEngine>
#include <QLocale>
#include <QThread>

#include <new>

namespace {

const int BlockRows = 1000;
const int SampleRows = 100;
const int ShownErrors = 5;
const QChar Separator(0x1f);

const char* const DefaultScript = "// see help (? button top right) for details\n"
                                  "return \"Hello world!\";";

// Calling into the engine once per row costs more than most scripts, so
// rows go in blocks to this wrapper, which loops inside the engine. Each
// column arrives as one text of values joined by the separator (or as an
// array when a value holds the separator); kinds say how to type it: "n"
// number, "b" truth value ("1"/"0"), "s" text, an empty number or truth
// value being a value that could not be converted. The results come back
// joined the same way, with the first error rows.
const char* const BlockRunner = R"JS((function (f, cols, kinds, n, sep) {
    var values = [];
    for (var c = 0; c < cols.length; ++c)
        values.push(typeof cols[c] === "string" ? cols[c].split(sep) : cols[c]);
    var args = new Array(cols.length);
    var out = new Array(n);
    var errors = [];
    var errorCount = 0;
    for (var i = 0; i < n; ++i) {
        for (var c = 0; c < values.length; ++c) {
            var v = values[c][i];
            var k = kinds[c];
            args[c] = k === "s" ? v : (v === "" ? undefined : (k === "n" ? Number(v) : v === "1"));
        }
        var r;
        try { r = f.apply(null, args); } catch (e) { r = e; }
        if (r instanceof Error && ++errorCount <= 6)
            errors.push(i, String(r), r.lineNumber);
        try { out[i] = String(r); } catch (e) { out[i] = String(e); }
    }
    return { text: out.join(sep), out: out, errors: errors, errorCount: errorCount };
}))JS";

// The locale-independent number rule: a '.' decimal point and no grouping.
const QLocale& plainLocale()
{
    static const QLocale locale = [] {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator | QLocale::OmitGroupSeparator);
        return c;
    }();
    return locale;
}

bool readTruth(const QString& text, bool* value)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        *value = true;
    else if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        *value = false;
    else
        return false;
    return true;
}

// Plain decimals read the same in the engine; others pass as the double's
// exact text.
bool isPlainDecimal(const QString& text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (!((u >= '0' && u <= '9') || u == '-' || u == '.'))
            return false;
    }
    return !text.isEmpty();
}

QString typeName(TransformJavascript::ArgumentType type)
{
    switch (type) {
    case TransformJavascript::NumberType:
        return QStringLiteral("Number");
    case TransformJavascript::BooleanType:
        return QStringLiteral("Boolean");
    case TransformJavascript::StringType:
        break;
    }
    return QStringLiteral("String");
}

} // namespace

struct TransformJavascript::Run
{
    const Dataset* input = nullptr;
    QVector<int> used;
    QVector<ArgumentType> types;
    QJSValue function;
    QJSValue columns;
    QJSValue kinds;
    int outColumn = 0;
    qint64 jsErrors = 0;
    QStringList errorLines;
    qint64 typeErrors = 0;
    QStringList typeLines;
    bool outOfMemory = false;
};

TransformJavascript::TransformJavascript() = default;
TransformJavascript::~TransformJavascript() = default;

QString TransformJavascript::description() const
{
    return QStringLiteral("Add a column calculated by a JavaScript function of the row's values.");
}

QString TransformJavascript::helpText()
{
    return QStringLiteral(
        "Write the body of a JavaScript function that returns the new column's value for a row.\n"
        "Refer to a column by name as $(name) or by number as $(1), $(2) ...\n"
        "Columns holding only numbers are passed as Number, columns of true/false values as "
        "Boolean and all others as String, unless 'Type columns as' is String.\n"
        "Example: return $(amount) * 2 + $(quantity);\n"
        "Errors are shown with their script line and dataset row.");
}

void TransformJavascript::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("New column name"),
        QStringLiteral("Javascript"))
        ->setTooltip(QStringLiteral("The name for the new column."));
    const QStringList typing
        = { QStringLiteral("Number/Boolean/String"), QStringLiteral("String") };
    addParameter(ParameterType::Selection, QStringLiteral("Type_As"),
        QStringLiteral("Type columns as"), typing.first(), typing)
        ->setTooltip(QStringLiteral("Whether to type values as Number/Boolean/String (according "
                                    "to column contents) or all as String."));
    addParameter(ParameterType::Script, QStringLiteral("Script"), QStringLiteral("Javascript"),
        QString::fromUtf8(DefaultScript))
        ->setTooltip(helpText());
}

QString TransformJavascript::rewriteVariables(const QString& script, const QStringList& columnNames,
    QVector<int>* used, QStringList* ambiguous)
{
    QString result = script;
    QVector<bool> isUsed(columnNames.size(), false);
    QStringList seen;
    for (int c = 0; c < columnNames.size(); ++c) {
        const QString variable = QStringLiteral("$(%1)").arg(columnNames.at(c).trimmed());
        if (!script.contains(variable))
            continue;
        if (seen.contains(variable)) {
            if (!ambiguous->contains(columnNames.at(c)))
                ambiguous->append(columnNames.at(c));
            continue;
        }
        seen.append(variable);
        result.replace(variable, QStringLiteral("col_%1_var").arg(c + 1));
        isUsed[c] = true;
    }
    for (int c = 0; c < columnNames.size(); ++c) {
        const QString variable = QStringLiteral("$(%1)").arg(c + 1);
        if (result.contains(variable)) {
            result.replace(variable, QStringLiteral("col_%1_var").arg(c + 1));
            isUsed[c] = true;
        }
    }
    used->clear();
    for (int c = 0; c < isUsed.size(); ++c) {
        if (isUsed.at(c))
            used->append(c);
    }
    return result;
}

TransformJavascript::ArgumentType TransformJavascript::columnType(const Dataset& data, int column)
{
    bool sawNumber = false;
    bool numeric = true;
    for (int r = 0; r < data.rowCount() && numeric; ++r) {
        const QString& v = data.value(r, column);
        bool ok = false;
        toNumber(plainLocale(), v, false, false, &ok);
        if (ok) {
            sawNumber = true;
            continue;
        }
        // Blanks and "nan" leave the column a number column; they become
        // type errors when passed.
        const QString t = v.trimmed();
        numeric = t.isEmpty() || t.compare(QLatin1String("nan"), Qt::CaseInsensitive) == 0;
    }
    if (numeric && sawNumber)
        return NumberType;
    bool sawTruth = false;
    for (int r = 0; r < qMin(SampleRows, data.rowCount()); ++r) {
        const QString& v = data.value(r, column);
        bool truth;
        if (v.trimmed().isEmpty())
            continue;
        if (!readTruth(v, &truth))
            return StringType;
        sawTruth = true;
    }
    return sawTruth ? BooleanType : StringType;
}

namespace {

QString compileFailure(const QJSValue& error)
{
    return QStringLiteral("%1 at script line %2")
        .arg(error.toString(), error.property(QStringLiteral("lineNumber")).toString());
}

} // namespace

// The script is the body of a function placed in a wrapper. A text that is
// no function body could close the wrapper and run code of its own while
// the wrapper is evaluated; the engine's Function constructor only parses,
// so it tells first whether the body stands on its own.
bool TransformJavascript::compile(
    const QString& body, const QStringList& parameterNames, QJSValue* function, QString* failure)
{
    // An engine serves the thread that made it: a window's runs go on a
    // worker, a column check or a test on the main thread.
    if (m_engine && m_engine->thread() != QThread::currentThread()) {
        m_blockRunner = QJSValue();
        m_engine.reset();
    }
    if (!m_engine) {
        m_engine.reset(new QJSEngine);
        m_blockRunner = m_engine->evaluate(QString::fromUtf8(BlockRunner));
    }
    QJSValue constructor = m_engine->globalObject().property(QStringLiteral("Function"));
    const QJSValue parsed = constructor.callAsConstructor({ QJSValue(body) });
    // The line break keeps a comment on the last line from hiding the end.
    const QString program = QStringLiteral("(function( %1 ) { %2\n})")
                                .arg(parameterNames.join(QStringLiteral(", ")), body);
    if (parsed.isError()) {
        // A wrapper that parses although its body does not was closed by the
        // body: refused without evaluating it. Otherwise evaluating fails
        // before anything runs, with the error and line as written.
        const QJSValue whole = constructor.callAsConstructor({ QJSValue(program) });
        if (!whole.isError()) {
            *failure = QStringLiteral("%1: the script closes the function it is placed in")
                           .arg(parsed.toString());
            return false;
        }
    }
    *function = m_engine->evaluate(program, QString(), 1);
    if (function->isError() || !function->isCallable()) {
        *failure = compileFailure(*function);
        return false;
    }
    return true;
}

void TransformJavascript::convertBlock(Run& run, int first, int count)
{
    run.columns = m_engine->newArray(uint(run.used.size()));
    for (int u = 0; u < run.used.size(); ++u) {
        const int c = run.used.at(u);
        const ArgumentType type = run.types.at(u);
        QStringList texts;
        texts.reserve(count);
        bool separatorInside = false;
        for (int r = first; r < first + count; ++r) {
            const QString& v = run.input->value(r, c);
            QString text;
            bool ok = true;
            if (type == StringType) {
                text = v;
                separatorInside = separatorInside || v.contains(Separator);
            } else if (type == NumberType) {
                const double d = toNumber(plainLocale(), v, false, false, &ok);
                if (ok)
                    text = isPlainDecimal(v) ? v : QString::number(d, 'g', 17);
            } else {
                bool truth = false;
                ok = readTruth(v, &truth);
                if (ok)
                    text = truth ? QStringLiteral("1") : QStringLiteral("0");
            }
            if (!ok && ++run.typeErrors <= ShownErrors)
                run.typeLines.append(
                    QStringLiteral("Cannot convert value '%1' in column '%2' row %3 to %4")
                        .arg(v, run.input->columnName(c))
                        .arg(r + 1)
                        .arg(typeName(type)));
            texts.append(text);
        }
        if (!separatorInside) {
            run.columns.setProperty(quint32(u), QJSValue(texts.join(Separator)));
            continue;
        }
        QJSValue array = m_engine->newArray(uint(count));
        for (int i = 0; i < count; ++i)
            array.setProperty(quint32(i), QJSValue(texts.at(i)));
        run.columns.setProperty(quint32(u), array);
    }
}

bool TransformJavascript::callBlock(Run& run, Dataset& output, int first, int count)
{
    QJSValue result;
    try {
        result = m_blockRunner.call({ run.function, run.columns, run.kinds, QJSValue(count),
            QJSValue(QString(Separator)) });
    } catch (const std::bad_alloc&) {
        // A string that outgrows what the engine can hold (doubling one in
        // a loop) is refused with an exception, not with a script error.
        run.outOfMemory = true;
        return false;
    }
    if (m_engine->isInterrupted())
        return false;
    const QStringList texts = result.property(QStringLiteral("text")).toString().split(Separator);
    if (texts.size() == count) {
        for (int i = 0; i < count; ++i)
            output.setValue(first + i, run.outColumn, texts.at(i));
    } else {
        // A result held the separator: fetch them one by one.
        const QJSValue out = result.property(QStringLiteral("out"));
        for (int i = 0; i < count; ++i)
            output.setValue(first + i, run.outColumn, out.property(quint32(i)).toString());
    }
    const qint64 errors = result.property(QStringLiteral("errorCount")).toInt();
    const QJSValue details = result.property(QStringLiteral("errors"));
    const int listed = details.property(QStringLiteral("length")).toInt() / 3;
    for (int e = 0; e < listed && run.jsErrors + e < ShownErrors + 1; ++e) {
        if (run.jsErrors + e == ShownErrors) {
            run.errorLines.append(QStringLiteral("..."));
            break;
        }
        run.errorLines.append(QStringLiteral("%1 at script line %2 for dataset row %3")
                                  .arg(details.property(quint32(3 * e + 1)).toString(),
                                      details.property(quint32(3 * e + 2)).toString())
                                  .arg(first + details.property(quint32(3 * e)).toInt() + 1));
    }
    run.jsErrors += errors;
    return true;
}

// Blocks of rows through the script under a watch that interrupts it on
// Stop, on the command line's time limit and past the memory limit; past the
// limit the user may raise it, and the interrupted block runs again.
void TransformJavascript::runBlocks(Run& run, Dataset& output)
{
    RunContext* const context = runContext();
    const auto maximum = [context] { return context ? context->settings().maxMemoryUsage() : 0.0; };
    ScriptWatch watch(
        m_engine.get(), [context] { return context && context->stopRequested(); },
        [context] { return context ? context->measureMemoryGB() : 0.0; }, maximum());
    const int rows = run.input->rowCount();
    for (int first = 0; first < rows;) {
        if (!reportProgress(first, rows))
            break;
        const int count = qMin(BlockRows, rows - first);
        convertBlock(run, first, count);
        if (callBlock(run, output, first, count)) {
            first += count;
            continue;
        }
        if (run.outOfMemory || !watch.overMemory() || !context || !context->checkMemory())
            break;
        watch.rearm(maximum());
    }
}

void TransformJavascript::reportRun(const Run& run, const QStringList& ambiguous)
{
    for (const QString& line : run.errorLines)
        addWarning(line);
    if (run.jsErrors > 0)
        addWarning(QStringLiteral("%1 Javascript error(s)").arg(formatInteger(run.jsErrors, true)));
    if (run.typeErrors > 0) {
        addWarning(QStringLiteral("%1 type error(s):").arg(formatInteger(run.typeErrors, true)));
        for (const QString& line : run.typeLines)
            addWarning(line);
    }
    if (!ambiguous.isEmpty())
        addWarning(QStringLiteral("Ambiguous column name(s): %1, first column with name used")
                       .arg(ambiguous.join(QStringLiteral(", "))));
}

void TransformJavascript::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    output.clear();
    if (upstream.size() != 1 || !requireParameters({ "New_Name", "Type_As", "Script" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    Run run;
    run.input = &input;
    run.outColumn = output.columnCount();
    output.appendColumn();

    QStringList ambiguous;
    const QString script = rewriteVariables(
        textParameter(QStringLiteral("Script")), input.columnNames(), &run.used, &ambiguous);
    const bool allStrings = selectionParameter(QStringLiteral("Type_As")) == 1;
    QStringList parameterNames;
    QString kinds;
    for (const int c : qAsConst(run.used)) {
        const ArgumentType type = allStrings ? StringType : columnType(input, c);
        run.types.append(type);
        kinds.append(type == NumberType ? QLatin1Char('n')
                : type == BooleanType   ? QLatin1Char('b')
                                        : QLatin1Char('s'));
        parameterNames.append(QStringLiteral("col_%1_var").arg(c + 1));
        addInformation(QStringLiteral("Column '%1' passed as Javascript %2 type")
                           .arg(input.columnName(c), typeName(type)));
    }
    const int rows = input.rowCount();
    QString failure;
    if (!compile(script, parameterNames, &run.function, &failure)) {
        // Said once; every row shows why it has no result.
        addWarning(failure);
        for (int r = 0; r < rows; ++r)
            output.setValue(r, run.outColumn, failure);
        run.jsErrors = rows;
    } else {
        run.kinds = m_engine->newArray(uint(kinds.size()));
        for (int k = 0; k < kinds.size(); ++k)
            run.kinds.setProperty(quint32(k), QJSValue(QString(kinds.at(k))));
        runBlocks(run, output);
    }
    if (run.outOfMemory) {
        // What the engine holds after such a failure is not to be trusted:
        // the next run starts a new one.
        m_blockRunner = QJSValue();
        run.function = QJSValue();
        run.columns = QJSValue();
        run.kinds = QJSValue();
        m_engine.reset();
        addWarning(QStringLiteral("The script ran out of memory"));
        error = true;
    } else if (stopRequested()) {
        // Rows after the stop have no value: the result is not to be used.
        addWarning(QStringLiteral("Javascript was stopped before it finished."));
        error = true;
    }
    reportRun(run, ambiguous);
    const QString name = textParameter(QStringLiteral("New_Name"));
    if (!name.isEmpty())
        output.setColumnName(run.outColumn, name);
    setSummary(
        QStringLiteral("%1 evaluated, %2 Javascript errors")
            .arg(formatInteger(rows - run.jsErrors, true), formatInteger(run.jsErrors, true)));
}
