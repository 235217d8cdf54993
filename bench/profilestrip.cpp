// How long the strip of column profiles over the data grid takes to profile
// every row of a 20-column table (1,000,000 rows, or the count given), and
// the longest the window's thread is held meanwhile.

#include "ui/profilestrip.h"
#include "bench/stallwatch.h"
#include "core/dataset.h"
#include "ui/datatableview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

namespace {

// Ten kinds of column twice over: ids, names, cities, e-mails, dates,
// amounts, counts, codes with leading zeros, flags and free text.
Dataset table(int rows)
{
    const QStringList cities { "Paris", "Rome", "Oslo", "Lima", "Kyiv", "Pune", "Graz" };
    Dataset data;
    data.setColumnCount(20);
    QStringList header;
    for (int c = 0; c < 20; ++c)
        header << QStringLiteral("c%1").arg(c);
    data.setHeader(header);
    for (int r = 0; r < rows; ++r) {
        QStringList row;
        for (int half = 0; half < 2; ++half) {
            const int k = r * (half + 1);
            row << QString::number(k) << QStringLiteral("name %1").arg(k % 5000)
                << cities.at(k % cities.size()) << QStringLiteral("user%1@example.org").arg(k)
                << QStringLiteral("2024-%1-%2")
                       .arg(1 + k % 12, 2, 10, QLatin1Char('0'))
                       .arg(1 + k % 28, 2, 10, QLatin1Char('0'))
                << QString::number((k % 100000) / 100.0, 'f', 2) << QString::number(k % 97)
                << QStringLiteral("%1").arg(k % 100000, 5, 10, QLatin1Char('0'))
                << (k % 2 ? QStringLiteral("yes") : QStringLiteral("no"))
                << QStringLiteral("note %1 of the day").arg(k % 300);
        }
        data.appendRow(row);
    }
    return data;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 1000000;
    const Dataset data = table(rows);
    DataTableView view;
    view.resize(1400, 700);
    view.show();

    StallWatch stall;
    QEventLoop loop;
    QObject::connect(view.profileStrip(), &ProfileStrip::profiled, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    view.setDataset(data);
    stall.start();
    loop.exec();
    QTextStream(stdout) << "column profiles of " << rows
                        << " rows x 20 columns: " << clock.elapsed() << " ms, longest window stall "
                        << stall.longestMs() << " ms\n";
    return 0;
}
