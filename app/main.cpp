// mrt9dx-config: the configuration and calibration tool for the MRT9-DX
// transmitter. It takes no arguments of its own and keeps no settings.
#include "../link/Clock.h"
#include "../link/StopSignals.h"
#include "../link/Transport.h"
#include "MainWindow.h"
#include "ProgramIcon.h"
#include "ProgramLook.h"
#include "UiServices.h"

#include <MrtVersion.h>
#include <QApplication>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
const char* const HelpText =
    "Usage: mrt9dx-config [--help] [--version]\n"
    "The configuration and calibration tool of the MRT9-DX temperature transmitter.\n"
    "It takes no arguments and keeps no settings: the COM port is chosen in its port\n"
    "dialog at every start. Qt's own options (such as -platform) are accepted.\n"
    "--help     this help\n"
    "--version  the version\n";

// Qt's own options, which QApplication takes out of the arguments; those that
// take a value may also be written -option=value.
const std::string QtOptionsWithValue = " platform platformpluginpath platformtheme plugin qwindowgeometry "
                                       "qwindowicon qwindowtitle geometry title icon display name session "
                                       "style stylesheet qmljsdebugger ";
const std::string QtOptionsAlone = " reverse widgetcount nograb dograb sync ";

bool OneOf(const std::string& name, const std::string& names) {
    return !name.empty() && names.find(' ' + name + ' ') != std::string::npos;
}

// What is wrong with the first argument that is neither ours nor Qt's, or
// nothing. Qt writes its options with one dash or two.
std::string ArgumentError(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string name = arg.substr(arg.compare(0, 2, "--") == 0 ? 2 : 1);
        const std::size_t equals = name.find('=');
        if (arg.size() < 2 || arg[0] != '-') return "it takes no arguments, not " + arg;
        if (equals != std::string::npos) {
            if (!OneOf(name.substr(0, equals), QtOptionsWithValue)) return "unknown option " + arg;
        } else if (OneOf(name, QtOptionsWithValue)) {
            if (++i == argc) return arg + " needs a value";
        } else if (!OneOf(name, QtOptionsAlone)) {
            return "unknown option " + arg;
        }
    }
    return {};
}

// Qt ends a program whose window system it cannot reach with an abort and a
// text that blames the installation. While QApplication starts, the window
// system's messages are held back: a fatal one ends the program with one line
// that says what is wrong, and status 1; otherwise they are passed on once it
// has started.
QtMessageHandler QtHandler = nullptr;
struct THeldMessage {
    QtMsgType type;
    const char* category; // a category's name lives as long as the program
    QString text;
};
std::vector<THeldMessage> HeldMessages;

void StartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        // The window system's own complaint; else the last word of Qt's plugin loader.
        const auto own = std::find_if(HeldMessages.begin(), HeldMessages.end(), [](const THeldMessage& m) {
            return std::strcmp(m.category, "qt.qpa.plugin") != 0;
        });
        QString why = own != HeldMessages.end() ? own->text
                      : HeldMessages.empty()    ? QString()
                                                : HeldMessages.back().text;
        why = why.section(QLatin1Char('\n'), 0, 0);
        if (qEnvironmentVariableIsEmpty("DISPLAY") &&
            (why.isEmpty() || why.contains(QStringLiteral("display"))))
            why = QStringLiteral("DISPLAY is not set");
        else if (why.isEmpty())
            why = QStringLiteral("no window system answers on DISPLAY=") + qEnvironmentVariable("DISPLAY");
        std::fprintf(stderr, "mrt9dx-config: cannot open the display: %s\n", qPrintable(why));
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (context.category && std::strncmp(context.category, "qt.qpa.", 7) == 0)
        HeldMessages.push_back({type, context.category, text});
    else if (QtHandler)
        QtHandler(type, context, text);
}

void PassOnHeldMessages() {
    qInstallMessageHandler(QtHandler);
    for (const THeldMessage& m : HeldMessages)
        if (QtHandler) QtHandler(m.type, QMessageLogContext(nullptr, 0, nullptr, m.category), m.text);
    HeldMessages.clear();
}
} // namespace

int main(int argc, char* argv[]) {
    if (!OpenClosedStandardDescriptors("mrt9dx-config")) return 1;
    // Answered before the window system is reached, so that they work without a
    // display too.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return std::fputs(HelpText, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
        if (std::strcmp(argv[i], "--version") == 0)
            return std::printf("mrt9dx-config %s\n", MRT_VERSION) > 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (const std::string error = ArgumentError(argc, argv); !error.empty()) {
        std::fprintf(stderr, "mrt9dx-config: %s; 'mrt9dx-config --help' lists the options\n", error.c_str());
        return 2;
    }
    QtHandler = qInstallMessageHandler(StartupMessage);
    QApplication app(argc, argv);
    PassOnHeldMessages();
    QApplication::setApplicationName(QStringLiteral("mrt9dx-config"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.mrt9dx.config")); // its menu entry
    QApplication::setWindowIcon(ProgramIcon());                               // the port dialog shows it too
    SetProgramLook();

    TSteadyClock clock;
    TSerialTransport transport;
    TQtUiServices ui;
    TfrmMain window(&transport, &clock, &ui);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return app.exec();
}
