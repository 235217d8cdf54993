#include "core/memorylimit.h"

#include "core/values.h"

#include <QByteArray>
#include <QList>

#include <fcntl.h>
#include <unistd.h>

namespace MemoryLimit {

double memoryGBFromStatm(const QByteArray& statm, long pageSize)
{
    // Fields: size resident shared text lib data dt, in pages; resident
    // minus shared is the anonymous memory the process itself allocated.
    const QList<QByteArray> fields = statm.trimmed().split(' ');
    if (fields.size() < 3)
        return 0.0;
    const double pages = fields.at(1).toDouble() - fields.at(2).toDouble();
    return qMax(0.0, pages) * double(pageSize) / (1024.0 * 1024.0 * 1024.0);
}

double currentMemoryGB()
{
    static const long pageSize = sysconf(_SC_PAGESIZE);
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0.0;
    char buffer[128];
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (n <= 0)
        return 0.0;
    return memoryGBFromStatm(QByteArray(buffer, int(n)), pageSize);
}

double minimumRaisedMaximum(double maximumGB)
{
    return maximumGB + 0.5;
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
