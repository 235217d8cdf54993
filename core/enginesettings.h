#pragma once

// The preferences that change processing and files: what the engine reads
// while it runs (through the run context) and when it maps file extensions
// to formats. The window's own preferences extend this in WindowSettings.

#include "core/settingsstore.h"

#include <QLocale>
#include <QMap>
#include <QStringList>

class EngineSettings : public SettingsStore
{
public:
    using SettingsStore::SettingsStore;

    // Pushes the preferences that change processing into the data core:
    // the default locale, the date-format list and value pooling.
    void apply() const;

    // Preferences that change processing or files
    double processingDelay() const { return real("processing_delay", 2.0); }
    void setProcessingDelay(double seconds) { set("processing_delay", seconds); }
    int optimizeFor() const { return integer("optimize_for", 0); }
    // Optimising for memory (the default) shares repeated values.
    bool poolValues() const { return optimizeFor() == 0; }
    void setOptimizeFor(int value) { set("optimize_for", value); }
    double maxMemoryUsage() const { return real("max_memory_usage", 4.0); }
    void setMaxMemoryUsage(double gigabytes) { set("max_memory_usage", gigabytes); }
    // Where rows that do not fit in memory are put aside while a run sorts
    // them; empty for the system's temporary folder.
    QString tempFolder() const { return text("temp_folder", ""); }
    void setTempFolder(const QString& folder) { set("temp_folder", folder); }
    QLocale locale() const;
    void setLocale(const QLocale& locale) { set("locale", locale.name()); }
    QString dateFormats() const;
    QStringList dateFormatList() const;
    void setDateFormats(const QString& oneFormatPerLine) { set("date_formats", oneFormatPerLine); }
    static QString defaultDateFormats(const QLocale& locale);
    QString blockedInputExtensions() const;
    void setBlockedInputExtensions(const QString& list) { set("blocked_input_extensions", list); }
    QString blockedOutputExtensions() const;
    void setBlockedOutputExtensions(const QString& list) { set("blocked_output_extensions", list); }
    static QStringList extensionList(const QString& commaSeparated);
    QString defaultOutputExtension() const { return text("default_output_extension", "csv"); }
    void setDefaultOutputExtension(const QString& ext) { set("default_output_extension", ext); }
    bool batchClearBeforeAppend() const { return boolean("batch_clear_before_append", false); }
    void setBatchClearBeforeAppend(bool on) { set("batch_clear_before_append", on); }
    // Extension (lower case, no dot) to file type.
    QMap<QString, int> inputFileExtensions() const;
    void setInputFileExtensions(const QMap<QString, int>& map);
    QMap<QString, int> outputFileExtensions() const;
    void setOutputFileExtensions(const QMap<QString, int>& map);
    // User-saved defaults: "defaults/transforms/<type>/<parameter>" and
    // "defaults/<kind>/<a>/<b>/<option>" for inputs and outputs. An invalid
    // QVariant means no saved default.
    QVariant transformDefault(const QString& typeKey, const QString& parameterKey) const;
    void setTransformDefault(
        const QString& typeKey, const QString& parameterKey, const QVariant& value);
    void removeTransformDefaults(const QString& typeKey);
    QVariant itemDefault(
        const QString& kind, const QString& a, const QString& b, const QString& option) const;
    void setItemDefault(const QString& kind, const QString& a, const QString& b,
        const QString& option, const QVariant& value);
    void removeItemDefaults(const QString& kind, const QString& a, const QString& b);

private:
    QMap<QString, int> extensionMap(const char* key, const QMap<QString, int>& fallback) const;
};
