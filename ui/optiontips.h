#pragma once

#include <QString>

// What an option of the Input, Output and Chart forms does, for the tip that
// shows when the pointer rests on it; keyed by the field's name (an axis
// option of a chart by its name after the axis letter). Empty for a field not
// listed.
QString optionTip(const QString& field);
