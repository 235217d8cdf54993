#include "core/settings.h"

#include <QApplication>
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
    QTextStream(stdout) << "Varnix " << QApplication::applicationVersion() << '\n';
    return 0;
}
