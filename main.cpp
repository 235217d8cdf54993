#include "core/settings.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(Settings::OrganizationName));
    QApplication::setApplicationName(QString::fromLatin1(Settings::ApplicationName));
    QApplication::setApplicationVersion(QStringLiteral(VARNIX_VERSION));
    Settings::instance().apply();
    QTextStream(stdout) << "Varnix " << QApplication::applicationVersion() << '\n';
    return 0;
}
