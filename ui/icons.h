#pragma once

#include <QIcon>

// Tool bar icons drawn at run time, so the window needs no image files and
// the icons stay sharp at every tool bar size.
namespace Icons {

QIcon document();
QIcon folder();
QIcon save();
QIcon undo();
QIcon redo();
QIcon autoRun();
QIcon run();
QIcon stop();
QIcon zoomFit();
QIcon zoomIn();
QIcon zoomOut();

} // namespace Icons
