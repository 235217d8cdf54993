#pragma once

#include "core/enginesettings.h"
#include "core/filenamevariables.h"

#include <atomic>
#include <functional>
#include <memory>

class UserPrompt;

// What the items of one document share while they process: the Stop
// request, the memory budget and the settings the run reads. Each scene owns
// one and hands it to its items and their transforms, so that two open
// documents, a batch row and a test never share a flag, and a test sets up a
// run without touching the user's preferences.
class RunContext
{
public:
    enum StopReason { NotStopped, StoppedByUser, MemoryExceeded, TimedOut };

    RunContext();
    ~RunContext();
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    // The Stop command, the memory limit when the user chose not to go on,
    // and the command line's time limit: loops test it between rows and the
    // run between items. A watchdog thread may request a stop, so the flag
    // is atomic.
    bool stopRequested() const { return m_stop.load(std::memory_order_relaxed) != NotStopped; }
    StopReason stopReason() const { return m_stop.load(); }
    void requestStop(StopReason reason = StoppedByUser);
    void clearStop() { m_stop = NotStopped; }

    // The settings of this run; without any set, a store in memory holding
    // the defaults. Not owned.
    EngineSettings& settings() const;
    void setSettings(EngineSettings* settings) { m_settings = settings; }
    // Asked whether to raise the memory maximum; null answers "stop". Not
    // owned.
    void setPrompt(UserPrompt* prompt) { m_prompt = prompt; }

    // Made at every progress report. Within the maximum it returns true;
    // past it the prompt may raise the maximum (saved at once) and the run
    // goes on, otherwise the run is stopped with MemoryExceeded and false is
    // returned. Reading the process's memory costs a few microseconds, so
    // every report is checked, the last one of an item included.
    bool checkMemory();
    // The process's memory in GB as the limit sees it; safe from any thread.
    double measureMemoryGB() const;
    // Replaces the measurement of the process, for tests; null restores it.
    void setMeasurement(double (*measure)()) { m_measure = measure; }

    // The document's facts that file names and stamps read: its file (empty
    // while unsaved) and the aliases of its Inputs, asked for when needed so
    // that they are always those of the graph as it is.
    const QString& documentPath() const { return m_documentPath; }
    void setDocumentPath(const QString& path) { m_documentPath = path; }
    QVector<FileNameAlias> fileNameAliases() const
    {
        return m_aliases ? m_aliases() : QVector<FileNameAlias>();
    }
    void setAliasSource(std::function<QVector<FileNameAlias>()> source)
    {
        m_aliases = std::move(source);
    }

    // A run that keeps a record: Inputs hash their files' bytes while
    // reading them, and read every column (the record describes them all).
    bool recordsRun() const { return m_recordsRun; }
    void setRecordsRun(bool on) { m_recordsRun = on; }

    // How a run without windows passes a file's rows through in blocks (see
    // StreamedRun): rows per block and characters per parsed chunk, 0 for
    // the usual sizes; off, every item takes its whole table. Tests make
    // the blocks small.
    struct Blocks
    {
        bool on = true;
        int rows = 0;
        int chunkChars = 0;
    };
    const Blocks& blocks() const { return m_blocks; }
    void setBlocks(const Blocks& blocks) { m_blocks = blocks; }
    // Inputs whose rows went through in blocks, and the blocks they passed
    // through, in this context.
    int streamedInputs() const { return m_streamedInputs; }
    void addStreamedInput() { ++m_streamedInputs; }
    qint64 streamedBlocks() const { return m_streamedBlocks; }
    void addStreamedBlock() { ++m_streamedBlocks; }

    // Where steps that hold more rows than memory allows put them aside:
    // the folder given for this run (the command line's), else the one in
    // the preferences, else the system's temporary folder (empty here).
    QString tempFolder() const;
    void setTempFolder(const QString& folder) { m_tempFolder = folder; }
    // Bytes those files may take before a write fails as on a full disk;
    // negative (the default) for no bound. Tests fill a disk so.
    qint64 spillCapacity() const { return m_spillCapacity; }
    void setSpillCapacity(qint64 bytes) { m_spillCapacity = bytes; }
    // Runs of rows put aside on disk in this context.
    int spilledRuns() const { return m_spilledRuns; }
    void addSpilledRun() { ++m_spilledRuns; }

    // Rows that items finished with in this context, for the window's
    // statistics.
    qint64 rowsProcessed() const { return m_rowsProcessed; }
    void addRowsProcessed(qint64 rows) { m_rowsProcessed += rows; }

private:
    std::atomic<StopReason> m_stop { NotStopped };
    EngineSettings* m_settings = nullptr;
    mutable std::unique_ptr<EngineSettings> m_defaults;
    UserPrompt* m_prompt = nullptr;
    double (*m_measure)() = nullptr;
    qint64 m_rowsProcessed = 0;
    bool m_recordsRun = false;
    Blocks m_blocks;
    int m_streamedInputs = 0;
    qint64 m_streamedBlocks = 0;
    QString m_documentPath;
    QString m_tempFolder;
    qint64 m_spillCapacity = -1;
    int m_spilledRuns = 0;
    std::function<QVector<FileNameAlias>()> m_aliases;
};
