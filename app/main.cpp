// mrt9dx-config: the configuration and calibration tool for the MRT9-DX
// transmitter. It takes no arguments and keeps no settings.
#include "../link/Clock.h"
#include "../link/Transport.h"
#include "MainWindow.h"
#include "ProgramIcon.h"
#include "ProgramLook.h"
#include "UiServices.h"

#include <MrtVersion.h>
#include <QApplication>
#include <QScreen>
#include <cstdio>
#include <cstring>

namespace {
const char* const HelpText =
    "Usage: mrt9dx-config [--help] [--version]\n"
    "The configuration and calibration tool of the MRT9-DX temperature transmitter.\n"
    "It takes no arguments and keeps no settings: the COM port is chosen in its port\n"
    "dialog at every start. Qt's own options (such as -platform) are accepted.\n"
    "--help     this help\n"
    "--version  the version\n";
} // namespace

int main(int argc, char* argv[]) {
    // Answered before the window system is reached, so that they work without a
    // display too.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return std::fputs(HelpText, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
        if (std::strcmp(argv[i], "--version") == 0)
            return std::printf("mrt9dx-config %s\n", MRT_VERSION) > 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    QApplication app(argc, argv);
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
