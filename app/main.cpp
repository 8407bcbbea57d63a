// mrt9dx-config: the configuration and calibration tool for the MRT9-DX
// transmitter. It takes no arguments and keeps no settings.
#include "../link/Clock.h"
#include "../link/Transport.h"
#include "MainWindow.h"
#include "ProgramIcon.h"
#include "ProgramLook.h"
#include "UiServices.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mrt9dx-config"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.mrt9dx.config")); // its menu entry
    QApplication::setWindowIcon(ProgramIcon()); // the port dialog shows it too
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
