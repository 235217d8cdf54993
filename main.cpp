#include "batch/commandline.h"
#include "batch/commandlinereport.h"
#include "batch/commandlinerun.h"
#include "charts/chartbuilder.h"
#include "core/allocatortuning.h"
#include "core/enginesettings.h"
#include "core/memorylimit.h"
#include "document/autorecovery.h"
#include "document/documentreader.h"
#include "graph/chartnode.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "transforms/catalogue.h"
#include "ui/mainwindow.h"
#include "ui/windowsettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QMessageBox>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>

namespace {

const char* const SupportAddress = "support@varnix.example";

// Kept so that the last messages can still be shown once memory is gone.
char* g_emergencyBlock = nullptr;

// Prepared at start-up: once memory is gone, nothing can be formatted.
const char* const OutOfMemoryMessage = "Varnix ran out of memory!\n";

[[noreturn]] void onOutOfMemory()
{
    std::fputs(OutOfMemoryMessage, stderr);
    qWarning("Out of memory");
    std::abort();
}

// Delivers every event inside a guard: running out of the user's memory
// allowance, or any failure that escapes processing, closes the program in
// an orderly way instead of leaving it in an unknown state. A run without
// windows and without charts has the core application object only, which
// loads no platform plugin and no fonts.
template <class Base> class Guarded : public Base
{
public:
    Guarded(int& argc, char** argv, bool withWindows) : Base(argc, argv), m_withWindows(withWindows)
    {
    }

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return Base::notify(receiver, event);
        } catch (const std::bad_alloc&) {
            onOutOfMemory();
        } catch (const std::exception& e) {
            qWarning("exception: %s", e.what());
            closeWith(QStringLiteral(
                          "%1 has to close due to an exception. Please contact support at %2."),
                2);
        } catch (...) {
            closeWith(QStringLiteral("%1 has to close. Please contact support at %2."), 3);
        }
        return false;
    }

private:
    void closeWith(const QString& message, int code)
    {
        tell(message.arg(QCoreApplication::applicationName(), QLatin1String(SupportAddress)));
        std::exit(code);
    }

    void tell(const QString& text)
    {
        if (m_withWindows)
            QMessageBox::critical(nullptr, QCoreApplication::applicationName(), text);
        else
            QTextStream(stderr) << text << '\n';
    }

    bool m_withWindows;
};

// Registers the graph item kinds beyond those the graph knows itself.
// Each subsystem adds its registration call here as it arrives.
void registerNodeKinds()
{
    registerInputNodeKind();
    registerOutputNodeKind();
    registerChartNodeKind();
}

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int runWithoutWindows(const CommandLine& line)
{
    EngineSettings settings(QCoreApplication::applicationDirPath());
    settings.apply();
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    CommandLineReport report(&out, &err);
    CommandLineRun run(line, report);
    run.setLeaveGraphAtExit(true);
    run.setSettings(&settings);
    return run.run();
}

// The icon theme has the icon once the program is installed. A copy run from
// the build folder, or installed under a prefix the theme does not search,
// finds it relative to itself: share/ beside it in the build folder, ../share
// in an installed tree. Nothing is looked up in the source tree.
QIcon applicationIcon()
{
    const QString name = QStringLiteral("varnix");
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const char* share : { "share", "../share" }) {
        const QString path = programDir.filePath(
            QLatin1String(share) + QStringLiteral("/icons/hicolor/scalable/apps/varnix.svg"));
        if (QFileInfo::exists(path))
            return QIcon::fromTheme(name, QIcon(path));
    }
    return QIcon::fromTheme(name);
}

// The interactive start: the main window opens the chosen document. With
// no display there is no window to show, so the command line stays the way
// in.
int runWithWindows(const CommandLine& line)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        QTextStream(stdout) << QApplication::applicationName() << ' '
                            << QApplication::applicationVersion() << '\n'
                            << "No display: run a document with -cli (see -help).\n";
        return 0;
    }
    // Lets the desktop match the windows with the installed menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("varnix"));
    QApplication::setWindowIcon(applicationIcon());
    MainWindow window;
    window.show();
    window.openAtStart(line.documentPath, line.newWindow, line.assignments);
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    std::set_new_handler(&onOutOfMemory);
    // A fixed hash seed keeps hash iteration order, and with it everything
    // written from hashes (the attribute order of saved documents), the same
    // in every run.
    qSetGlobalQHashSeed(0);
    // A console program already reports in the console it was started
    // from; there is nothing to attach to here.
    const QStringList arguments = argumentsOf(argc, argv);
    const bool withWindows = !CommandLine::wantsNoWindows(arguments);
    const CommandLine line = CommandLine::parse(arguments);
    // "varnix -version" answers at once, with or without a display.
    const bool versionOnly = line.isValid() && line.printVersion && !line.nonInteractive
        && line.documentPath.isEmpty();
    const bool helpOnly = line.isValid() && (line.help || versionOnly);
    const bool runsAlone = helpOnly || line.nonInteractive || !line.isValid();
    // Drawing charts needs the widgets' graphics scene, so a run without
    // windows makes the full application object only for a document with a
    // chart. Without a display (a server, CI, a console session) that
    // object uses the offscreen platform instead of failing.
    const bool needsGui = !runsAlone
        || (!helpOnly && !line.documentPath.isEmpty()
            && DocumentReader::hasCharts(line.documentPath));
    const bool noDisplay
        = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    std::unique_ptr<QCoreApplication> app;
    if (needsGui) {
        if ((noDisplay || !withWindows) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication::setStyle(QStringLiteral("Fusion"));
        app = std::make_unique<Guarded<QApplication>>(argc, argv, withWindows);
        QApplication::setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    } else {
        app = std::make_unique<Guarded<QCoreApplication>>(argc, argv, false);
    }
    g_emergencyBlock = new char[256 * 1024];
    QCoreApplication::setOrganizationName(QString::fromLatin1(WindowSettings::OrganizationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(WindowSettings::ApplicationName));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARNIX_VERSION));
    Catalogue::instance();
    registerNodeKinds();
    installChartPlotting();

    if (line.isValid() && line.help) {
        QTextStream(stdout) << CommandLine::usage();
        return 0;
    }
    if (versionOnly) {
        QTextStream(stdout) << QCoreApplication::applicationName() << ' '
                            << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }
    if (runsAlone)
        return runWithoutWindows(line);
    WindowSettings::instance().apply();
    return runWithWindows(line);
}
