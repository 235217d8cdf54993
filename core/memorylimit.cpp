#include "core/memorylimit.h"

#include "core/settings.h"
#include "core/values.h"

#include <QFile>
#include <QRegularExpression>

namespace {

MemoryPrompt* s_prompt = nullptr;
double (*s_measure)() = nullptr;

double kilobytesOf(const QString& statusText, const QRegularExpression& pattern)
{
    const QRegularExpressionMatch match = pattern.match(statusText);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
}

} // namespace

namespace MemoryLimit {

double memoryGBFromStatus(const QString& statusText)
{
    static const QRegularExpression resident(
        QStringLiteral("^RssAnon:\\s*(\\d+)\\s*kB"), QRegularExpression::MultilineOption);
    static const QRegularExpression swapped(
        QStringLiteral("^VmSwap:\\s*(\\d+)\\s*kB"), QRegularExpression::MultilineOption);
    const double kilobytes = kilobytesOf(statusText, resident) + kilobytesOf(statusText, swapped);
    return kilobytes * 1024.0 / (1024.0 * 1024.0 * 1024.0);
}

double currentMemoryGB()
{
    if (s_measure)
        return s_measure();
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    return memoryGBFromStatus(QString::fromLatin1(status.readAll()));
}

double minimumRaisedMaximum(double maximumGB)
{
    return maximumGB + 0.5;
}

void setPrompt(MemoryPrompt* prompt)
{
    s_prompt = prompt;
}

void setMeasurement(double (*measure)())
{
    s_measure = measure;
}

void check()
{
    const double current = currentMemoryGB();
    Settings& settings = Settings::instance();
    const double maximum = settings.maxMemoryUsage();
    if (current <= maximum)
        return;
    const double raised = s_prompt ? s_prompt->askToContinue(current, maximum) : 0.0;
    if (raised <= 0.0)
        throw MaxMemoryException();
    settings.setMaxMemoryUsage(qMax(raised, minimumRaisedMaximum(maximum)));
}

QString gaugeText(double currentGB, double maximumGB)
{
    const double share = maximumGB > 0 ? currentGB / maximumGB : 0.0;
    return QStringLiteral(" Memory usage: %1 of %2GB")
        .arg(formatPercent(share, 0.1, 1), formatNumber(maximumGB, false, 1, true));
}

QString gaugeToolTip(double currentGB, double maximumGB)
{
    return QStringLiteral("%1 memory used of %2GB maximum. You can increase maximum memory in "
                          "'Preferences'.")
        .arg(formatNumber(currentGB, false, 2, true) + QStringLiteral("GB"),
            formatNumber(maximumGB, false, 1, true));
}

bool gaugeWarns(double currentGB, double maximumGB)
{
    return maximumGB > 0 && currentGB / maximumGB >= 0.75;
}

} // namespace MemoryLimit
