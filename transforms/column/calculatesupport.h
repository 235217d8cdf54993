#pragma once

// Helpers shared by the files that implement the Calculate operations; not
// meant for use elsewhere.

#include "transforms/column/calculateoperations.h"

namespace CalculateOps {
namespace detail {

Outcome success(const QString& text);
Outcome failure(Problem problem, int operand);
QString numberText(double value);
bool isDecimalTie(double value, int decimals);
QString integerText(qint64 value);
bool readNumber(const QString& text, double* value);
// Whole numbers that fit a 64-bit integer.
bool wholeNumber(const QString& text, double number, qint64* out);

// Date-time, time and Julian day operations (calculatetime.cpp).
Outcome dateTimeOperation(Op op, const QString& value1, const QString& value2);

} // namespace detail
} // namespace CalculateOps
