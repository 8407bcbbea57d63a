// Placeholder until this subsystem is built.
#include "../../app/MainWindow.h"
void TfrmMain::FillOutRanges() {}
void TfrmMain::ShowOutRangeUnits(int) {}
void TfrmMain::btnGetOutRangeClick() {}
void TfrmMain::btnGetTempOutRangeClick() {}
void TfrmMain::cmbOutRangesPropertiesEditValueChanged() {}
bool TfrmMain::OutRangeInvalid() { return false; }
void TfrmMain::btnSetOutRangeClick() {}
void TfrmMain::edAlarmLimitExit() {}
void TfrmMain::edDeadBandExit() {}
void TfrmMain::AddOutSettings() {}
