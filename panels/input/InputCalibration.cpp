// Placeholder until this subsystem is built.
#include "../../app/MainWindow.h"
void TfrmMain::edInpZeroPropertiesButtonClick() {}
void TfrmMain::edInpFullPropertiesButtonClick() {}
