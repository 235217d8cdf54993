#pragma once

#include <QString>

class GraphScene;

// The window's way to the ".transform" reader and writer: one place that
// knows the document layer, so the window code does not.
namespace DocumentBridge {

struct Loaded
{
    QString notes;
    bool snapToGrid = false;
    bool autoRun = true;
    bool newerVersion = false;
    bool pathsRelocated = false;
    QString warnings;
};

// Whether this build can read and write documents.
bool available();
// Returns an empty text on success, else the reason.
QString save(const GraphScene& scene, const QString& path, const QString& notes, bool snapToGrid,
             bool autoRun);
QString load(const QString& path, GraphScene& scene, Loaded* loaded);

// The auto-recovery document in the temporary folder.
QString recoveryPath();
// How many processes of this program are running, this one included.
int runningInstances();

} // namespace DocumentBridge
