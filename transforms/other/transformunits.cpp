#include "transforms/other/transformunits.h"

#include "core/dataset.h"
#include "core/values.h"

namespace {

using Unit = TransformUnits::Unit;
using Dimension = TransformUnits::Dimension;

QVector<Dimension> buildDimensions()
{
    // The scales are rounded figures, not exact definitions; results are
    // expected to match them digit for digit, so they must stay as written.
    return {
        { QStringLiteral("Time"),
            { { QStringLiteral("Seconds"), 1, 0 }, { QStringLiteral("Days"), 1.0 / 86400, 0 },
                { QStringLiteral("Hours"), 1.0 / 3600, 0 },
                { QStringLiteral("Milliseconds"), 1000, 0 },
                { QStringLiteral("Minutes"), 1.0 / 60, 0 },
                { QStringLiteral("Weeks"), 1.0 / 604800, 0 },
                { QStringLiteral("Years"), 1.0 / 31557600, 0 } } },
        { QStringLiteral("Length"),
            { { QStringLiteral("Meters"), 1, 0 }, { QStringLiteral("Centimeters"), 100, 0 },
                { QStringLiteral("Feet"), 3.28084, 0 }, { QStringLiteral("Inches"), 39.3701, 0 },
                { QStringLiteral("Kilometers"), 0.001, 0 },
                { QStringLiteral("Miles"), 0.0006213699, 0 },
                { QStringLiteral("Millimeters"), 1000, 0 },
                { QStringLiteral("Nautical miles"), 0.0005399568, 0 },
                { QStringLiteral("Yards"), 1.09361, 0 } } },
        { QStringLiteral("Area"),
            { { QStringLiteral("Square meters"), 1, 0 },
                { QStringLiteral("Acres"), 0.000247105, 0 },
                { QStringLiteral("Hectares"), 0.0001, 0 },
                { QStringLiteral("Square foot"), 10.7639, 0 },
                { QStringLiteral("Square inch"), 1550, 0 },
                { QStringLiteral("Square kilometers"), 1e-06, 0 },
                { QStringLiteral("Square miles"), 3.861e-07, 0 },
                { QStringLiteral("Square yards"), 1.19599, 0 } } },
        { QStringLiteral("Temperature"),
            { { QStringLiteral("Celsius/Centigrade"), 1, 0 },
                { QStringLiteral("Fahrenheit"), 1.8, 32 },
                { QStringLiteral("Kelvin"), 1, 273.15 } } },
        { QStringLiteral("Mass"),
            { { QStringLiteral("Kilograms"), 1, 0 }, { QStringLiteral("Grams"), 1000, 0 },
                { QStringLiteral("Milligrams"), 1000000, 0 },
                { QStringLiteral("Ounces"), 35.274, 0 }, { QStringLiteral("Pounds"), 2.20462, 0 },
                { QStringLiteral("Stones"), 0.157473, 0 }, { QStringLiteral("Tonnes"), 0.001, 0 },
                { QStringLiteral("Tons (Imperial)"), 0.000984207, 0 },
                { QStringLiteral("Tons (US)"), 0.00110231, 0 } } },
        { QStringLiteral("Energy"),
            { { QStringLiteral("Joules"), 1, 0 },
                { QStringLiteral("British Thermal Units"), 0.000947817, 0 },
                { QStringLiteral("Calories"), 0.239006, 0 }, { QStringLiteral("Erg"), 10000000, 0 },
                { QStringLiteral("Foot pounds"), 0.737562, 0 },
                { QStringLiteral("Kilocalories"), 0.000239006, 0 },
                { QStringLiteral("Kilojoules"), 0.001, 0 },
                { QStringLiteral("Kilowatt hours"), 2.7778e-07, 0 },
                { QStringLiteral("Therms (US)"), 9.4804e-09, 0 },
                { QStringLiteral("Watt hours"), 0.000277778, 0 } } },
        { QStringLiteral("Angle"),
            { { QStringLiteral("Degrees"), 1, 0 }, { QStringLiteral("Minutes of arc"), 60, 0 },
                { QStringLiteral("Radians"), 0.0174533, 0 },
                { QStringLiteral("Seconds of arc"), 3600, 0 } } },
        { QStringLiteral("Pressure"),
            { { QStringLiteral("Pascals"), 1, 0 }, { QStringLiteral("Bars"), 1e-05, 0 },
                { QStringLiteral("Pounds per square inch"), 0.000145038, 0 },
                { QStringLiteral("Standard atmospheres"), 9.8692e-06, 0 } } },
        { QStringLiteral("Velocity"),
            { { QStringLiteral("Meters per second"), 1, 0 },
                { QStringLiteral("Feet per second"), 3.28084, 0 },
                { QStringLiteral("Kilometers per hour"), 3.6, 0 },
                { QStringLiteral("Knots"), 1.94384, 0 },
                { QStringLiteral("Miles per hour"), 2.23694, 0 } } },
        { QStringLiteral("Volume"),
            { { QStringLiteral("Liters"), 1, 0 }, { QStringLiteral("Cubic feet"), 0.0353147, 0 },
                { QStringLiteral("Cubic inches"), 61.0237, 0 },
                { QStringLiteral("Cubic meters"), 0.001, 0 },
                { QStringLiteral("Fluid ounces"), 33.814, 0 },
                { QStringLiteral("Gallons (Imperial)"), 0.219969, 0 },
                { QStringLiteral("Gallons (US)"), 0.264172, 0 },
                { QStringLiteral("Milliliters"), 1000, 0 },
                { QStringLiteral("Pints (Imperial)"), 1.75975, 0 },
                { QStringLiteral("Pints (US)"), 2.11338, 0 } } },
        { QStringLiteral("Power"),
            { { QStringLiteral("Watts"), 1, 0 },
                { QStringLiteral("Horsepower (Imperial)"), 0.0013410221, 0 },
                { QStringLiteral("Horsepower (Metric)"), 0.0013596216, 0 },
                { QStringLiteral("Kilowatts"), 0.001, 0 },
                { QStringLiteral("Megawatts"), 1e-06, 0 },
                { QStringLiteral("Milliwatts"), 1000, 0 } } },
    };
}

QStringList unitNames(const Dimension& dimension)
{
    QStringList names;
    for (const Unit& unit : dimension.units)
        names.append(unit.name);
    return names;
}

// Every unit of every dimension: the unit options accept any of them when a
// document is read, before the dimension narrows the lists again.
QStringList allUnitNames()
{
    QStringList names;
    for (const Dimension& dimension : TransformUnits::dimensions())
        names += unitNames(dimension);
    return names;
}

QStringList dimensionNames()
{
    QStringList names;
    for (const Dimension& dimension : TransformUnits::dimensions())
        names.append(dimension.name);
    return names;
}

} // namespace

const QVector<Dimension>& TransformUnits::dimensions()
{
    static const QVector<Dimension> all = buildDimensions();
    return all;
}

double TransformUnits::convert(double value, const Unit& from, const Unit& to)
{
    const double first = (value - from.offset) / from.scale;
    return first * to.scale + to.offset;
}

QString TransformUnits::description() const
{
    return QStringLiteral("Convert numbers between units of measurement, e.g. miles to "
                          "kilometers or Celsius to Fahrenheit.");
}

void TransformUnits::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    const QStringList dims = dimensionNames();
    addParameter(ParameterType::Selection, QStringLiteral("Dimension"), QStringLiteral("Dimension"),
        dims.first(), dims);
    const QStringList units = allUnitNames();
    addParameter(ParameterType::Selection, QStringLiteral("UnitsFrom"), QStringLiteral("From"),
        units.first(), units);
    addParameter(ParameterType::Selection, QStringLiteral("UnitsTo"), QStringLiteral("To"),
        units.first(), units);
}

bool TransformUnits::updateChoices()
{
    bool changed = false;
    const int index = selectionParameter(QStringLiteral("Dimension"));
    const QStringList units = unitNames(dimensions().value(index));
    for (const char* key : { "UnitsFrom", "UnitsTo" }) {
        TransformParameter* p = parameter(QString::fromLatin1(key));
        if (!p)
            continue;
        if (p->choiceList() == units)
            continue;
        const QString chosen = p->text();
        p->setChoices(units);
        p->setValue(units.contains(chosen) ? chosen : units.first());
        changed = true;
    }
    return changed;
}

QStringList TransformUnits::requiredKeys() const
{
    return { QStringLiteral("Dimension"), QStringLiteral("UnitsFrom"), QStringLiteral("UnitsTo") };
}

bool TransformUnits::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(columns)
    const Dimension dimension = dimensions().value(selectionParameter(QStringLiteral("Dimension")));
    const QStringList names = unitNames(dimension);
    const int from = names.indexOf(textParameter(QStringLiteral("UnitsFrom")));
    const int to = names.indexOf(textParameter(QStringLiteral("UnitsTo")));
    if (from < 0 || to < 0) {
        addWarning(QStringLiteral("The units chosen are not units of %1").arg(dimension.name));
        return false;
    }
    m_from = dimension.units.at(from);
    m_to = dimension.units.at(to);
    m_columnNames = input.columnNames();
    m_nonNumeric = ValueExamples();
    return true;
}

QString TransformUnits::rewrite(const QString& text, int row, int column)
{
    if (text.trimmed().isEmpty())
        return text;
    bool ok = false;
    const double value = toNumber(text, false, false, &ok);
    if (ok)
        return formatNumber(convert(value, m_from, m_to));
    m_nonNumeric.add(text, m_columnNames.value(column), row);
    return text;
}

void TransformUnits::setRewriteSummary(qint64 changed, qint64 unchanged)
{
    const qint64 bad = m_nonNumeric.count();
    m_nonNumeric.report(this,
        QStringLiteral("%1 non-numeric %2:")
            .arg(formatInteger(bad, true),
                wordForCount(bad, QStringLiteral("value"), QStringLiteral("values"))));
    if (changed == 0 && bad == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    setSummary(QStringLiteral("%1 changed, %2 unchanged, %3 non-numeric")
                   .arg(formatInteger(changed, true), formatInteger(unchanged, true),
                       formatInteger(bad, true)));
}
