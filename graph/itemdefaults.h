#pragma once

// The user's saved defaults of item options: "Save as default" on an item
// stores its options, a new item of the same kind takes them, and "Reset to
// defaults" forgets them. Transforms keep one set per type; Input and
// Output items one set per kind, source and file type, since a delimiter
// chosen for CSV files means nothing for workbooks. Options that say where
// the data lives (paths, aliases, sheets, column lists) are never saved.

#include <QStringList>

class EngineSettings;
class Node;

namespace ItemDefaults {

// Whether the item has options that can be saved as defaults.
bool canSave(const Node& node);
// Stores the item's options as the defaults for new items like it.
void save(const Node& node, EngineSettings& settings);
// Forgets the saved defaults of items like this one.
void reset(const Node& node, EngineSettings& settings);
// Gives a new Input or Output item the saved defaults of its kind (a
// Transform takes its own while its options are defined); returns the keys
// of the options that changed and remembers them on the item.
QStringList apply(Node& node, const EngineSettings& settings);
// The options of the item that came from saved defaults.
QStringList applied(const Node& node);

} // namespace ItemDefaults
