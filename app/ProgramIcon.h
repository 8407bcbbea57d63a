#pragma once
// The program's icon: a 32 x 32 picture in the 16 basic colours of a transmitter
// housing with a thermometer and an output signal.
#include <QIcon>

QIcon ProgramIcon();
