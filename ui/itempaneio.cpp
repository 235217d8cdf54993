#include "ui/itempaneio.h"
#include "ui/filefilters.h"

#include "core/filetypes.h"
#include "graph/aliases.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "input/reader.h"
#include "output/outputformat.h"
#include "output/workbookformats.h"
#include "output/writer.h"
#include "ui/inputform.h"
#include "ui/itempaneoptions.h"
#include "ui/optiontips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <QToolButton>
#include <initializer_list>

QList<int> inputFileTypes()
{
    return { FileTypeDelimited, FileTypeExcelXlsx, FileTypeExcelXls, FileTypeFixedWidth,
        FileTypeJson, FileTypeXml, FileTypeVCard, FileTypePlainText };
}

void IoOptionsForm::selectData(QComboBox* combo, const QVariant& data)
{
    const int found = combo->findData(data);
    combo->setCurrentIndex(found >= 0 ? found : 0);
}

IoOptionsForm::IoOptionsForm(Node* node, QWidget* parent)
    : QWidget(parent), m_form(new QFormLayout(this)), m_node(node)
{
    m_form->setContentsMargins(0, 0, 0, 0);
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
}

QStringList IoOptionsForm::delimiterNames()
{
    return { tr("Automatic"), tr("Comma"), tr("Semicolon"), tr("Colon"), tr("Tab"), tr("Pipe"),
        tr("Caret"), tr("Space"), tr("Custom"), tr("Unit separator") };
}

QStringList IoOptionsForm::encodings()
{
    return { QStringLiteral("UTF-8"), QStringLiteral("UTF-16LE"), QStringLiteral("UTF-16BE"),
        QStringLiteral("ISO-8859-1"), QStringLiteral("Windows-1252"), QStringLiteral("System") };
}

void IoOptionsForm::onChanged(const QString& field)
{
    if (m_loading || !m_node)
        return;
    auto* scene = m_node->graph();
    if (scene && scene->isProcessing()) {
        // The run may be reading the options: the edit waits for its end,
        // unless the form has moved on to another item by then.
        scene->whenIdle(this, [this, field, node = m_node] {
            if (m_node == node)
                onChanged(field);
        });
        return;
    }
    if (scene && field != m_undoField) {
        scene->recordSnapshot(tr("change '%1'").arg(field));
        m_undoField = field;
    }
    store();
    if (scene)
        scene->onSourceChangedDelayed(m_node);
    else
        m_node->setStatus(StatusNeedsUpdating, true);
}

QComboBox* IoOptionsForm::addCombo(
    const QString& label, const QStringList& items, const QString& field)
{
    auto* combo = new QComboBox(this);
    combo->setObjectName(field);
    for (int i = 0; i < items.size(); ++i)
        combo->addItem(items.at(i), i);
    addFormRow(label, combo);
    connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        [this, field] { onChanged(field); });
    return combo;
}

QCheckBox* IoOptionsForm::addCheck(const QString& label, const QString& field)
{
    auto* check = new QCheckBox(label, this);
    check->setObjectName(field);
    addFormRow(QString(), check);
    connect(check, &QCheckBox::toggled, this, [this, field] { onChanged(field); });
    return check;
}

QLineEdit* IoOptionsForm::addLine(const QString& label, const QString& field)
{
    auto* line = new QLineEdit(this);
    line->setObjectName(field);
    addFormRow(label, line);
    connect(line, &QLineEdit::textEdited, this, [this, field] { onChanged(field); });
    return line;
}

QSpinBox* IoOptionsForm::addSpin(
    const QString& label, int minimum, int maximum, const QString& field)
{
    auto* spin = new QSpinBox(this);
    spin->setObjectName(field);
    spin->setRange(minimum, maximum);
    addFormRow(label, spin);
    connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), this,
        [this, field] { onChanged(field); });
    return spin;
}

QLineEdit* IoOptionsForm::addPath(const QString& label, PathKind kind, const QString& field)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* line = new QLineEdit(row);
    line->setObjectName(field);
    auto* browse = new QToolButton(row);
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(kind == OpenFolder ? tr("Choose the folder.") : tr("Choose the file."));
    layout->addWidget(line, 1);
    layout->addWidget(browse);
    addFormRow(label, row);
    // Typing a path changes the source once the field is left, not on
    // every keystroke (each would try to read a half-typed file name).
    connect(line, &QLineEdit::editingFinished, this, [this, line, field] {
        if (line->isModified()) {
            line->setModified(false);
            onChanged(field);
        }
    });
    connect(browse, &QToolButton::clicked, this, [this, line, kind, field] {
        QString path;
        if (kind == SaveFile)
            path = QFileDialog::getSaveFileName(
                this, tr("Output File"), line->text(), FileFilters::outputFilters());
        else if (kind == OpenFolder)
            path = QFileDialog::getExistingDirectory(this, tr("Input Folder"), line->text());
        else
            path = QFileDialog::getOpenFileName(
                this, tr("Input File"), line->text(), FileFilters::inputFilters());
        if (path.isEmpty())
            return;
        line->setText(QDir::toNativeSeparators(path));
        onChanged(field);
    });
    return line;
}

QList<QPushButton*> IoOptionsForm::addButtons(const QStringList& texts)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QList<QPushButton*> buttons;
    for (const QString& text : texts) {
        auto* button = new QPushButton(text, row);
        button->setAutoDefault(false);
        layout->addWidget(button);
        buttons << button;
    }
    layout->addStretch(1);
    addFormRow(QString(), row, true);
    return buttons;
}

void IoOptionsForm::addFormRow(const QString& label, QWidget* field, bool besideLabels)
{
    // A path row is the field and its browse button: the tip goes to the field.
    QWidget* named = field->objectName().isEmpty() ? field->findChild<QLineEdit*>() : field;
    if (named && named->toolTip().isEmpty())
        named->setToolTip(optionTip(named->objectName()));
    FormRow row { nullptr, field };
    if (!label.isEmpty()) {
        auto* l = new QLabel(label, this);
        l->setBuddy(field);
        row.label = l;
        m_form->addRow(l, field);
    } else if (besideLabels) {
        m_form->addRow(QString(), field);
    } else {
        m_form->addRow(field);
    }
    row.besideLabels = besideLabels;
    m_rows.append(row);
}

void IoOptionsForm::setRowVisible(QWidget* w, bool visible)
{
    for (FormRow& row : m_rows) {
        if (row.field == w || row.field->isAncestorOf(w))
            row.wanted = visible;
    }
}

void IoOptionsForm::applyRowVisibility()
{
    bool same = true;
    for (const FormRow& row : m_rows)
        same = same && row.wanted == row.shown;
    if (same)
        return;
    // A hidden widget keeps its row's spacing in a form layout, so hidden
    // rows are taken out of it and the shown ones put back in order.
    while (m_form->rowCount() > 0) {
        const QFormLayout::TakeRowResult taken = m_form->takeRow(0);
        delete taken.labelItem;
        delete taken.fieldItem;
    }
    for (FormRow& row : m_rows) {
        row.shown = row.wanted;
        if (row.label)
            row.label->setVisible(row.shown);
        row.field->setVisible(row.shown);
        if (!row.shown)
            continue;
        if (row.label)
            m_form->addRow(row.label, row.field);
        else if (row.besideLabels)
            m_form->addRow(QString(), row.field);
        else
            m_form->addRow(row.field);
    }
}

// Output

OutputOptionsForm::OutputOptionsForm(OutputNode* node, QWidget* parent)
    : IoOptionsForm(node, parent), m_output(node)
{
    m_path = addPath(tr("File"), SaveFile, tr("File"));
    QStringList types;
    for (int type = 0; type < FileTypeCount; ++type)
        types << fileTypeName(type);
    m_type = addCombo(tr("Type"), types, tr("Type"));
    m_writeMode = addCombo(tr("Write mode"),
        { tr("Disabled"), tr("Overwrite"), tr("Append"), tr("New") }, tr("Write mode"));
    QStringList delimiters = delimiterNames();
    delimiters.removeFirst(); // output needs a definite delimiter
    m_delimiter = addCombo(tr("Delimiter"), delimiters, tr("Delimiter"));
    for (int i = 0; i < m_delimiter->count(); ++i)
        m_delimiter->setItemData(i, i + 1);
    m_customDelimiter = addLine(tr("Custom delimiter"), tr("Custom delimiter"));
    m_customDelimiter->setMaxLength(1);
    m_quoting
        = addCombo(tr("Quoting"), { tr("As needed"), tr("Always"), tr("Never") }, tr("Quoting"));
    m_lineEnding = addCombo(tr("Line endings"),
        { tr("Automatic"), tr("Windows (CRLF)"), tr("Mac\\Unix (LF)"), tr("Old Mac (CR)"),
            tr("Record separator (0x1E)") },
        tr("Line endings"));
    m_encoding = addCombo(tr("Encoding"), encodings(), tr("Encoding"));
    m_bom = addCheck(tr("Byte order mark"), tr("byte order mark"));
    m_header = addCheck(tr("Write header"), tr("write header"));
    m_sheetMode = addCombo(
        tr("Excel overwrite mode"), { tr("File"), tr("Sheet") }, tr("Excel overwrite mode"));
    m_sheetMode->setToolTip(tr("Replace the whole workbook, or only the named sheet."));
    m_formatting = addCombo(
        tr("Formatting"), { tr("Automatic"), tr("General"), tr("Manual") }, tr("Formatting"));
    m_useTemplate = addCheck(tr("Use a sheet as a style template"), tr("Excel style template"));
    m_template = addLine(tr("Style template"), tr("Style template"));
    m_template->setToolTip(tr("The workbook and sheet to copy the styling from, as path[sheet]."));
    m_alias = addLine(tr("Alias"), tr("Alias"));
    m_alias->setToolTip(
        tr("The name by which the command line points this output at another file."));
    load();
}

namespace {

bool isWorkbookType(int fileType)
{
    const OutputFormat* format = outputFormat(fileType);
    return format && format->hasSheets();
}

} // namespace

// Workbooks have no delimiter, quoting or line endings; text files have no
// sheets or cell formats.
void OutputOptionsForm::updateRows(int fileType)
{
    const bool workbook = isWorkbookType(fileType);
    const std::initializer_list<QWidget*> textRows
        = { m_delimiter, m_customDelimiter, m_quoting, m_lineEnding, m_encoding, m_bom };
    const std::initializer_list<QWidget*> workbookRows
        = { m_sheetMode, m_formatting, m_useTemplate, m_template };
    for (QWidget* w : textRows)
        setRowVisible(w, !workbook);
    for (QWidget* w : workbookRows)
        setRowVisible(w, workbook);
    m_template->setEnabled(m_useTemplate->isChecked());
    applyRowVisibility();
}

void OutputOptionsForm::load()
{
    if (!m_output)
        return;
    setLoading(true);
    const OutputOptions& o = m_output->options();
    m_path->setText(QDir::toNativeSeparators(m_output->filePath()));
    m_type->setCurrentIndex(qBound(0, m_output->fileType(), FileTypeCount - 1));
    m_writeMode->setCurrentIndex(o.writeMode);
    const DelimitedWriteOptions delimited = DelimitedWriteOptions::from(o.formatOptions);
    selectData(m_delimiter, delimited.delimiter);
    m_customDelimiter->setText(QString(m_output->charOption()));
    m_quoting->setCurrentIndex(delimited.quoting);
    m_lineEnding->setCurrentIndex(o.lineEnding);
    m_encoding->setCurrentIndex(qMax(0, m_encoding->findText(o.encoding, Qt::MatchFixedString)));
    m_bom->setChecked(o.byteOrderMark);
    m_header->setChecked(o.writeHeader);
    m_alias->setText(o.alias);
    m_customDelimiter->setEnabled(delimited.delimiter == DelimiterCustom);
    const WorkbookOutputOptions workbook = WorkbookOutputOptions::from(o.formatOptions);
    m_sheetMode->setCurrentIndex(workbook.replaceSheetOnly ? 1 : 0);
    m_formatting->setCurrentIndex(workbook.formatting);
    m_useTemplate->setChecked(workbook.useStyleTemplate);
    m_template->setText(workbook.styleTemplatePath);
    updateRows(m_output->fileType());
    setLoading(false);
}

void OutputOptionsForm::store()
{
    if (!m_output)
        return;
    const QString before = m_output->filePath();
    m_output->setFilePath(QDir::fromNativeSeparators(m_path->text().trimmed()));
    m_output->setFormatId(m_type->currentIndex());
    const QString custom = m_customDelimiter->text();
    if (!custom.isEmpty())
        m_output->setCharOption(custom.at(0));
    OutputOptions o = m_output->options();
    o.writeMode = m_writeMode->currentIndex();
    DelimitedWriteOptions delimited;
    delimited.delimiter = m_delimiter->currentData().toInt();
    delimited.quoting = m_quoting->currentIndex();
    delimited.store(&o.formatOptions);
    o.lineEnding = m_lineEnding->currentIndex();
    o.encoding = m_encoding->currentText();
    o.byteOrderMark = m_bom->isChecked();
    o.writeHeader = m_header->isChecked();
    o.alias = m_alias->text().trimmed();
    if (isWorkbookType(m_type->currentIndex())) {
        WorkbookOutputOptions workbook = WorkbookOutputOptions::from(o.formatOptions);
        workbook.replaceSheetOnly = m_sheetMode->currentIndex() == 1;
        workbook.formatting = m_formatting->currentIndex();
        workbook.useStyleTemplate = m_useTemplate->isChecked();
        workbook.styleTemplatePath = m_template->text().trimmed();
        workbook.store(&o.formatOptions);
    }
    m_output->setOptions(o);
    if (m_output->filePath() != before && m_output->graph()
        && giveFileAlias(*m_output->graph(), m_output)) {
        const QSignalBlocker quiet(m_alias);
        m_alias->setText(m_output->options().alias);
    }
    m_customDelimiter->setEnabled(delimited.delimiter == DelimiterCustom);
    updateRows(m_type->currentIndex());
}

void registerIoOptionsForms()
{
    ItemPaneOptions::registerFormFactory(
        InputNodeType, [](Node* node, QWidget* parent) -> QWidget* {
            auto* input = qobject_cast<InputNode*>(node);
            return input ? new InputOptionsForm(input, parent) : nullptr;
        });
    ItemPaneOptions::registerFormFactory(
        OutputNodeType, [](Node* node, QWidget* parent) -> QWidget* {
            auto* output = qobject_cast<OutputNode*>(node);
            return output ? new OutputOptionsForm(output, parent) : nullptr;
        });
}
