// The first show of the main window: it brings the window into its working state
// and arms the event flags.
#include "MainWindow.h"

#include "../panels/general/CalLists.h"
#include "../panels/general/GeneralPanel.h"
#include "../panels/input/InputPanel.h"
#include "../panels/output/OutputPanel.h"
#include "../widgets/Controls.h"
#include "../widgets/NumericMask.h"
#include "../widgets/ToggleSwitch.h"
#include "MrtVersion.h"
#include "UiServices.h"

#include <QComboBox>
#include <QPushButton>
#include <QRegularExpressionValidator>

void TfrmMain::FormShow() {
    setWindowTitle(QStringLiteral("MRT9-DX Configuration & Calibration V" MRT_VERSION " - Dornvale"));

    // The numeric entry mask: set on In->edInpZero, then copied to the other seven.
    In->edInpZero->setValidator(new QRegularExpressionValidator(NumericMaskExpression(), In->edInpZero));
    for (TEdit* edit : {In->edInpFull, In->edEuMin, In->edEuMax, Out->edOutMin, Out->edOutMax,
                        Out->edAlarmLimit, Out->edDeadBand}) {
        const auto* mask = qobject_cast<const QRegularExpressionValidator*>(In->edInpZero->validator());
        edit->setValidator(new QRegularExpressionValidator(mask->regularExpression(), edit));
    }

    bool portChosen = false;
    try {
        portChosen = SelectComPort();
    } catch (const EMrtError& e) {
        // The chosen port would not open: show why, then go on as after Cancel, so
        // that the window is fully usable and a port can be opened from panel 0.
        ShowGeneralError(e.Message);
        portChosen = true;
    }
    if (!portChosen) {
        Ui()->Beep();
        Ui()->Information(this,
                          QStringLiteral("No COM port defined. Program will not communicate with the unit."));
    }

    Ready = InFullMode = false;
    CalLists->InitInCalStat();
    CalLists->InitOutCalStat();
    In->FillInRanges();
    Out->FillOutRanges();
    In->DisableInPanel();
    Out->DisableOutPanel();
    In->ShowInRangeDefaults(In->cmbInpRanges->currentIndex());
    Out->ShowOutRangeUnits(Out->cmbOutRanges->currentIndex());
    General->calSwitch->setToolTip(QStringLiteral("Slide to switch to CAL/RUN modes"));
    General->QueryMode();
    Ready = true;
    In->btnGetPermInpRange->setFocus();
}
