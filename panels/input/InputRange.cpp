// Placeholder until this subsystem is built.
#include "../../app/MainWindow.h"
void TfrmMain::FillInRanges() {}
void TfrmMain::ShowInRangeDefaults(int) {}
void TfrmMain::btnGetPermInpRangeClick() {}
void TfrmMain::btnGetTempInpRangeClick() {}
void TfrmMain::cmbInpRangesClick() {}
bool TfrmMain::InRangeInvalid() { return false; }
void TfrmMain::btnSetInputRangeClick() {}
void TfrmMain::edEuMinExit() {}
void TfrmMain::edEuMaxExit() {}
int TfrmMain::SelectedInputCode() const { return 0; }
