#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>

class QWidget;

// The light and dark looks of the window. The dark look needs more than a
// palette: the style draws unchecked check boxes and a few icons in colours
// of its own that vanish on a dark background.
namespace Theme {

QPalette palette(bool dark);
// Sets the application's palette and the rules that keep check boxes
// visible, and restyles the widgets under root that draw their own colours
// (found by object name).
void apply(bool dark, QWidget* root);
// The "show full screen" icon in the ink colour.
QIcon fullScreenIcon(const QColor& ink);
// The style of an item button of the left pane: the item kind's accent on
// the left, the rest in the palette's button colours.
QString itemButtonStyle(const QColor& accent, const QPalette& palette);

} // namespace Theme
