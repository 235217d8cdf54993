// The workbook input formats, .xlsx and .xls: one sheet of a workbook as a
// table. The two differ only in the reader of the file.

#include "input/workbookformats.h"
#include "core/optionmap.h"

#include "input/inputformat.h"
#include "input/xlsreader.h"
#include "input/xlsxreader.h"

#include <QFileInfo>

namespace {

const QString KeyHiddenColumns = QStringLiteral("ignore_excel_hidden_cols");
const QString KeyHiddenRows = QStringLiteral("ignore_excel_hidden_rows");

} // namespace

WorkbookReadOptions WorkbookReadOptions::from(const QVariantMap& map)
{
    WorkbookReadOptions o;
    o.ignoreHiddenRows = OptionMap::readBool(map, KeyHiddenRows, false);
    o.ignoreHiddenColumns = OptionMap::readBool(map, KeyHiddenColumns, false);
    return o;
}

void WorkbookReadOptions::store(QVariantMap* map) const
{
    map->insert(KeyHiddenColumns, int(ignoreHiddenColumns));
    map->insert(KeyHiddenRows, int(ignoreHiddenRows));
}

namespace {

template <typename Book, int Type> class WorkbookInputFormat : public InputFormat
{
public:
    int fileType() const override { return Type; }
    bool usesEncoding() const override { return false; }
    bool usesIgnoredRows() const override { return true; }
    bool readsFile() const override { return true; }
    bool hasSheets() const override { return true; }

    void saveOptions(const QVariantMap& options, QVariantMap* stored) const override
    {
        WorkbookReadOptions::from(options).store(stored);
    }

    void restoreOptions(const QVariantMap& stored, QVariantMap* options) const override
    {
        WorkbookReadOptions::from(stored).store(options);
    }

    SummaryRows trailingSummary(const ReadOptions& options) const override
    {
        const WorkbookReadOptions o = WorkbookReadOptions::from(options.formatOptions);
        return { qMakePair(QStringLiteral("Ignore hidden Excel rows"),
                     OptionMap::yesNo(o.ignoreHiddenRows)),
            qMakePair(QStringLiteral("Ignore hidden Excel columns"),
                OptionMap::yesNo(o.ignoreHiddenColumns)) };
    }

    bool parse(
        TextSource&, const ReadOptions&, const ReadProgress&, ReadResult* result) const override
    {
        // Never called: pasted cells of a sheet are read as delimited text.
        result->fail(QStringLiteral("A workbook cannot be read from text"));
        return false;
    }

    bool readFile(const QString& path, const QString& sheet, const ReadOptions& options,
        const ReadProgress& progress, ReadResult* result) const override
    {
        const QString file = path.trimmed();
        if (file.isEmpty() || !QFileInfo::exists(file)) {
            result->error = true;
            return false;
        }
        Book book;
        if (!book.load(file)) {
            result->fail(QStringLiteral("Unable to load Excel workbook '%1' information.")
                             .arg(displayPath(file)));
            return false;
        }
        const int index = chooseWorkbookSheet(book.sheets(), sheet);
        if (index < 0) {
            result->fail(QStringLiteral("Sheet '%1' not found.").arg(sheet));
            return false;
        }
        WorkbookSheet cells;
        WorkbookTableBuilder table(options, progress, result, book.date1904());
        table.attach(&cells);
        if (book.sheets().at(index).isWorksheet && !book.readSheet(index, &cells)) {
            result->fail(QStringLiteral("Unable to load Excel workbook '%1' information.")
                             .arg(displayPath(file)));
            return false;
        }
        if (result->stopped)
            return false;
        result->information << QStringLiteral("Read sheet '%1[%2]'")
                                   .arg(displayPath(file), book.sheets().at(index).name);
        return table.finish(cells);
    }

    QStringList listSheets(const QString& path, const QString& wildcard) const override
    {
        Book book;
        if (!book.load(path.trimmed()))
            return {};
        QVector<bool> hasCells;
        for (int i = 0; i < book.sheets().size(); ++i) {
            WorkbookSheet cells;
            hasCells << (book.sheets().at(i).isWorksheet && book.readSheet(i, &cells)
                && !cells.rows.isEmpty());
        }
        return matchWorkbookSheets(book.sheets(), hasCells, wildcard);
    }
};

} // namespace

const InputFormat& xlsxInputFormat()
{
    static const WorkbookInputFormat<XlsxBook, FileTypeExcelXlsx> format;
    return format;
}

const InputFormat& xlsInputFormat()
{
    static const WorkbookInputFormat<XlsBook, FileTypeExcelXls> format;
    return format;
}
