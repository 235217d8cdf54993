#include "ui/sheetchoice.h"

#include "input/inputformat.h"
#include "input/inputsource.h"

#include <QCompleter>
#include <QLineEdit>

void offerSheets(QLineEdit* line, int fileType, const QString& filePath)
{
    const InputFormat* format = inputFormat(fileType);
    QStringList sheets;
    if (format && format->readsFile()) {
        QString path;
        QString named;
        splitWorkbookPath(filePath.trimmed(), &path, &named);
        sheets = format->listSheets(path, QString());
    }
    auto* completer = new QCompleter(sheets, line);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    line->setCompleter(completer);
    // A sheet picked from the list sets the text without an edit of the
    // user's, which is what the forms store and process on.
    QObject::connect(completer, QOverload<const QString&>::of(&QCompleter::activated), line,
        [line](const QString& sheet) { emit line->textEdited(sheet); });
    line->setToolTip(sheets.isEmpty()
            ? QObject::tr("Worksheet")
            : QObject::tr("Sheets: %1").arg(sheets.join(QStringLiteral(", "))));
}
