#pragma once

class GraphModel;
class QWidget;

// What the window does with a document that was saved with auto run on, so
// that opening it does not rewrite its output files unasked. The choice is
// the "Opening a .transform with auto run:" preference.
namespace OpenAutoRun {

enum Choice : int {
    LeaveEnabled = 0,
    PromptDisableAutoRun = 1,
    PromptDisableOutputs = 2,
    DisableOutputs = 3,
    DisableAutoRun = 4
};

// Applies the choice to a freshly loaded graph; the questions are asked in
// message boxes over the parent. Returns whether auto run stays on.
bool apply(GraphModel& graph, int choice, QWidget* parent);

// Resumes the paused outputs among the selected items.
void resumeSelectedOutputs(GraphModel& graph);

} // namespace OpenAutoRun
