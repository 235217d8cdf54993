// The installed manual page against the program's -help: every option, with
// its value, in both and in the same order.
#include "batch/commandline.h"
#include "clitesting.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

// "-word <value>" of each option line of the help text's option list.
QStringList helpOptions(const QString& help)
{
    QStringList options;
    const QString list
        = help.section(QStringLiteral("Options:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
    static const QRegularExpression line(
        QStringLiteral("^  (-[\\w-]+)( <[^>]+>)?"), QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(list); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        options << m.captured(1) + m.captured(2);
    }
    return options;
}

// The same from the tagged paragraphs of the page's OPTIONS section, read the
// way man sets them: font changes dropped, \- a minus sign, quotes removed.
QStringList manualOptions(const QString& page)
{
    QStringList options;
    const QString section = page.section(QStringLiteral("\n.SH OPTIONS\n"), 1)
                                .section(QStringLiteral("\n.SH "), 0, 0);
    const QStringList lines = section.split(QLatin1Char('\n'));
    for (int i = 0; i + 1 < lines.size(); ++i) {
        if (lines.at(i) != QLatin1String(".TP"))
            continue;
        QString tag = lines.at(i + 1);
        tag.remove(QRegularExpression(QStringLiteral("^\\.BI? ")));
        tag.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
        tag.replace(QLatin1String("\\-"), QLatin1String("-")).remove(QLatin1Char('"'));
        options << tag.simplified();
    }
    return options;
}

} // namespace

class TestManualPage : public QObject
{
    Q_OBJECT

private slots:
    void sameOptionsAsHelp();
};

void TestManualPage::sameOptionsAsHelp()
{
    QProcess process;
    process.start(varnixProgram(), { QStringLiteral("-help") });
    QVERIFY(process.waitForFinished(60000));
    const QStringList help = helpOptions(QString::fromUtf8(process.readAllStandardOutput()));

    QFile file(QStringLiteral(VARNIX_MANUAL_PAGE));
    QVERIFY2(file.open(QIODevice::ReadOnly), VARNIX_MANUAL_PAGE);
    const QStringList manual = manualOptions(QString::fromUtf8(file.readAll()));

    QVERIFY(!help.isEmpty());
    QCOMPARE(manual, help);
    // A documented option the parser does not know would be a trap for users.
    for (const QString& option : help) {
        QStringList arguments = { option.section(QLatin1Char(' '), 0, 0) };
        if (option.contains(QLatin1Char('<')))
            arguments << (option.contains(QLatin1Char('=')) ? QStringLiteral("a=b")
                                                            : QStringLiteral("2"));
        QVERIFY2(CommandLine::parse(arguments).isValid(), qPrintable(option));
    }
}

QTEST_GUILESS_MAIN(TestManualPage)
#include "tst_manualpage.moc"
