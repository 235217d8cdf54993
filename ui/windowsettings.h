#pragma once

// The preferences and remembered state of the windows: panes, themes,
// fonts, dialogs' last choices and recent files. They extend the engine's
// settings so that the Preferences dialog edits both through one store.

#include "core/enginesettings.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QStringList>

class WindowSettings : public EngineSettings
{
public:
    // The process-wide store of the application, created on first use next
    // to the executable.
    static WindowSettings& instance();

    using EngineSettings::EngineSettings;

    bool warnOnLocaleChange() const { return boolean("warn_on_locale_change", true); }
    void setWarnOnLocaleChange(bool on) { set("warn_on_locale_change", on); }
    QString defaultExportExtension() const { return text("default_export_extension", "csv"); }
    void setDefaultExportExtension(const QString& ext) { set("default_export_extension", ext); }
    int copyDataAs() const { return integer("copy_data_as", 0); }
    void setCopyDataAs(int value) { set("copy_data_as", value); }
    int openAutoRun() const { return integer("open_auto_run", 1); }
    void setOpenAutoRun(int value) { set("open_auto_run", value); }
    int openPreviousAtStart() const { return integer("open_previous_at_start", 2); }
    void setOpenPreviousAtStart(int value) { set("open_previous_at_start", value); }
    bool beepAfterProcessing() const { return boolean("beep_after_processing", false); }
    void setBeepAfterProcessing(bool on) { set("beep_after_processing", on); }
    bool batchCompletionSound() const { return boolean("batch_completion_sound", false); }
    void setBatchCompletionSound(bool on) { set("batch_completion_sound", on); }
    bool showWarnings() const { return boolean("show_warnings", true); }
    void setShowWarnings(bool on) { set("show_warnings", on); }
    bool showComments() const { return boolean("show_comments", true); }
    void setShowComments(bool on) { set("show_comments", on); }
    bool autoMoveNotes() const { return boolean("auto_move_notes", true); }
    void setAutoMoveNotes(bool on) { set("auto_move_notes", on); }
    bool useNativeFileDialogs() const { return boolean("use_native_file_dialogs", true); }
    void setUseNativeFileDialogs(bool on) { set("use_native_file_dialogs", on); }

    // User-interface preferences
    enum UiTheme { UiThemeAutomatic, UiThemeLight, UiThemeDark };
    int uiTheme() const { return integer("ui_theme", UiThemeAutomatic); }
    void setUiTheme(int value) { set("ui_theme", value); }
    QString uiFont() const { return text("ui_font", ""); }
    void setUiFont(const QString& font) { set("ui_font", font); }
    QString dataFont() const { return text("data_font", ""); }
    void setDataFont(const QString& font) { set("data_font", font); }
    int dataFontVerticalPadding() const { return integer("data_font_vertical_padding", 10); }
    void setDataFontVerticalPadding(int pixels) { set("data_font_vertical_padding", pixels); }
    int toolbarIconSize() const { return integer("toolbar_icon_size", 1); }
    void setToolbarIconSize(int value) { set("toolbar_icon_size", value); }
    int mouseWheelBehaviour() const { return integer("mouse_wheel_behaviour", 0); }
    void setMouseWheelBehaviour(int value) { set("mouse_wheel_behaviour", value); }
    int mouseWheelSensitivity() const { return integer("mouse_wheel_sensitivity", 5); }
    void setMouseWheelSensitivity(int value) { set("mouse_wheel_sensitivity", value); }
    bool grayLeftPaneButtons() const { return boolean("gray_left_pane_buttons", false); }
    void setGrayLeftPaneButtons(bool on) { set("gray_left_pane_buttons", on); }
    // Colour schemes: 0 Custom (the custom_color_ family), 1 Light, 2 Ocean,
    // 3 Forest, 4 Sand, 5 High contrast light, 6 High contrast dark, 7 Dark.
    // The default follows the desktop: Dark on a dark desktop, else Light.
    enum ColorScheme {
        SchemeCustom,
        SchemeLight,
        SchemeOcean,
        SchemeForest,
        SchemeSand,
        SchemeHighContrastLight,
        SchemeHighContrastDark,
        SchemeDark
    };
    int colorScheme() const;
    void setColorScheme(int value) { set("color_scheme", value); }
    QColor customColor(const QString& role, const QColor& fallback = QColor()) const;
    void setCustomColor(const QString& role, const QColor& color);
    double customConnectionThickness() const { return real("custom_connection_thickness", 2.0); }
    void setCustomConnectionThickness(double value) { set("custom_connection_thickness", value); }
    int customGradientEffect() const { return integer("custom_gradient_effect", 0); }
    void setCustomGradientEffect(int value) { set("custom_gradient_effect", value); }
    QColor changedDataColor() const { return color("changed_data_color", "#fff2a8"); }
    void setChangedDataColor(const QColor& c) { set("changed_data_color", c.name()); }
    bool showChanges() const { return boolean("show_changes", false); }
    // The strip of column profiles over the data grid.
    bool showProfileStrip() const { return boolean("show_profile_strip", true); }
    void setShowProfileStrip(bool on) { set("show_profile_strip", on); }
    void setShowChanges(bool on) { set("show_changes", on); }
    QColor verifyFailErrorColor() const { return color("verify_fail_error_color", "#f8b4b4"); }
    void setVerifyFailErrorColor(const QColor& c) { set("verify_fail_error_color", c.name()); }
    QColor verifyFailWarningColor() const { return color("verify_fail_warning_color", "#fcd9a0"); }
    void setVerifyFailWarningColor(const QColor& c) { set("verify_fail_warning_color", c.name()); }
    QColor verifyFailInfoColor() const { return color("verify_fail_info_color", "#b8d8f8"); }
    void setVerifyFailInfoColor(const QColor& c) { set("verify_fail_info_color", c.name()); }
    int showCenterPaneTips() const { return integer("show_center_pane_tips", 2); }
    void setShowCenterPaneTips(int value) { set("show_center_pane_tips", value); }
    bool showAdvancedTransforms() const { return boolean("show_advanced_transforms", false); }
    void setShowAdvancedTransforms(bool on) { set("show_advanced_transforms", on); }

    // Remembered state
    int autoUpdateInterval() const { return integer("auto_update_interval", 1); }
    void setAutoUpdateInterval(int value) { set("auto_update_interval", value); }
    QDateTime lastUpdatedCheck() const { return value("last_updated_check").toDateTime(); }
    void setLastUpdatedCheck(const QDateTime& when) { set("last_updated_check", when); }
    QString previousPath() const { return text("previous_path", ""); }
    void setPreviousPath(const QString& path) { set("previous_path", path); }
    int openRecentFilter() const { return integer("open_recent_filter", 0); }
    void setOpenRecentFilter(int value) { set("open_recent_filter", value); }
    bool logPaneShown() const { return boolean("log_pane_shown", false); }
    void setLogPaneShown(bool on) { set("log_pane_shown", on); }
    bool toolBarShown() const { return boolean("toolbar_shown", true); }
    void setToolBarShown(bool on) { set("toolbar_shown", on); }
    // The main window's size, position and maximised state as Qt saves
    // them; empty until the first window closed.
    QByteArray windowGeometry() const { return value("window_geometry").toByteArray(); }
    void setWindowGeometry(const QByteArray& geometry) { set("window_geometry", geometry); }
    // Splitters 1 to 3; -1 when never saved.
    int splitterWidth(int splitter) const;
    void setSplitterWidth(int splitter, int width);
    int sampleComboIndex() const { return integer("sample_combo_index", 1); }
    void setSampleComboIndex(int value) { set("sample_combo_index", value); }
    int numColFrequencies() const { return integer("num_col_frequences", 20); }
    void setNumColFrequencies(int value) { set("num_col_frequences", value); }
    bool showBarsInColFrequencies() const { return boolean("show_bars_in_col_frequencies", true); }
    void setShowBarsInColFrequencies(bool on) { set("show_bars_in_col_frequencies", on); }
    bool showPercentagesInColFrequencies() const
    {
        return boolean("show_percentages_in_col_frquencies", true);
    }
    void setShowPercentagesInColFrequencies(bool on)
    {
        set("show_percentages_in_col_frquencies", on);
    }
    bool showBarsInCharsTable() const { return boolean("show_bars_in_chars_table", true); }
    void setShowBarsInCharsTable(bool on) { set("show_bars_in_chars_table", on); }
    bool showWhitespaceValueWindow() const
    {
        return boolean("show_whitespace_value_window", false);
    }
    void setShowWhitespaceValueWindow(bool on) { set("show_whitespace_value_window", on); }
    int compareDataByIndex() const { return integer("compare_data_by_index", 0); }
    void setCompareDataByIndex(int value) { set("compare_data_by_index", value); }
    bool compareDataCaseSensitive() const { return boolean("compare_data_case_sensitive", true); }
    void setCompareDataCaseSensitive(bool on) { set("compare_data_case_sensitive", on); }
    int compareDataShowIndex() const { return integer("compare_data_show_index", 0); }
    void setCompareDataShowIndex(int value) { set("compare_data_show_index", value); }
    bool compareDataSortByKey() const { return boolean("compare_data_sort_by_key", false); }
    void setCompareDataSortByKey(bool on) { set("compare_data_sort_by_key", on); }
    bool compareDataSyncHoriz() const { return boolean("compare_data_sync_horiz", true); }
    void setCompareDataSyncHoriz(bool on) { set("compare_data_sync_horiz", on); }
    bool compareDataSyncVert() const { return boolean("compare_data_sync_vert", true); }
    void setCompareDataSyncVert(bool on) { set("compare_data_sync_vert", on); }
    int compareHeadersByIndex() const { return integer("compare_headers_by_index", 0); }
    void setCompareHeadersByIndex(int value) { set("compare_headers_by_index", value); }
    int compareHeadersShowIndex() const { return integer("compare_headers_show_index", 0); }
    void setCompareHeadersShowIndex(int value) { set("compare_headers_show_index", value); }
    int exploreKeysWindowIndex() const { return integer("explore_keys_window_index", 0); }
    void setExploreKeysWindowIndex(int value) { set("explore_keys_window_index", value); }
    bool exploreKeysShowDuplicates() const { return boolean("explore_keys_show_duplicates", true); }
    void setExploreKeysShowDuplicates(bool on) { set("explore_keys_show_duplicates", on); }
    int filterDataIndex() const { return integer("filter_data_index", 0); }
    void setFilterDataIndex(int value) { set("filter_data_index", value); }
    QString findText() const { return text("find_text", ""); }
    void setFindText(const QString& t) { set("find_text", t); }
    int findAllAny() const { return integer("find_all_any", 0); }
    void setFindAllAny(int value) { set("find_all_any", value); }
    bool findInNames() const { return boolean("find_in_names", true); }
    void setFindInNames(bool on) { set("find_in_names", on); }
    bool findInIds() const { return boolean("find_in_ids", false); }
    void setFindInIds(bool on) { set("find_in_ids", on); }
    bool findInComments() const { return boolean("find_in_comments", false); }
    void setFindInComments(bool on) { set("find_in_comments", on); }
    bool findInOptions() const { return boolean("find_in_options", false); }
    void setFindInOptions(bool on) { set("find_in_options", on); }
    bool findInColNames() const { return boolean("find_in_col_names", false); }
    void setFindInColNames(bool on) { set("find_in_col_names", on); }
    bool findInData() const { return boolean("find_in_data", false); }
    void setFindInData(bool on) { set("find_in_data", on); }
    bool findOfInputs() const { return boolean("find_of_inputs", true); }
    void setFindOfInputs(bool on) { set("find_of_inputs", on); }
    bool findOfTransforms() const { return boolean("find_of_transforms", true); }
    void setFindOfTransforms(bool on) { set("find_of_transforms", on); }
    bool findOfOutputs() const { return boolean("find_of_outputs", true); }
    void setFindOfOutputs(bool on) { set("find_of_outputs", on); }
    bool findOfCharts() const { return boolean("find_of_charts", true); }
    void setFindOfCharts(bool on) { set("find_of_charts", on); }
    bool findOfNotes() const { return boolean("find_of_notes", true); }
    void setFindOfNotes(bool on) { set("find_of_notes", on); }
    bool findCaseSensitive() const { return boolean("find_case_senstive", false); }
    void setFindCaseSensitive(bool on) { set("find_case_senstive", on); }
    bool findZoomSelected() const { return boolean("find_zoom_selected", false); }
    void setFindZoomSelected(bool on) { set("find_zoom_selected", on); }
    QByteArray itemSummaryColOrder() const { return value("item_summary_col_order").toByteArray(); }
    void setItemSummaryColOrder(const QByteArray& state) { set("item_summary_col_order", state); }
    QByteArray itemSummaryColWidths() const
    {
        return value("item_summary_col_widths").toByteArray();
    }
    void setItemSummaryColWidths(const QByteArray& state) { set("item_summary_col_widths", state); }
    int itemSummarySortCol() const { return integer("item_summary_sort_col", 0); }
    void setItemSummarySortCol(int value) { set("item_summary_sort_col", value); }
    int itemSummarySortOrder() const { return integer("item_summary_sort_order", 1); }
    void setItemSummarySortOrder(int value) { set("item_summary_sort_order", value); }
    bool batchShowTips() const { return boolean("batch_show_tips", true); }
    void setBatchShowTips(bool on) { set("batch_show_tips", on); }
    bool firstHelpShow() const { return boolean("first_help_show", true); }
    void setFirstHelpShow(bool on) { set("first_help_show", on); }
    bool howDoIClicked() const { return boolean("how_do_i_clicked", false); }
    void setHowDoIClicked(bool on) { set("how_do_i_clicked", on); }
    bool introVideoClicked() const { return boolean("intro_video_clicked", false); }
    void setIntroVideoClicked(bool on) { set("intro_video_clicked", on); }
    int sessions() const { return integer("sessions", 0); }
    void setSessions(int value) { set("sessions", value); }
    qint64 totalRowsProcessed() const { return value("total_rows_processed", 0).toLongLong(); }
    void setTotalRowsProcessed(qint64 rows) { set("total_rows_processed", rows); }
    QDate totalRowsProcessedStartDate() const
    {
        return value("total_rows_processed_start_date").toDate();
    }
    void setTotalRowsProcessedStartDate(const QDate& date)
    {
        set("total_rows_processed_start_date", date);
    }
    int totalNextExpRowsToNotify() const { return integer("total_next_exp_rows_to_notify", 6); }
    void setTotalNextExpRowsToNotify(int value) { set("total_next_exp_rows_to_notify", value); }
    QStringList recentDocuments() const { return value("recent_documents").toStringList(); }
    void setRecentDocuments(const QStringList& paths) { set("recent_documents", paths); }
};
