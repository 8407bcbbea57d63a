// Placeholder until this subsystem is built.
#include "../../app/MainWindow.h"
void TfrmMain::seOutZeroKeyPress(QChar&) {}
void TfrmMain::edOutZeroPropertiesChange() {}
void TfrmMain::edOutFullPropertiesChange() {}
void TfrmMain::seOutZeroExit() {}
void TfrmMain::seOutFullExit() {}
void TfrmMain::btnOutZeroClick() {}
void TfrmMain::btnOutFullClick() {}
