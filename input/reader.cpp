#include "input/reader.h"

#include "core/values.h"

#include <QDir>
#include <QFileInfo>

bool ReadProgress::report(qreal fraction) const
{
    if (!callback)
        return true;
    const qreal f = qBound<qreal>(0.0, fraction, 1.0);
    return callback(from + (to - from) * f);
}

QChar delimiterCharacter(int delimiter, const QString& customDelimiter)
{
    switch (delimiter) {
    case DelimiterSemicolon:
        return QLatin1Char(';');
    case DelimiterColon:
        return QLatin1Char(':');
    case DelimiterTab:
        return QLatin1Char('\t');
    case DelimiterPipe:
        return QLatin1Char('|');
    case DelimiterCaret:
        return QLatin1Char('^');
    case DelimiterSpace:
        return QLatin1Char(' ');
    case DelimiterCustom:
        return customDelimiter.isEmpty() ? QChar(QLatin1Char('*')) : customDelimiter.at(0);
    case DelimiterUnitSeparator:
        return QChar(0x1F);
    default:
        return QLatin1Char(',');
    }
}

QString delimiterLabel(int delimiter)
{
    switch (delimiter) {
    case DelimiterAutomatic:
        return QStringLiteral("Automatic");
    case DelimiterSemicolon:
        return QStringLiteral("Semi-colon (;)");
    case DelimiterColon:
        return QStringLiteral("Colon (:)");
    case DelimiterTab:
        return QStringLiteral("Tab (\\t)");
    case DelimiterPipe:
        return QStringLiteral("Pipe (|)");
    case DelimiterCaret:
        return QStringLiteral("Caret (^)");
    case DelimiterSpace:
        return QStringLiteral("Space ( )");
    case DelimiterCustom:
        return QStringLiteral("Custom");
    case DelimiterUnitSeparator:
        return QStringLiteral("Unit separator (0x1F)");
    default:
        return QStringLiteral("Comma (,)");
    }
}

QString quotingLabel(int quoting)
{
    switch (quoting) {
    case QuotingQuoted:
        return QStringLiteral("Quoted");
    case QuotingUnquoted:
        return QStringLiteral("Unquoted");
    default:
        return QStringLiteral("Automatic");
    }
}

bool guessHasHeader(const Dataset& dataset, bool moreRows)
{
    if (dataset.rowCount() < (moreRows ? 1 : 2))
        return false;
    for (const QString& value : dataset.row(0)) {
        bool isNumber = false;
        toNumber(value, false, false, &isNumber);
        if (isNumber)
            return false;
        if (toDateWithFormats(value).isValid())
            return false;
    }
    return true;
}

void applyHeaderOption(ReadResult& result, int hasHeader)
{
    // The rows left are not the first ones: the header was settled before
    // the first rows went.
    if (result.rowsHandedOver)
        return;
    if (hasHeader == HeaderAutomatic)
        hasHeader = guessHasHeader(result.dataset, result.rowsLeftOut > 0) ? HeaderYes : HeaderNo;
    result.hasHeader = hasHeader == HeaderNo ? HeaderNo : HeaderYes;
    if (result.hasHeader == HeaderYes && result.dataset.hasRows())
        result.dataset.setHasHeader(true);
}
