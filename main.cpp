#include "core/settings.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHash>
#include <QTextStream>

int main(int argc, char* argv[])
{
    // A fixed hash seed keeps hash iteration order, and with it everything
    // written from hashes, the same in every run.
    qSetGlobalQHashSeed(0);
    // Without a display (a server, CI, a console session) there is no window
    // to show, so run on the offscreen platform instead of failing to start.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(Settings::OrganizationName));
    QApplication::setApplicationName(QString::fromLatin1(Settings::ApplicationName));
    QApplication::setApplicationVersion(QStringLiteral(VARNIX_VERSION));
    Settings::instance().apply();
    // With a display and without -cli the user gets the window; otherwise
    // the command line below stays the way in.
    const QStringList args = QApplication::arguments().mid(1);
    const bool cli = args.contains(QStringLiteral("-cli"), Qt::CaseInsensitive);
    if (QGuiApplication::platformName() != QLatin1String("offscreen") && !cli) {
        QString document;
        for (const QString& arg : args) {
            if (!arg.startsWith(QLatin1Char('-')) && document.isEmpty())
                document = arg;
        }
        MainWindow window;
        window.show();
        window.openAtStart(document, args.contains(QStringLiteral("-new_window"), Qt::CaseInsensitive));
        return app.exec();
    }
    QTextStream(stdout) << "Varnix " << QApplication::applicationVersion() << '\n';
    return 0;
}
