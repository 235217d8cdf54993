// Reading speed of the delimited-text reader on a generated file of
// realistic rows: names, e-mail addresses, places, dates, amounts and free
// notes, some of them quoted with commas and doubled quotes inside.
#include "core/dataset.h"
#include "core/values.h"
#include "input/delimitedreader.h"

#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int GeneratedRows = 200000;

QString makeNote(QRandomGenerator& random)
{
    static const QStringList words { "order", "delivered", "late", "customer", "called", "invoice",
        "refund", "please", "review", "address", "shipping", "pending", "returned", "loyal",
        "discount" };
    const int kind = random.bounded(10);
    if (kind < 3)
        return QString();
    QStringList note;
    const int count = 2 + random.bounded(6);
    for (int i = 0; i < count; ++i)
        note.append(words.at(random.bounded(words.size())));
    if (kind == 8)
        note[0] += QLatin1Char(',');
    if (kind == 9)
        note[1] = QLatin1Char('"') + note[1] + QLatin1Char('"');
    return note.join(QLatin1Char(' '));
}

QString makeRow(QRandomGenerator& random, int id, QChar delimiter)
{
    static const QStringList first { "James", "Mary", "Robert", "Patricia", "John", "Jennifer",
        "Michael", "Linda", "Lukas", "Sofia", "Mateo", "Yuki", "Chen", "Priya", "Omar", "Leila" };
    static const QStringList last { "Anderson", "Berg", "Carr", "Fairfield", "Goldman", "Hart",
        "Lindqvist", "Moreno", "Oakley", "Stanton", "Westwood" };
    static const QStringList countries { "United States", "Germany", "France", "Italy", "Spain",
        "Canada", "Brazil", "Japan", "India" };
    const QString firstName = first.at(random.bounded(first.size()));
    const QString lastName = last.at(random.bounded(last.size()));
    QStringList values { QString::number(id), firstName, lastName,
        firstName.toLower() + QLatin1Char('.') + lastName.toLower()
            + QString::number(random.bounded(100)) + QStringLiteral("@example.org"),
        QStringLiteral("City %1").arg(random.bounded(800)),
        countries.at(random.bounded(countries.size())),
        QStringLiteral("20%1-%2-%3")
            .arg(15 + random.bounded(10))
            .arg(1 + random.bounded(12), 2, 10, QLatin1Char('0'))
            .arg(1 + random.bounded(28), 2, 10, QLatin1Char('0')),
        QString::number(0.5 + random.bounded(500000) / 100.0, 'f', 2),
        QString::number(1 + random.bounded(50)), makeNote(random) };
    for (QString& value : values)
        value = quoteAsNeeded(value, delimiter);
    return values.join(delimiter);
}

// The generated files live for the whole benchmark run.
struct GeneratedFiles
{
    QTemporaryDir dir;
    QString csv;
    QString tsv;
    QString csvText;

    GeneratedFiles()
    {
        csv = dir.filePath(QStringLiteral("people.csv"));
        tsv = dir.filePath(QStringLiteral("people.tsv"));
        csvText = write(csv, QLatin1Char(','));
        write(tsv, QLatin1Char('\t'));
    }

    QString write(const QString& path, QChar delimiter) const
    {
        QRandomGenerator random(20240501);
        QStringList lines { QStringLiteral("id,first_name,last_name,email,city,country,"
                                           "signup_date,amount,quantity,notes")
                                .replace(QLatin1Char(','), delimiter) };
        for (int id = 1; id <= GeneratedRows; ++id)
            lines.append(makeRow(random, id, delimiter));
        const QString text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
            qFatal("cannot write %s", qPrintable(path));
        return text;
    }
};

const GeneratedFiles& generated()
{
    static const GeneratedFiles files;
    return files;
}

void reportRows(benchmark::State& state, qint64 rows, qint64 characters)
{
    state.counters["rows/s"] = benchmark::Counter(double(rows), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(characters);
}

// Automatic delimiter, quoting and encoding, trimming and simplifying on:
// what a new Input item does.
void readFile(benchmark::State& state, const QString& path, bool pooling)
{
    ReadOptions options;
    options.pooling = pooling;
    qint64 rows = 0;
    for (auto _ : state) {
        ReadResult result = readTextFile(path, options);
        if (!result.ok())
            state.SkipWithError("read failed");
        // An Input item lets go of the pools once its result is complete.
        result.dataset.dropPools();
        rows += result.dataset.rowCount();
        benchmark::DoNotOptimize(result);
    }
    reportRows(state, rows, qint64(state.iterations()) * QFile(path).size());
}

void BM_ReadCsv(benchmark::State& state)
{
    readFile(state, generated().csv, true);
}

void BM_ReadCsvWithoutPooling(benchmark::State& state)
{
    readFile(state, generated().csv, false);
}

void BM_ReadTsvUnquoted(benchmark::State& state)
{
    readFile(state, generated().tsv, true);
}

void BM_ReadPastedCsv(benchmark::State& state)
{
    const QString& text = generated().csvText;
    qint64 rows = 0;
    for (auto _ : state) {
        ReadResult result = readPastedText(text, ReadOptions());
        result.dataset.dropPools();
        rows += result.dataset.rowCount();
        benchmark::DoNotOptimize(result);
    }
    reportRows(state, rows, qint64(state.iterations()) * text.size());
}

} // namespace

BENCHMARK(BM_ReadCsv)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadCsvWithoutPooling)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadTsvUnquoted)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadPastedCsv)->Unit(benchmark::kMillisecond)->MinTime(2.0);
