// Placeholder until this subsystem is built.
#include "../app/MainWindow.h"
void TfrmMain::calSwitchClick() {}
void TfrmMain::QueryMode() {}
void TfrmMain::ShowMode() {}
bool TfrmMain::btnGetPermInpRangeKeyDown(int, Qt::KeyboardModifiers, Qt::MouseButtons) { return false; }
void TfrmMain::EnterFullMode() {}
void TfrmMain::SendToolkitVersion() {}
void TfrmMain::ShowOpResult() {}
