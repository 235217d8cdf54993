#include "ui/theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QToolButton>
#include <QWidget>

namespace Theme {

namespace {

// Only the unchecked state gets a rule: the style's own checked box shows
// its mark in the text colour, which reads on both backgrounds.
const char* const DarkRules
    = "QAbstractItemView::indicator:unchecked, QCheckBox::indicator:unchecked,"
      " QGroupBox::indicator:unchecked {"
      " border: 1px solid #a8adb3; background: #1f2124; border-radius: 2px;"
      " width: 12px; height: 12px; }";

struct ItemButton
{
    const char* name;
    QColor accent;
};

const ItemButton ItemButtons[] = {
    { "inputButton", QColor(0x2e, 0x8b, 0x57) },
    { "outputButton", QColor(0xc8, 0x6a, 0x12) },
    { "noteButton", QColor(0xc9, 0xb0, 0x3c) },
    { "chartButton", QColor(0x7a, 0x4f, 0xb5) },
};

} // namespace

QPalette palette(bool dark)
{
    QPalette p = QApplication::style()->standardPalette();
    if (!dark)
        return p;
    const QColor window(0x2b, 0x2d, 0x31);
    const QColor base(0x1f, 0x21, 0x24);
    const QColor text(0xe6, 0xe6, 0xe6);
    const QColor grey(0x80, 0x80, 0x80);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xb5));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Light, QColor(0x4a, 0x4d, 0x52));
    p.setColor(QPalette::Midlight, QColor(0x3c, 0x3f, 0x44));
    p.setColor(QPalette::Mid, QColor(0x5a, 0x5e, 0x64));
    p.setColor(QPalette::Dark, QColor(0x18, 0x19, 0x1b));
    p.setColor(QPalette::Disabled, QPalette::Text, grey);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, grey);
    p.setColor(QPalette::Disabled, QPalette::WindowText, grey);
    return p;
}

void apply(bool dark, QWidget* root)
{
    const QPalette p = palette(dark);
    QApplication::setPalette(p);
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app)
        app->setStyleSheet(dark ? QString::fromLatin1(DarkRules) : QString());
    if (!root)
        return;
    for (const ItemButton& b : ItemButtons) {
        if (auto* button = root->findChild<QAbstractButton*>(QString::fromLatin1(b.name)))
            button->setStyleSheet(itemButtonStyle(b.accent, p));
    }
    const auto fullScreen = root->findChildren<QToolButton*>(QStringLiteral("fullScreenButton"));
    for (QToolButton* button : fullScreen)
        button->setIcon(fullScreenIcon(p.color(QPalette::ButtonText)));
}

QIcon fullScreenIcon(const QColor& ink)
{
    QIcon icon;
    for (int size : { 16, 24, 32 }) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        painter.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        // Four corners pointing outwards.
        const qreal a = 2.5, b = 6.5, c = 9.5, d = 13.5;
        painter.drawPolyline(QPolygonF({ { a, b }, { a, a }, { b, a } }));
        painter.drawPolyline(QPolygonF({ { c, a }, { d, a }, { d, b } }));
        painter.drawPolyline(QPolygonF({ { d, c }, { d, d }, { c, d } }));
        painter.drawPolyline(QPolygonF({ { b, d }, { a, d }, { a, c } }));
        icon.addPixmap(pixmap);
    }
    return icon;
}

QString itemButtonStyle(const QColor& accent, const QPalette& palette)
{
    // A style sheet fixes its colours when it is set, so the window sets it
    // again whenever the theme changes.
    return QStringLiteral("QPushButton { border: 1px solid %1; border-left: 5px solid %2;"
                          " border-radius: 3px; background-color: %3; color: %4; padding: 4px; }"
                          " QPushButton:hover { background-color: %5; }"
                          " QPushButton:pressed { background-color: %6; }")
        .arg(palette.color(QPalette::Mid).name(), accent.name(),
            palette.color(QPalette::Button).name(), palette.color(QPalette::ButtonText).name(),
            palette.color(QPalette::Button).lighter(115).name(),
            palette.color(QPalette::Button).darker(115).name());
}

} // namespace Theme
