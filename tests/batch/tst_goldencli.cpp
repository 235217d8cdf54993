// Command-line cases kept as files under tests/data/batch/cli (*.case, see
// tests/output/goldencase.h): the built program runs in a work folder that
// holds the case's documents and inputs, with settings of its own, the C
// locale and no display, and its exit code, console and files are compared.
// Keys of their own:
//
//   run: -cli -verbosity 3 {dir}/doc.transform    the arguments, split at
//                         spaces outside double quotes
//   first: ...            a run before it, in the same way, that must end
//                         with exit code 0 (its console is not compared)
//   cwd: elsewhere        the folder it starts in, inside the work folder
//   exit: 255             the exit code (255 is how the shell sees -1)
//   out: / err:           every line of standard output / error, in order;
//                         "*" matches any text, "{version}" the version,
//                         red text shows as <red>...</red>
//   out has:              lines that must come in this order among the rest
//   channels: merged      both streams into "out", to see their order
//   image: chart.png 1024x1024   an image written, and its size
//   lines: run.log        a text file written, line by line as "out:" (its
//                         lines in the indented block below)
#include "clitesting.h"
#include "tests/output/goldencase.h"

#include <QImage>
#include <QRegularExpression>
#include <QtTest>

namespace {

QStringList shown(QStringList lines, const QString& dir)
{
    for (QString& line : lines) {
        line.replace(QStringLiteral("\x1b[31m"), QStringLiteral("<red>"))
            .replace(QStringLiteral("\x1b[0m"), QStringLiteral("</red>"));
        line = GoldenCase::withDir(line, dir);
    }
    return lines;
}

bool matches(const QString& pattern, const QString& line)
{
    QStringList parts = QString(pattern)
                            .replace(QStringLiteral("{version}"), QStringLiteral(VARNIX_VERSION))
                            .split(QLatin1Char('*'));
    for (QString& part : parts)
        part = QRegularExpression::escape(part);
    return QRegularExpression(QRegularExpression::anchoredPattern(parts.join(QStringLiteral(".*"))))
        .match(line)
        .hasMatch();
}

// Every actual line against the expected ones, or with "has" the expected
// lines in order among the actual ones.
QString compareStream(const GoldenCase& c, const QString& key, const QVector<GoldenEntry>& expected,
    const QStringList& actual)
{
    const bool all = !key.endsWith(QLatin1String(" has"));
    int at = 0;
    for (int i = 0; i < expected.size(); ++i) {
        while (!all && at < actual.size() && !matches(expected.at(i).value, actual.at(at)))
            ++at;
        if (at >= actual.size() || !matches(expected.at(i).value, actual.at(at)))
            return c.mismatch(expected.at(i).line, key, expected.at(i).value,
                at < actual.size() || !all
                    ? actual.mid(all ? at : 0).join(QStringLiteral("\n            "))
                    : QStringLiteral("(no more lines)"));
        ++at;
    }
    if (all && at < actual.size())
        return c.mismatch(expected.isEmpty() ? 1 : expected.last().line,
            key + QStringLiteral(" goes on"), QString(), actual.mid(at).join(QLatin1Char('|')));
    return QString();
}

} // namespace

class TestGoldenCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(varnixProgram()), "the varnix program must be built first");
    }
    void cases_data() { addGoldenRows(QStringLiteral(VARNIX_TEST_DATA "/batch/cli"), ".case"); }
    void cases();
};

void TestGoldenCli::cases()
{
    QFETCH(QString, path);
    const GoldenCase c(path);
    QVERIFY2(c.problem().isEmpty(), qPrintable(c.problem()));
    QTemporaryDir work;
    QTemporaryDir config;
    const QString dir = work.path();
    QString error = c.prepare(dir);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" })
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(env);
    const QString cwd = QDir(dir).filePath(c.entry(QStringLiteral("cwd")).value);
    QDir().mkpath(cwd);
    process.setWorkingDirectory(cwd);
    if (c.entry(QStringLiteral("channels")).value == QLatin1String("merged"))
        process.setProcessChannelMode(QProcess::MergedChannels);
    for (const GoldenEntry& first : c.entries(QStringLiteral("first"))) {
        QProcess earlier;
        earlier.setProcessEnvironment(env);
        earlier.setWorkingDirectory(cwd);
        const ProgramRun done = runProgram(earlier,
            QProcess::splitCommand(QString(first.value).replace(QStringLiteral("{dir}"), dir)));
        QVERIFY2(done.exitCode == 0,
            qPrintable(c.mismatch(first.line, QStringLiteral("first run"), QStringLiteral("0"),
                QString::number(done.exitCode) + QLatin1Char(' ') + done.err.join('|'))));
    }
    const GoldenEntry run = c.entry(QStringLiteral("run"));
    const ProgramRun result = runProgram(
        process, QProcess::splitCommand(QString(run.value).replace(QStringLiteral("{dir}"), dir)));

    const GoldenEntry exit = c.entry(QStringLiteral("exit"));
    if (QString::number(result.exitCode) != exit.value)
        error = c.mismatch(exit.line, QStringLiteral("exit code"), exit.value,
            QString::number(result.exitCode) + QLatin1Char(' ') + result.err.join('|'));
    for (const QString& stream : QStringList { QStringLiteral("out"), QStringLiteral("err") }) {
        const QString has = stream + QStringLiteral(" has");
        if (error.isEmpty())
            error
                = compareStream(c, c.has(has) ? has : stream, c.entries(c.has(has) ? has : stream),
                    shown(stream == QLatin1String("out") ? result.out : result.err, dir));
    }
    for (const GoldenEntry& file : c.entries(QStringLiteral("lines"))) {
        QVector<GoldenEntry> expected;
        for (int i = 0; i < file.block.size(); ++i)
            expected.append({ file.line + i + 1, file.value, file.block.at(i), {} });
        if (error.isEmpty())
            error = compareStream(c, file.value, expected,
                shown(consoleLines(readFile(QDir(dir).filePath(file.value))), dir));
    }
    for (const GoldenEntry& image : c.entries(QStringLiteral("image"))) {
        const QSize size = QImage(QDir(dir).filePath(image.value.section(' ', 0, 0))).size();
        const QString actual = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        if (error.isEmpty() && actual != image.value.section(' ', 1))
            error = c.mismatch(image.line, QStringLiteral("image size"), image.value, actual);
    }
    if (error.isEmpty())
        error = c.compareFolder(dir);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestGoldenCli)
#include "tst_goldencli.moc"
