#pragma once

// The auto-recovery copy of the open document in the temporary folder:
// written while there are unsaved changes and when the program must close
// with some, removed on a clean save or exit, and offered at the next start.

#include "document/documentinfo.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class GraphModel;
class UserPrompt;

namespace AutoRecovery {

QString filePath(); // <temp>/VRXAutoRecovery.transform
bool exists();
void remove();

// Saves the scene (as if it were at documentPath, so that input paths can
// be relocated on recovery) to the recovery file.
bool write(
    const GraphModel& scene, const QString& documentPath, const DocumentInfo& info, QString* error);

// The age in words: "45 seconds", "1 minute", "3 hours", "2 days".
QString ageText(const QDateTime& modified, const QDateTime& now);
QString offerQuestion(const QString& age);

// Running processes whose image name begins with the product name.
int runningInstances();

// At start-up: when the recovery file exists and this is the only running
// instance, asks the user whether to open it; true when it should be.
bool offer(UserPrompt& prompt);

} // namespace AutoRecovery

// Writes the recovery file every few minutes while the document has
// unsaved changes.
class AutoRecoveryTimer : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultIntervalMs = 5 * 60 * 1000;

    // The writer is called only while hasUnsavedChanges() holds.
    AutoRecoveryTimer(std::function<bool()> hasUnsavedChanges, std::function<void()> write,
        QObject* parent = nullptr);
    void start(int intervalMs = DefaultIntervalMs);
    void stop() { m_timer.stop(); }
    bool isActive() const { return m_timer.isActive(); }

    void onTimeout();

private:
    std::function<bool()> m_hasUnsavedChanges;
    std::function<void()> m_write;
    QTimer m_timer;
};
