// Build-time helper that writes the installed files derived from the program
// itself, so that they never need to be kept up to date by hand:
//   varnix_assettool manual OUT          the manual page, from the option table
//   varnix_assettool icon SVG SIZE OUT   the icon rendered as a SIZE x SIZE PNG
// Rendering with Qt's own SVG module keeps the build free of another image tool.
#include "batch/commandline.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QTextStream>

namespace {

int fail(const QString& message)
{
    QTextStream(stderr) << "varnix_assettool: " << message << '\n';
    return 1;
}

int writeManual(const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1").arg(path));
    file.write(CommandLine::manual().toUtf8());
    return file.commit() ? 0 : fail(QStringLiteral("cannot write %1").arg(path));
}

int renderIcon(const QString& svgPath, int size, const QString& path)
{
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid())
        return fail(QStringLiteral("cannot read %1").arg(svgPath));
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image.save(path, "PNG") ? 0 : fail(QStringLiteral("cannot write %1").arg(path));
}

} // namespace

int main(int argc, char* argv[])
{
    // Painting needs an application object, never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 2 && args.at(0) == QLatin1String("manual"))
        return writeManual(args.at(1));
    bool ok = false;
    const int size = args.size() == 4 ? args.at(2).toInt(&ok) : 0;
    if (args.size() == 4 && args.at(0) == QLatin1String("icon") && ok && size > 0)
        return renderIcon(args.at(1), size, args.at(3));
    return fail(QStringLiteral("usage: varnix_assettool manual OUT | icon SVG SIZE OUT"));
}
