#include "ui/inputform.h"

#include "core/filetypes.h"
#include "graph/aliases.h"
#include "graph/inputnode.h"
#include "input/delimitedreader.h"
#include "input/fixedwidthformat.h"
#include "input/inputformat.h"
#include "input/reader.h"
#include "input/recordtree.h"
#include "input/workbookformats.h"
#include "ui/encodingguessdialog.h"
#include "ui/folderinputdialog.h"
#include "ui/schemaeditor.h"
#include "ui/sheetchoice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

bool isWorkbook(int fileType)
{
    const InputFormat* format = inputFormat(fileType);
    return format && format->hasSheets();
}

QString widthsText(const QVector<int>& widths)
{
    QStringList parts;
    for (int w : widths)
        parts << QString::number(w);
    return parts.join(QStringLiteral(", "));
}

// Anything that is not a positive number is dropped, as documents do.
// The preview lines with a bar where each column ends, so that the user
// sees where the widths cut.
QString widthsPreview(const QStringList& lines, const QVector<int>& widths)
{
    QStringList shown;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("(+")) && &line == &lines.last()) {
            shown << line;
            continue;
        }
        QString cut;
        int at = 0;
        for (int width : widths) {
            if (at >= line.size())
                break;
            cut += line.mid(at, width).leftJustified(width, QLatin1Char(' ')) + QLatin1Char('|');
            at += width;
        }
        shown << cut;
    }
    return shown.join(QLatin1Char('\n'));
}

QVector<int> parseWidths(const QString& text)
{
    QVector<int> widths;
    const QStringList parts
        = text.split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        bool ok = false;
        const int w = part.toInt(&ok);
        if (ok && w > 0)
            widths << w;
    }
    return widths;
}

} // namespace

InputOptionsForm::InputOptionsForm(InputNode* node, QWidget* parent)
    : IoOptionsForm(node, parent), m_input(node)
{
    buildSourceRows();
    QStringList types;
    for (int type : inputFileTypes())
        types << fileTypeName(type);
    m_type = addCombo(tr("Type"), types, tr("Type"));
    for (int i = 0; i < m_type->count(); ++i)
        m_type->setItemData(i, inputFileTypes().at(i));
    buildTextRows();
    buildRowRows();
    buildMetaRows();
    addFormRow(tr("Schema"), makeSchemaRow());
    m_alias = addLine(tr("Alias"), tr("Alias"));
    m_alias->setToolTip(
        tr("The name by which the command line points this input at another file."));
    load();
}

void InputOptionsForm::buildSourceRows()
{
    m_path = addPath(tr("File"), OpenFile, tr("File"));
    m_worksheet = addLine(tr("Worksheet"), tr("Worksheet"));
    m_worksheet->setPlaceholderText(tr("(first sheet)"));
    m_watching = addCheck(tr("Watch the file for changes"), tr("Watching"));
    m_watching->setToolTip(tr("Read the file again whenever it changes."));
    m_readFolder = addButtons({ tr("Read a Folder Instead...") }).first();
    m_readFolder->setToolTip(tr("Read every matching file of a folder instead of one file."));
    connect(m_readFolder, &QPushButton::clicked, this, &InputOptionsForm::onChooseFolder);

    m_folder = addPath(tr("Folder"), OpenFolder, tr("Folder"));
    m_fileMatch = addLine(tr("File match"), tr("File match"));
    m_fileMatch->setToolTip(tr("Read the files whose names match: '*' stands for any text, "
                               "'?' for any one character; case does not matter."));
    m_sheetMatch = addLine(tr("Sheet match"), tr("Sheet match"));
    m_sheetMatch->setToolTip(tr("Read the sheets of each workbook whose names match."));
    m_recurse = addCheck(tr("Include sub-folders"), tr("Recurse"));
    m_changeFolder = addButtons({ tr("Change Folder...") }).first();
    m_changeFolder->setToolTip(tr("Choose the folder and files, seeing which files match."));
    connect(m_changeFolder, &QPushButton::clicked, this, &InputOptionsForm::onChooseFolder);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(tr("Text"));
    m_text->setMinimumHeight(80);
    addFormRow(tr("Text"), m_text);
    connect(m_text, &QPlainTextEdit::textChanged, this, [this] { onChanged(tr("Text")); });
}

void InputOptionsForm::buildTextRows()
{
    m_delimiter = addCombo(tr("Delimiter"), delimiterNames(), tr("Delimiter"));
    m_customDelimiter = addLine(tr("Custom delimiter"), tr("Custom delimiter"));
    m_customDelimiter->setMaxLength(1);
    m_repeated = addCheck(tr("Ignore repeated delimiters"), tr("ignore repeated delimiters"));
    m_quoting
        = addCombo(tr("Quoting"), { tr("Automatic"), tr("Quoted"), tr("Unquoted") }, tr("Quoting"));
    m_columns = addCombo(tr("Columns"), { tr("Manual"), tr("Automatic") }, tr("Columns"));
    m_widths = addLine(tr("Widths"), tr("Widths"));
    m_widths->setToolTip(tr("The width of each column in characters, separated by commas."));
    m_widths->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9,; ]*")), m_widths));
    m_widthsPreview = new QPlainTextEdit(this);
    m_widthsPreview->setObjectName(tr("Preview"));
    m_widthsPreview->setReadOnly(true);
    m_widthsPreview->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_widthsPreview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_widthsPreview->setMaximumHeight(140);
    m_widthsPreview->setToolTip(tr("The first lines of the last read, cut at the widths."));
    addFormRow(tr("Preview"), m_widthsPreview);
    m_layout = addCombo(
        tr("Format"), { tr("Wide (more columns)"), tr("Long (more rows)") }, tr("Format"));
    m_layout->setToolTip(tr("Wide: each array element becomes a column of its own. "
                            "Long: JSON arrays become rows."));
    m_encoding = addCombo(
        tr("Encoding"), QStringList { QStringLiteral("Automatic") } + encodings(), tr("Encoding"));
    m_guessEncoding = new QPushButton(tr("Guess encoding..."), this);
    m_guessEncoding->setToolTip(tr("Show the three most likely encodings of the file, with the "
                                   "bytes each cannot decode and the lines where they differ."));
    addFormRow(QString(), m_guessEncoding);
    connect(m_guessEncoding, &QPushButton::clicked, this, &InputOptionsForm::onGuessEncoding);
}

void InputOptionsForm::onGuessEncoding()
{
    if (!m_input)
        return;
    const QString path = m_input->filePath();
    QString error;
    const EncodingGuess guess = guessFileEncoding(path, &error);
    if (guess.candidates.isEmpty()) {
        QMessageBox::warning(
            this, tr("Guess Encoding"), tr("Unable to read '%1': %2").arg(path, error));
        return;
    }
    EncodingGuessDialog dialog(path, guess, this);
    if (dialog.exec() == QDialog::Accepted)
        chooseEncoding(dialog.chosenEncoding());
}

void InputOptionsForm::chooseEncoding(const QString& name)
{
    const int index = m_encoding->findText(name, Qt::MatchFixedString);
    if (index >= 0)
        m_encoding->setCurrentIndex(index);
}

void InputOptionsForm::buildRowRows()
{
    m_ignoreRows = addSpin(tr("Ignore first rows"), 0, 999999, tr("Ignore first rows"));
    m_header
        = addCombo(tr("Has header"), { tr("No"), tr("Yes"), tr("Automatic") }, tr("Has header"));
    m_trim = addCheck(tr("Trim whitespace"), tr("trim whitespace"));
    m_simplify = addCheck(tr("Simplify whitespace"), tr("simplify whitespace"));
    m_emptyRows = addCheck(tr("Ignore empty rows"), tr("ignore empty rows"));
    m_emptyColumns = addCheck(tr("Ignore empty columns"), tr("ignore empty columns"));
    m_hiddenRows = addCheck(tr("Ignore hidden Excel rows"), tr("ignore hidden Excel rows"));
    m_hiddenColumns
        = addCheck(tr("Ignore hidden Excel columns"), tr("ignore hidden Excel columns"));
}

void InputOptionsForm::buildMetaRows()
{
    QStringList placements;
    for (int p = MetaNotAdded; p <= MetaEveryRow; ++p)
        placements << metaPlacementName(p);
    m_meta = addCombo(tr("Meta information"), placements, tr("Meta information"));
    m_meta->setToolTip(tr("Add where the data came from, and when it was read."));
    m_metaText = addLine(tr("Meta text"), tr("Meta text"));
    m_metaText->setToolTip(tr("Variables: $(CurrentDateTime), $(CurrentDate), $(ComputerName), "
                              "$(UserName), $(DataRows), $(DataColumns), $(DataValues), "
                              "$(FilePath), $(FolderPath), $(FileName), $(FileSizeBytes), "
                              "$(FileCreatedDateTime), $(FileUpdatedDateTime), "
                              "$(FileCreatedDate), $(FileUpdatedDate), $(FileSheetName)."));
    m_metaColumn = addLine(tr("Meta column name"), tr("Meta column name"));
}

QWidget* InputOptionsForm::makeSchemaRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_schemaInUse = new QCheckBox(tr("Use"), row);
    m_schemaInUse->setObjectName(tr("Schema"));
    m_schemaInUse->setToolTip(tr("Check every read against the expected columns."));
    m_schemaSummary = new QLabel(row);
    m_editSchema = new QPushButton(tr("Edit..."), row);
    m_editSchema->setAutoDefault(false);
    layout->addWidget(m_schemaInUse);
    layout->addWidget(m_schemaSummary, 1);
    layout->addWidget(m_editSchema);
    connect(m_schemaInUse, &QCheckBox::toggled, this, [this] { onChanged(tr("Schema")); });
    connect(m_editSchema, &QPushButton::clicked, this, &InputOptionsForm::onEditSchema);
    return row;
}

void InputOptionsForm::load()
{
    if (!m_input)
        return;
    setLoading(true);
    const InputOptions& o = m_input->options();
    m_path->setText(QDir::toNativeSeparators(m_input->filePath()));
    m_worksheet->setText(m_input->sheetName());
    offerSheets(m_worksheet, m_input->fileType(), m_input->filePath());
    m_watching->setChecked(o.watching);
    m_folder->setText(QDir::toNativeSeparators(o.folder));
    m_fileMatch->setText(o.fileMatch);
    m_sheetMatch->setText(o.sheetMatch);
    m_recurse->setChecked(o.recurse);
    if (m_text->toPlainText() != m_input->clipboardText())
        m_text->setPlainText(m_input->clipboardText());
    selectData(m_type, m_input->fileType());
    loadTextOptions(o);
    m_ignoreRows->setValue(o.ignoredFirstRows);
    m_header->setCurrentIndex(o.hasHeader);
    m_trim->setChecked(o.trimWhitespace);
    m_simplify->setChecked(o.simplifyWhitespace);
    m_emptyRows->setChecked(o.ignoreEmptyRows);
    m_emptyColumns->setChecked(o.ignoreEmptyColumns);
    const WorkbookReadOptions workbook = WorkbookReadOptions::from(o.formatOptions);
    m_hiddenRows->setChecked(workbook.ignoreHiddenRows);
    m_hiddenColumns->setChecked(workbook.ignoreHiddenColumns);
    m_meta->setCurrentIndex(o.metaPlacement);
    m_metaText->setText(o.metaText);
    m_metaColumn->setText(o.metaColumnName);
    m_schema = o.schema;
    m_schemaInUse->setChecked(o.schema.inUse);
    m_alias->setText(o.alias);
    updateSchemaSummary();
    updateRows();
    setLoading(false);
}

void InputOptionsForm::loadTextOptions(const InputOptions& o)
{
    const DelimitedReadOptions delimited = DelimitedReadOptions::from(o.formatOptions);
    m_delimiter->setCurrentIndex(delimited.delimiter);
    m_customDelimiter->setText(QString(m_input->charOption()));
    m_repeated->setChecked(delimited.ignoreRepeatedDelimiters);
    m_quoting->setCurrentIndex(delimited.quoting);
    const FixedWidthReadOptions fixed = FixedWidthReadOptions::from(o.formatOptions);
    m_columns->setCurrentIndex(fixed.automatic ? 1 : 0);
    // Rewriting the field from the stored widths would eat a separator the
    // user has just typed; leave it alone while it says the same.
    if (parseWidths(m_widths->text()) != fixed.widths)
        m_widths->setText(widthsText(fixed.widths));
    m_widthsPreview->setPlainText(widthsPreview(m_input->fixedWidthPreview(), fixed.widths));
    m_layout->setCurrentIndex(
        LayoutReadOptions::from(o.formatOptions).layout == LayoutLong ? 1 : 0);
    const int encoding = m_encoding->findText(o.encoding, Qt::MatchFixedString);
    m_encoding->setCurrentIndex(qMax(0, encoding));
}

void InputOptionsForm::store()
{
    if (!m_input)
        return;
    const QString before = m_input->filePath();
    InputOptions o = m_input->options();
    storeSource(&o);
    storeTextOptions(&o);
    o.ignoredFirstRows = m_ignoreRows->value();
    o.hasHeader = m_header->currentIndex();
    o.trimWhitespace = m_trim->isChecked();
    o.simplifyWhitespace = m_simplify->isChecked();
    o.ignoreEmptyRows = m_emptyRows->isChecked();
    o.ignoreEmptyColumns = m_emptyColumns->isChecked();
    WorkbookReadOptions workbook;
    workbook.ignoreHiddenRows = m_hiddenRows->isChecked();
    workbook.ignoreHiddenColumns = m_hiddenColumns->isChecked();
    workbook.store(&o.formatOptions);
    o.metaPlacement = m_meta->currentIndex();
    o.metaText = m_metaText->text();
    o.metaColumnName = m_metaColumn->text();
    o.schema = m_schema;
    o.schema.inUse = m_schemaInUse->isChecked();
    o.watching = m_watching->isChecked();
    o.alias = m_alias->text().trimmed();
    m_input->setOptions(o);
    if (m_input->filePath() != before && m_input->graph()
        && giveFileAlias(*m_input->graph(), m_input)) {
        const QSignalBlocker quiet(m_alias);
        m_alias->setText(m_input->options().alias);
    }
    updateSchemaSummary();
    updateRows();
}

void InputOptionsForm::storeSource(InputOptions* o)
{
    const int type = m_type->currentData().toInt();
    const QString folder = QDir::fromNativeSeparators(m_folder->text().trimmed());
    if (m_switchToFolder) {
        m_switchToFolder = false;
        m_input->setFolderSource(folder, m_fileMatch->text(), m_recurse->isChecked(), type);
        *o = m_input->options();
    } else if (m_input->medium() == MediumFile) {
        const QString path = QDir::fromNativeSeparators(m_path->text().trimmed());
        if (path != m_input->filePath())
            m_input->setFileSource(path, type);
        m_input->setSheetName(m_worksheet->text().trimmed());
    } else if (m_input->medium() == MediumClipboard
        && m_text->toPlainText() != m_input->clipboardText()) {
        m_input->setClipboardSource(m_text->toPlainText(), type);
    }
    if (m_input->medium() == MediumFolder) {
        o->folder = folder;
        o->fileMatch = m_fileMatch->text().trimmed();
        o->sheetMatch = m_sheetMatch->text().trimmed();
        o->recurse = m_recurse->isChecked();
    }
    m_input->setFormatId(type);
}

void InputOptionsForm::storeTextOptions(InputOptions* o)
{
    const QString custom = m_customDelimiter->text();
    if (!custom.isEmpty())
        m_input->setCharOption(custom.at(0));
    DelimitedReadOptions delimited;
    delimited.delimiter = m_delimiter->currentIndex();
    delimited.ignoreRepeatedDelimiters = m_repeated->isChecked();
    delimited.quoting = m_quoting->currentIndex();
    delimited.store(&o->formatOptions);
    FixedWidthReadOptions fixed;
    fixed.automatic = m_columns->currentIndex() == 1;
    fixed.widths = parseWidths(m_widths->text());
    fixed.store(&o->formatOptions);
    LayoutReadOptions layout;
    layout.layout = m_layout->currentIndex() == 1 ? LayoutLong : LayoutWide;
    layout.store(&o->formatOptions);
    o->encoding = m_encoding->currentText();
}

void InputOptionsForm::updateRows()
{
    const int medium = m_input ? m_input->medium() : MediumFile;
    const int type = m_type->currentData().toInt();
    const bool file = medium == MediumFile;
    const bool folder = medium == MediumFolder;
    const bool workbook = isWorkbook(type) && medium != MediumClipboard;
    for (QWidget* w : QList<QWidget*> { m_path, m_watching, m_readFolder })
        setRowVisible(w, file);
    setRowVisible(m_worksheet, file && workbook);
    for (QWidget* w : QList<QWidget*> { m_folder, m_fileMatch, m_recurse, m_changeFolder })
        setRowVisible(w, folder);
    setRowVisible(m_sheetMatch, folder && workbook);
    setRowVisible(m_text, medium == MediumClipboard);

    const bool delimited = type == FileTypeDelimited;
    for (QWidget* w : QList<QWidget*> { m_delimiter, m_customDelimiter, m_repeated, m_quoting })
        setRowVisible(w, delimited);
    m_customDelimiter->setEnabled(m_delimiter->currentIndex() == DelimiterCustom);
    setRowVisible(m_columns, type == FileTypeFixedWidth);
    setRowVisible(m_widths, type == FileTypeFixedWidth);
    m_widths->setEnabled(m_columns->currentIndex() == 0);
    setRowVisible(
        m_widthsPreview, type == FileTypeFixedWidth && !m_widthsPreview->toPlainText().isEmpty());
    setRowVisible(m_layout, type == FileTypeJson || type == FileTypeXml);
    const InputFormat* format = inputFormat(type);
    setRowVisible(m_encoding, format && format->usesEncoding());
    setRowVisible(m_guessEncoding,
        format && format->usesEncoding() && m_input && m_input->medium() == MediumFile);
    setRowVisible(m_ignoreRows, format && format->usesIgnoredRows());
    setRowVisible(m_header, !format || !format->namesColumns());
    setRowVisible(m_hiddenRows, workbook);
    setRowVisible(m_hiddenColumns, workbook);
    setRowVisible(m_metaText, m_meta->currentIndex() != MetaNotAdded);
    setRowVisible(m_metaColumn, m_meta->currentIndex() == MetaEveryRow);
    applyRowVisibility();
}

void InputOptionsForm::updateSchemaSummary()
{
    const int n = m_schema.columnNames.size();
    m_schemaSummary->setText(n == 0 ? tr("no columns") : tr("%n column(s)", nullptr, n));
    m_schemaSummary->setToolTip(m_schema.columnNames.join(QStringLiteral(", ")));
}

void InputOptionsForm::changeSchema(const InputSchema& schema)
{
    m_schema = schema;
    {
        const QSignalBlocker blocker(m_schemaInUse);
        m_schemaInUse->setChecked(schema.inUse);
    }
    onChanged(tr("Schema"));
}

void InputOptionsForm::onEditSchema()
{
    if (!m_input)
        return;
    InputSchema shown = m_schema;
    shown.inUse = m_schemaInUse->isChecked();
    SchemaEditorDialog dialog(shown, m_input->dataset().columnNames(), this);
    if (dialog.exec() == QDialog::Accepted && dialog.schema() != shown)
        changeSchema(dialog.schema());
}

void InputOptionsForm::changeFolder(const QString& folder, const QString& fileMatch,
    const QString& sheetMatch, bool recurse, int fileType)
{
    if (!m_input)
        return;
    setLoading(true);
    m_folder->setText(QDir::toNativeSeparators(folder));
    m_fileMatch->setText(fileMatch);
    m_sheetMatch->setText(sheetMatch);
    m_recurse->setChecked(recurse);
    selectData(m_type, fileType);
    setLoading(false);
    m_switchToFolder = m_input->medium() != MediumFolder;
    onChanged(tr("Folder"));
}

void InputOptionsForm::onChooseFolder()
{
    if (!m_input)
        return;
    FolderInputDialog dialog(this);
    const int type = m_input->fileType();
    if (m_input->medium() == MediumFolder) {
        const InputOptions& o = m_input->options();
        dialog.setValues(o.folder, o.fileMatch, o.sheetMatch, o.recurse, type);
    } else {
        // Start from the file's own folder and its kind of file.
        const QFileInfo info(QDir::fromNativeSeparators(m_input->filePath()));
        const QString match
            = info.suffix().isEmpty() ? QStringLiteral("*") : QStringLiteral("*.") + info.suffix();
        dialog.setValues(m_input->filePath().isEmpty() ? QString() : info.absolutePath(), match,
            QString(), false, type);
    }
    if (dialog.exec() != QDialog::Accepted)
        return;
    const InputOptions& o = m_input->options();
    if (m_input->medium() == MediumFolder && dialog.folder() == o.folder
        && dialog.fileMatch() == o.fileMatch && dialog.sheetMatch() == o.sheetMatch
        && dialog.recurse() == o.recurse && dialog.fileType() == type)
        return;
    changeFolder(dialog.folder(), dialog.fileMatch(), dialog.sheetMatch(), dialog.recurse(),
        dialog.fileType());
}
