#include "ui/windowsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPalette>

WindowSettings& WindowSettings::instance()
{
    static WindowSettings settings(QCoreApplication::instance()
            ? QCoreApplication::applicationDirPath()
            : QDir::currentPath());
    return settings;
}

int WindowSettings::colorScheme() const
{
    const QVariant stored = value("color_scheme");
    if (stored.isValid())
        return stored.toInt();
    const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const bool darkDesktop = gui && gui->palette().color(QPalette::Window).lightness() < 128;
    return darkDesktop ? SchemeDark : SchemeLight;
}

QColor WindowSettings::customColor(const QString& role, const QColor& fallback) const
{
    const QColor c(value(QStringLiteral("custom_color_") + role).toString());
    return c.isValid() ? c : fallback;
}

void WindowSettings::setCustomColor(const QString& role, const QColor& color)
{
    set(QStringLiteral("custom_color_") + role, color.name(QColor::HexArgb));
}

int WindowSettings::splitterWidth(int splitter) const
{
    bool ok = false;
    const int w = value(QStringLiteral("splitter_width_%1").arg(splitter), -1).toInt(&ok);
    return ok ? w : -1;
}

void WindowSettings::setSplitterWidth(int splitter, int width)
{
    set(QStringLiteral("splitter_width_%1").arg(splitter), width);
}
