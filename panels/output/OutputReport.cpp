// Placeholder until this subsystem is built.
#include "../../app/MainWindow.h"
void TfrmMain::ShowOutActive() {}
void TfrmMain::ShowOutPerm() {}
void TfrmMain::ShowOutFull() {}
