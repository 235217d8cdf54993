#pragma once

// Upgrades that let documents of older releases load into the current
// model. Each works on what the reader has collected before anything is
// created from it.

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

namespace DocumentUpgrades {

// Raw attributes of an element, name to undecoded value.
using Attributes = QMap<QString, QString>;
// A transform's (parameter name, percent-decoded value) pairs, in file order.
using ParameterPairs = QList<QPair<QString, QString>>;

// Input elements: the single hidden-cells flag of old releases becomes the
// column and the row flags.
void upgradeInputAttributes(Attributes& attributes, int version);
// Output elements: documents from before the file comment existed get the
// comment new outputs start with.
void upgradeOutputAttributes(Attributes& attributes, int version);
// Renamed parameters and changed choice texts of particular transforms.
void upgradeParameters(const QString& typeKey, ParameterPairs& pairs, int version);
// Batch logging: a "verbose" flag preceded the verbosity level.
void upgradeBatchLogging(Attributes& attributes, int version);

} // namespace DocumentUpgrades
