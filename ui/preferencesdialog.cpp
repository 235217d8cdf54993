#include "ui/preferencesdialog.h"

#include "core/filetypes.h"
#include "ui/editors/simpleeditors.h"
#include "ui/windowsettings.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFont>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The on/off and numbered-choice preferences, read and written through the
// store's typed accessors so each keeps its own default.
struct BoolPreference
{
    const char* key;
    bool (WindowSettings::*get)() const;
    void (WindowSettings::*set)(bool);
};

struct IntPreference
{
    const char* key;
    int (WindowSettings::*get)() const;
    void (WindowSettings::*set)(int);
};

const BoolPreference BoolPreferences[] = {
    { "warn_on_locale_change", &WindowSettings::warnOnLocaleChange,
        &WindowSettings::setWarnOnLocaleChange },
    { "beep_after_processing", &WindowSettings::beepAfterProcessing,
        &WindowSettings::setBeepAfterProcessing },
    { "batch_clear_before_append", &WindowSettings::batchClearBeforeAppend,
        &WindowSettings::setBatchClearBeforeAppend },
    { "batch_completion_sound", &WindowSettings::batchCompletionSound,
        &WindowSettings::setBatchCompletionSound },
    { "show_warnings", &WindowSettings::showWarnings, &WindowSettings::setShowWarnings },
    { "show_comments", &WindowSettings::showComments, &WindowSettings::setShowComments },
    { "auto_move_notes", &WindowSettings::autoMoveNotes, &WindowSettings::setAutoMoveNotes },
    { "use_native_file_dialogs", &WindowSettings::useNativeFileDialogs,
        &WindowSettings::setUseNativeFileDialogs },
    { "gray_left_pane_buttons", &WindowSettings::grayLeftPaneButtons,
        &WindowSettings::setGrayLeftPaneButtons },
    { "show_changes", &WindowSettings::showChanges, &WindowSettings::setShowChanges },
    { "show_advanced_transforms", &WindowSettings::showAdvancedTransforms,
        &WindowSettings::setShowAdvancedTransforms },
};

const IntPreference IntPreferences[] = {
    { "optimize_for", &WindowSettings::optimizeFor, &WindowSettings::setOptimizeFor },
    { "copy_data_as", &WindowSettings::copyDataAs, &WindowSettings::setCopyDataAs },
    { "open_auto_run", &WindowSettings::openAutoRun, &WindowSettings::setOpenAutoRun },
    { "open_previous_at_start", &WindowSettings::openPreviousAtStart,
        &WindowSettings::setOpenPreviousAtStart },
    { "ui_theme", &WindowSettings::uiTheme, &WindowSettings::setUiTheme },
    { "toolbar_icon_size", &WindowSettings::toolbarIconSize, &WindowSettings::setToolbarIconSize },
    { "mouse_wheel_behaviour", &WindowSettings::mouseWheelBehaviour,
        &WindowSettings::setMouseWheelBehaviour },
    { "color_scheme", &WindowSettings::colorScheme, &WindowSettings::setColorScheme },
    { "custom_gradient_effect", &WindowSettings::customGradientEffect,
        &WindowSettings::setCustomGradientEffect },
    { "show_center_pane_tips", &WindowSettings::showCenterPaneTips,
        &WindowSettings::setShowCenterPaneTips },
};

// A page for the tabs; the tab widget takes ownership when it is added.
QFormLayout* newPage(QWidget** page)
{
    *page = new QWidget;
    auto* form = new QFormLayout(*page);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return form;
}

} // namespace

void setColourButton(QPushButton* button, const QColor& colour)
{
    button->setProperty("colour", colour);
    button->setText(colour.name());
    button->setStyleSheet(QStringLiteral("background-color: %1; color: %2;")
                              .arg(colour.name(), colour.lightness() < 128 ? "white" : "black"));
}

QColor colourOfButton(const QPushButton* button)
{
    return button->property("colour").value<QColor>();
}

void setFontButton(QPushButton* button, const QString& fontDescription)
{
    button->setProperty("fontDescription", fontDescription);
    QFont font;
    if (!fontDescription.isEmpty())
        font.fromString(fontDescription);
    button->setText(fontDescription.isEmpty()
            ? PreferencesDialog::tr("Default")
            : QStringLiteral("%1, %2 pt").arg(font.family()).arg(font.pointSize()));
}

QString fontOfButton(const QPushButton* button)
{
    return button->property("fontDescription").toString();
}

PreferencesDialog::PreferencesDialog(QWidget* parent)
    : PreferencesDialog(WindowSettings::instance(), parent)
{
}

PreferencesDialog::PreferencesDialog(WindowSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    setWindowTitle(tr("Preferences"));
    build();
    load();
    resize(qMax(width(), 640), qMax(height(), 560));
}

void PreferencesDialog::build()
{
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(makeProcessingPage(), tr("Processing"));
    m_tabs->addTab(makeFilesPage(), tr("Files"));
    m_tabs->addTab(makeExtensionsPage(), tr("Extensions"));
    m_tabs->addTab(makeInterfacePage(), tr("User interface"));
    m_tabs->addTab(makeColoursPage(), tr("Colours"));
    layout->addWidget(m_tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PreferencesDialog::reject);
    layout->addWidget(buttons);
}

void PreferencesDialog::addField(
    QFormLayout* form, const QString& key, const QString& label, QWidget* field, const QString& tip)
{
    field->setToolTip(tip);
    field->setObjectName(key);
    m_fields.insert(key, field);
    if (label.isEmpty()) {
        form->addRow(field);
        return;
    }
    auto* text = new QLabel(label, form->parentWidget());
    text->setToolTip(tip);
    text->setBuddy(field);
    form->addRow(text, field);
}

QCheckBox* PreferencesDialog::addCheck(
    QFormLayout* form, const QString& key, const QString& label, const QString& tip)
{
    auto* check = new QCheckBox(label, form->parentWidget());
    addField(form, key, QString(), check, tip);
    return check;
}

QComboBox* PreferencesDialog::addCombo(QFormLayout* form, const QString& key, const QString& label,
    const QStringList& items, const QString& tip)
{
    auto* combo = new QComboBox(form->parentWidget());
    combo->addItems(items);
    addField(form, key, label, combo, tip);
    return combo;
}

QLineEdit* PreferencesDialog::addLine(
    QFormLayout* form, const QString& key, const QString& label, const QString& tip)
{
    auto* line = new QLineEdit(form->parentWidget());
    addField(form, key, label, line, tip);
    return line;
}

QPushButton* PreferencesDialog::addColour(
    QFormLayout* form, const QString& key, const QString& label, const QString& tip)
{
    auto* button = new QPushButton(form->parentWidget());
    addField(form, key, label, button, tip);
    connect(button, &QPushButton::clicked, this, [this, button, label] {
        const QColor chosen = QColorDialog::getColor(colourOfButton(button), this, label);
        if (chosen.isValid())
            setColourButton(button, chosen);
    });
    return button;
}

QPushButton* PreferencesDialog::addFont(
    QFormLayout* form, const QString& key, const QString& label, const QString& tip)
{
    auto* button = new QPushButton(form->parentWidget());
    auto* reset = new QPushButton(tr("Default"), form->parentWidget());
    auto* row = new QWidget(form->parentWidget());
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(button, 1);
    layout->addWidget(reset);
    m_fields.insert(key, button);
    button->setToolTip(tip);
    auto* text = new QLabel(label, form->parentWidget());
    text->setToolTip(tip);
    form->addRow(text, row);
    connect(button, &QPushButton::clicked, this, [this, button] {
        QFont current;
        if (!fontOfButton(button).isEmpty())
            current.fromString(fontOfButton(button));
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, current, this);
        if (ok)
            setFontButton(button, chosen.toString());
    });
    connect(reset, &QPushButton::clicked, this, [button] { setFontButton(button, QString()); });
    return button;
}

QWidget* PreferencesDialog::makeProcessingPage()
{
    QWidget* page = nullptr;
    QFormLayout* form = newPage(&page);
    auto* delay = new QDoubleSpinBox(page);
    delay->setRange(0.0, 60.0);
    delay->setDecimals(1);
    delay->setSingleStep(0.5);
    delay->setSuffix(tr(" seconds"));
    addField(form, QStringLiteral("processing_delay"), tr("Right pane processing delay"), delay,
        tr("With auto run on, wait this long after the last change in the right pane before "
           "processing."));
    addCombo(form, QStringLiteral("optimize_for"), tr("Optimize processing for:"),
        { tr("Minimum memory use (recommended)"), tr("Maximum speed") },
        tr("Minimum memory use stores repeated values once; maximum speed skips that step."));
    auto* memory = new QDoubleSpinBox(page);
    memory->setRange(0.5, 1024.0);
    memory->setDecimals(1);
    memory->setSuffix(tr(" GB"));
    addField(form, QStringLiteral("max_memory_usage"), tr("Maximum memory usage"), memory,
        tr("When processing uses more memory than this, you are asked whether to raise the limit "
           "or close the program."));
    addLine(form, QStringLiteral("temp_folder"), tr("Temporary folder"),
        tr("Where a sort puts rows aside when they do not fit in memory (a fast disk with room "
           "for the file). Empty: the system's temporary folder."))
        ->setPlaceholderText(QDir::toNativeSeparators(QDir::tempPath()));
    auto* locale = new QComboBox(page);
    fillLocaleCombo(locale);
    addField(form, QStringLiteral("locale"), tr("Default locale:"), locale,
        tr("The locale used to recognise and format numbers and dates."));
    addCheck(form, QStringLiteral("warn_on_locale_change"),
        tr("Warn when opening a .transform changes the locale"),
        tr("Warn when a document opened was saved with a different locale."));
    auto* formats = new QPlainTextEdit(page);
    formats->setMinimumHeight(120);
    addField(form, QStringLiteral("date_formats"), tr("Supported date formats (1 per line)"),
        formats,
        tr("A value that fits one of these formats is treated as a date. The order is the "
           "priority."));
    auto* defaults = new QHBoxLayout;
    auto* us = new QPushButton(tr("Default (US)"), page);
    auto* nonUs = new QPushButton(tr("Default (non-US)"), page);
    defaults->addWidget(us);
    defaults->addWidget(nonUs);
    defaults->addStretch(1);
    form->addRow(QString(), defaults);
    connect(us, &QPushButton::clicked, this, [formats] {
        formats->setPlainText(
            WindowSettings::defaultDateFormats(QLocale(QLocale::English, QLocale::UnitedStates)));
    });
    connect(nonUs, &QPushButton::clicked, this, [formats] {
        formats->setPlainText(
            WindowSettings::defaultDateFormats(QLocale(QLocale::English, QLocale::UnitedKingdom)));
    });
    addCheck(form, QStringLiteral("beep_after_processing"), tr("Beep after processing"),
        tr("Make a system sound every time processing completes."));
    addCheck(form, QStringLiteral("batch_clear_before_append"),
        tr("Batch processing clears append outputs first"),
        tr("Batch processing clears outputs in append mode before the first append."));
    addCheck(form, QStringLiteral("batch_completion_sound"),
        tr("Batch processing completion sound"),
        tr("Batch processing makes a sound on completion."));
    return page;
}

namespace {

const QList<int> InputTypes { FileTypeDelimited, FileTypeExcelXlsx, FileTypeExcelXls,
    FileTypeFixedWidth, FileTypeJson, FileTypeXml, FileTypeVCard, FileTypePlainText };

QList<int> outputTypes()
{
    QList<int> types;
    for (int t = 0; t < FileTypeCount; ++t)
        types << t;
    return types;
}

void addExtensionRow(QTableWidget* table, const QString& extension, int type)
{
    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, 0, new QTableWidgetItem(extension));
    auto* combo = new QComboBox;
    for (int t : table->property("types").value<QList<int>>())
        combo->addItem(fileTypeName(t), t);
    combo->setCurrentIndex(qMax(0, combo->findData(type)));
    table->setCellWidget(row, 1, combo);
}

} // namespace

void setExtensionTable(QTableWidget* table, const QMap<QString, int>& extensions)
{
    table->setRowCount(0);
    for (auto it = extensions.constBegin(); it != extensions.constEnd(); ++it)
        addExtensionRow(table, it.key(), it.value());
}

QMap<QString, int> extensionTableMap(const QTableWidget* table)
{
    QMap<QString, int> map;
    for (int r = 0; r < table->rowCount(); ++r) {
        const QTableWidgetItem* item = table->item(r, 0);
        QString extension = item ? item->text().trimmed().toLower() : QString();
        if (extension.startsWith(QLatin1Char('.')))
            extension.remove(0, 1);
        const auto* combo = qobject_cast<const QComboBox*>(table->cellWidget(r, 1));
        if (!extension.isEmpty() && combo)
            map.insert(extension, combo->currentData().toInt());
    }
    return map;
}

QTableWidget* PreferencesDialog::addExtensionTable(
    QFormLayout* form, const QString& key, const QString& label, const QList<int>& types)
{
    auto* box = new QWidget(form->parentWidget());
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* table = new QTableWidget(0, 2, box);
    table->setProperty("types", QVariant::fromValue(types));
    table->setHorizontalHeaderLabels({ tr("Extension"), tr("Default Type") });
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setVisible(false);
    layout->addWidget(table);
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(tr("Add"), box);
    auto* remove = new QPushButton(tr("Remove"), box);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, table, [table] {
        addExtensionRow(table, QString(), table->property("types").value<QList<int>>().value(0));
        table->editItem(table->item(table->rowCount() - 1, 0));
    });
    connect(remove, &QPushButton::clicked, table, [table] {
        if (table->currentRow() >= 0)
            table->removeRow(table->currentRow());
    });
    m_fields.insert(key, table);
    form->addRow(new QLabel(label, box));
    form->addRow(box);
    return table;
}

QWidget* PreferencesDialog::makeExtensionsPage()
{
    QWidget* page = nullptr;
    QFormLayout* form = newPage(&page);
    addExtensionTable(form, QStringLiteral("input_file_extensions"),
        tr("The file type an input file is read as, by its extension:"), InputTypes);
    addExtensionTable(form, QStringLiteral("output_file_extensions"),
        tr("The file type an output file is written as, by its extension:"), outputTypes());
    return page;
}

namespace {

// Where the per-user store keeps the preferences, as the user can look it up.
QString userSettingsFile()
{
    const QSettings native(QString::fromLatin1(SettingsStore::OrganizationName),
        QString::fromLatin1(SettingsStore::ApplicationName));
    QString path = QDir::toNativeSeparators(native.fileName());
    const QString home = QDir::toNativeSeparators(QDir::homePath());
    if (!home.isEmpty() && path.startsWith(home + QDir::separator()))
        path.replace(0, home.size(), QStringLiteral("~"));
    return path;
}

} // namespace

QWidget* PreferencesDialog::makeFilesPage()
{
    QWidget* page = nullptr;
    QFormLayout* form = newPage(&page);
    addLine(form, QStringLiteral("blocked_input_extensions"), tr("Blocked input extensions"),
        tr("Comma-separated file extensions from which input is refused."));
    addLine(form, QStringLiteral("blocked_output_extensions"), tr("Blocked output extensions"),
        tr("Comma-separated file extensions to which output is refused."));
    addLine(form, QStringLiteral("default_output_extension"), tr("Default output extension"),
        tr("The extension proposed for new output files."));
    addLine(form, QStringLiteral("default_export_extension"), tr("Default export extension"),
        tr("The extension proposed when exporting a data table."));
    addCombo(form, QStringLiteral("copy_data_as"), tr("Copy data to clipboard text/plain as:"),
        { tr("Comma Separated Value"), tr("Tab Separated Value"), tr("Plain text") },
        tr("The plain text form of data copied from a data table."));
    addCombo(form, QStringLiteral("open_auto_run"), tr("Opening a .transform with auto run:"),
        { tr("Leave auto run enabled"), tr("Prompt to disable auto run"),
            tr("Prompt to disable outputs"), tr("Disable outputs"), tr("Disable auto run") },
        tr("What happens when a document saved with auto run on is opened."));
    addCombo(form, QStringLiteral("open_previous_at_start"), tr("At start-up:"),
        { tr("Don't open anything"), tr("Open previous"), tr("Show 'Open Recent' window") },
        tr("What the program opens when it starts."));
    addCheck(form, QStringLiteral("use_native_file_dialogs"), tr("Use native file dialogs"),
        tr("Use the platform's own windows for choosing files."));
    addCombo(form, QStringLiteral("store_in_ini_file"), tr("Store these preferences in:"),
        { tr("the user's settings file (%1)").arg(userSettingsFile()), tr("portable .ini file") },
        tr("A portable .ini file beside the program travels with it; otherwise the preferences "
           "are stored in the user's settings file."));
    return page;
}

QWidget* PreferencesDialog::makeInterfacePage()
{
    QWidget* page = nullptr;
    QFormLayout* form = newPage(&page);
    addCombo(form, QStringLiteral("ui_theme"), tr("Theme:"),
        { tr("Automatic"), tr("Light"), tr("Dark") },
        tr("Automatic follows the operating system."));
    addFont(form, QStringLiteral("ui_font"), tr("User interface font:"),
        tr("The font of menus, panes and dialogs."));
    addFont(form, QStringLiteral("data_font"), tr("Data font:"), tr("The font of data tables."));
    auto* padding = new QSpinBox(page);
    padding->setRange(0, 50);
    padding->setSuffix(tr(" pixels"));
    addField(form, QStringLiteral("data_font_vertical_padding"), tr("Data row padding:"), padding,
        tr("Extra height of each row of a data table."));
    addCombo(form, QStringLiteral("toolbar_icon_size"), tr("Toolbar icon size:"),
        { tr("Small"), tr("Medium"), tr("Large") }, tr("The size of the toolbar buttons."));
    addCombo(form, QStringLiteral("mouse_wheel_behaviour"), tr("Mouse wheel:"),
        { tr("Forward=Scroll up (+Ctrl=Zoom in)"), tr("Forward=Zoom in (+Ctrl=Scroll up)"),
            tr("Forward=Zoom out (+Ctrl=Scroll up)"), tr("Does nothing") },
        tr("What the mouse wheel does in the center pane."));
    auto* sensitivity = new QSpinBox(page);
    sensitivity->setRange(1, 10);
    addField(form, QStringLiteral("mouse_wheel_sensitivity"), tr("Mouse wheel sensitivity:"),
        sensitivity, tr("How far one step of the mouse wheel scrolls or zooms."));
    addCombo(form, QStringLiteral("show_center_pane_tips"), tr("Center pane tool tips:"),
        { tr("Off"), tr("Brief"), tr("Detailed") },
        tr("How much the center pane's tool tips show."));
    addCheck(form, QStringLiteral("gray_left_pane_buttons"), tr("Gray left pane buttons"),
        tr("Show the left pane's buttons without colour."));
    addCheck(form, QStringLiteral("show_advanced_transforms"), tr("Show advanced transforms"),
        tr("Show the advanced transforms in the left pane."));
    addCheck(form, QStringLiteral("show_warnings"), tr("Show warnings"),
        tr("Show warning markers on items in the center pane."));
    addCheck(form, QStringLiteral("show_comments"), tr("Show comments"),
        tr("Show comment markers on items in the center pane."));
    addCheck(form, QStringLiteral("auto_move_notes"), tr("Move notes with their items"),
        tr("Move Note items with the item they point to."));
    return page;
}

QWidget* PreferencesDialog::makeColoursPage()
{
    QWidget* page = nullptr;
    QFormLayout* form = newPage(&page);
    addCombo(form, QStringLiteral("color_scheme"), tr("Colour scheme:"),
        { tr("Custom"), tr("Light"), tr("Ocean"), tr("Forest"), tr("Sand"),
            tr("High contrast light"), tr("High contrast dark"), tr("Dark") },
        tr("The colours of the center pane."));
    auto* thickness = new QDoubleSpinBox(page);
    thickness->setRange(0.5, 10.0);
    thickness->setDecimals(1);
    thickness->setSingleStep(0.5);
    addField(form, QStringLiteral("custom_connection_thickness"), tr("Connection thickness:"),
        thickness, tr("The line width of connections in the custom colour scheme."));
    addCombo(form, QStringLiteral("custom_gradient_effect"), tr("Gradient effect:"),
        { tr("None"), tr("Subtle"), tr("Strong") },
        tr("The shading of items in the custom colour scheme."));
    addCheck(form, QStringLiteral("show_changes"), tr("Show changed data"),
        tr("Colour the values a transform changed."));
    addColour(form, QStringLiteral("changed_data_color"), tr("Changed data colour:"),
        tr("The colour of values a transform changed."));
    addColour(form, QStringLiteral("verify_fail_error_color"), tr("Verify error colour:"),
        tr("The colour of values that failed an Error rule."));
    addColour(form, QStringLiteral("verify_fail_warning_color"), tr("Verify warning colour:"),
        tr("The colour of values that failed a Warning rule."));
    addColour(form, QStringLiteral("verify_fail_info_color"), tr("Verify information colour:"),
        tr("The colour of values that failed an Information rule."));
    return page;
}

void PreferencesDialog::loadChecksAndCombos()
{
    for (const BoolPreference& p : BoolPreferences) {
        if (auto* check = field<QCheckBox>(QString::fromLatin1(p.key)))
            check->setChecked((m_settings.*p.get)());
    }
    for (const IntPreference& p : IntPreferences) {
        if (auto* combo = field<QComboBox>(QString::fromLatin1(p.key)))
            combo->setCurrentIndex(qBound(0, (m_settings.*p.get)(), combo->count() - 1));
    }
}

void PreferencesDialog::saveChecksAndCombos()
{
    for (const BoolPreference& p : BoolPreferences) {
        if (auto* check = field<QCheckBox>(QString::fromLatin1(p.key)))
            (m_settings.*p.set)(check->isChecked());
    }
    for (const IntPreference& p : IntPreferences) {
        if (auto* combo = field<QComboBox>(QString::fromLatin1(p.key)))
            (m_settings.*p.set)(combo->currentIndex());
    }
}

void PreferencesDialog::load()
{
    loadChecksAndCombos();
    field<QDoubleSpinBox>(QStringLiteral("processing_delay"))
        ->setValue(m_settings.processingDelay());
    field<QDoubleSpinBox>(QStringLiteral("max_memory_usage"))
        ->setValue(m_settings.maxMemoryUsage());
    field<QLineEdit>(QStringLiteral("temp_folder"))->setText(m_settings.tempFolder());
    auto* locale = field<QComboBox>(QStringLiteral("locale"));
    const int found = m_settings.contains(QStringLiteral("locale"))
        ? locale->findData(m_settings.locale().name())
        : 0;
    locale->setCurrentIndex(qMax(0, found));
    field<QPlainTextEdit>(QStringLiteral("date_formats"))->setPlainText(m_settings.dateFormats());
    field<QLineEdit>(QStringLiteral("blocked_input_extensions"))
        ->setText(m_settings.blockedInputExtensions());
    field<QLineEdit>(QStringLiteral("blocked_output_extensions"))
        ->setText(m_settings.blockedOutputExtensions());
    setExtensionTable(field<QTableWidget>(QStringLiteral("input_file_extensions")),
        m_settings.inputFileExtensions());
    setExtensionTable(field<QTableWidget>(QStringLiteral("output_file_extensions")),
        m_settings.outputFileExtensions());
    // Long lists read from their start.
    for (const char* key : { "blocked_input_extensions", "blocked_output_extensions" })
        field<QLineEdit>(QString::fromLatin1(key))->setCursorPosition(0);
    // Remembered so that save() stores only the lists the user edited.
    field(QStringLiteral("date_formats"))
        ->setProperty("loaded", m_settings.dateFormats().trimmed());
    field(QStringLiteral("blocked_input_extensions"))
        ->setProperty("loaded", m_settings.blockedInputExtensions());
    field(QStringLiteral("blocked_output_extensions"))
        ->setProperty("loaded", m_settings.blockedOutputExtensions());
    field<QLineEdit>(QStringLiteral("default_output_extension"))
        ->setText(m_settings.defaultOutputExtension());
    field<QLineEdit>(QStringLiteral("default_export_extension"))
        ->setText(m_settings.defaultExportExtension());
    field<QComboBox>(QStringLiteral("store_in_ini_file"))
        ->setCurrentIndex(m_settings.usesIniFile() ? 1 : 0);
    setFontButton(field<QPushButton>(QStringLiteral("ui_font")), m_settings.uiFont());
    setFontButton(field<QPushButton>(QStringLiteral("data_font")), m_settings.dataFont());
    field<QSpinBox>(QStringLiteral("data_font_vertical_padding"))
        ->setValue(m_settings.dataFontVerticalPadding());
    field<QSpinBox>(QStringLiteral("mouse_wheel_sensitivity"))
        ->setValue(m_settings.mouseWheelSensitivity());
    field<QDoubleSpinBox>(QStringLiteral("custom_connection_thickness"))
        ->setValue(m_settings.customConnectionThickness());
    setColourButton(
        field<QPushButton>(QStringLiteral("changed_data_color")), m_settings.changedDataColor());
    setColourButton(field<QPushButton>(QStringLiteral("verify_fail_error_color")),
        m_settings.verifyFailErrorColor());
    setColourButton(field<QPushButton>(QStringLiteral("verify_fail_warning_color")),
        m_settings.verifyFailWarningColor());
    setColourButton(field<QPushButton>(QStringLiteral("verify_fail_info_color")),
        m_settings.verifyFailInfoColor());
}

void PreferencesDialog::save()
{
    saveChecksAndCombos();
    WindowSettings& s = m_settings;
    s.setProcessingDelay(field<QDoubleSpinBox>(QStringLiteral("processing_delay"))->value());
    s.setMaxMemoryUsage(field<QDoubleSpinBox>(QStringLiteral("max_memory_usage"))->value());
    s.setTempFolder(field<QLineEdit>(QStringLiteral("temp_folder"))->text().trimmed());
    const QString localeName = field<QComboBox>(QStringLiteral("locale"))->currentData().toString();
    // The first entry leaves the locale unset, so the program follows the
    // system's locale wherever it runs.
    if (!localeName.isEmpty())
        s.setLocale(QLocale(localeName));
    else if (s.contains(QStringLiteral("locale")))
        s.setLocale(QLocale::system());
    // Lists left as shown are not stored, so that they keep following the
    // defaults (which depend on the locale) until the user edits them.
    const QString formats
        = field<QPlainTextEdit>(QStringLiteral("date_formats"))->toPlainText().trimmed();
    if (formats != field(QStringLiteral("date_formats"))->property("loaded").toString())
        s.setDateFormats(formats);
    const QString blockedIn = field<QLineEdit>(QStringLiteral("blocked_input_extensions"))->text();
    if (blockedIn
        != field(QStringLiteral("blocked_input_extensions"))->property("loaded").toString())
        s.setBlockedInputExtensions(blockedIn);
    const QString blockedOut
        = field<QLineEdit>(QStringLiteral("blocked_output_extensions"))->text();
    if (blockedOut
        != field(QStringLiteral("blocked_output_extensions"))->property("loaded").toString())
        s.setBlockedOutputExtensions(blockedOut);
    s.setDefaultOutputExtension(
        field<QLineEdit>(QStringLiteral("default_output_extension"))->text().trimmed());
    s.setDefaultExportExtension(
        field<QLineEdit>(QStringLiteral("default_export_extension"))->text().trimmed());
    s.setUiFont(fontOfButton(field<QPushButton>(QStringLiteral("ui_font"))));
    s.setDataFont(fontOfButton(field<QPushButton>(QStringLiteral("data_font"))));
    s.setDataFontVerticalPadding(
        field<QSpinBox>(QStringLiteral("data_font_vertical_padding"))->value());
    s.setMouseWheelSensitivity(field<QSpinBox>(QStringLiteral("mouse_wheel_sensitivity"))->value());
    s.setCustomConnectionThickness(
        field<QDoubleSpinBox>(QStringLiteral("custom_connection_thickness"))->value());
    s.setChangedDataColor(colourOfButton(field<QPushButton>(QStringLiteral("changed_data_color"))));
    s.setVerifyFailErrorColor(
        colourOfButton(field<QPushButton>(QStringLiteral("verify_fail_error_color"))));
    s.setVerifyFailWarningColor(
        colourOfButton(field<QPushButton>(QStringLiteral("verify_fail_warning_color"))));
    s.setVerifyFailInfoColor(
        colourOfButton(field<QPushButton>(QStringLiteral("verify_fail_info_color"))));
    const QMap<QString, int> inputs
        = extensionTableMap(field<QTableWidget>(QStringLiteral("input_file_extensions")));
    if (inputs != s.inputFileExtensions())
        s.setInputFileExtensions(inputs);
    const QMap<QString, int> outputs
        = extensionTableMap(field<QTableWidget>(QStringLiteral("output_file_extensions")));
    if (outputs != s.outputFileExtensions())
        s.setOutputFileExtensions(outputs);
    const bool ini = field<QComboBox>(QStringLiteral("store_in_ini_file"))->currentIndex() == 1;
    if (ini != s.usesIniFile())
        s.setStoreInIniFile(ini);
    s.sync();
    s.apply();
}

void PreferencesDialog::accept()
{
    save();
    QDialog::accept();
}
