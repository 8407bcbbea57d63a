// Placeholder until this subsystem is built.
#include "../../app/MainWindow.h"
void TfrmMain::ShowInPerm() {}
void TfrmMain::ShowInActive() {}
void TfrmMain::ShowInFull() {}
