#pragma once
// Port numbers COM1 to COM50 and the devices they name.
//
// On Windows port n is \\.\COMn. Elsewhere port n is the link COMn in the folder
// mrt9dx of the user's runtime directory where it exists (the simulated
// transmitter puts its pseudo-terminal there, and an administrator may link any
// device there; without a private runtime directory there are no links);
// otherwise COM1-COM10 are /dev/ttyUSB0-9, COM11-COM20 /dev/ttyACM0-9 and
// COM21-COM50 /dev/ttyS0-29.
#include <QString>

constexpr int MaxComPort = 50;

QString ComPortDevice(int number);
// n for a port named COMn (in any case) with n from 1 to MaxComPort; 0 for any
// other name.
int ComNumberOf(const QString& name);
// The folder of the COMn links; empty where the user has no private runtime
// folder (XDG_RUNTIME_DIR unset, relative, not the user's, or open to others),
// and then no link exists.
QString ComLinkFolder();
// The path of the link COMn; empty without a folder.
QString ComLinkPath(int number);
