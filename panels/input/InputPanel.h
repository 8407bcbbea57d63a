#pragma once
// The input panel: the controls, built by TfrmMain and children of its group box;
// the window holds them as TfrmMain::In.
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class TEdit;
class TValueLabel;

struct TInputPanel {
    QLabel* lblInpRange = nullptr;
    TValueLabel* pnlInpRange = nullptr;
    QPushButton* btnGetPermInpRange = nullptr;
    QLabel* lblWiring1 = nullptr;
    TValueLabel* pnlWiring = nullptr;
    QLabel* lblInpReadingP = nullptr;
    TValueLabel* pnlInpReadingP = nullptr;
    QLabel* lblEngReadingP = nullptr;
    TValueLabel* pnlEngReadingP = nullptr;
    QLabel* lblInputZeroP = nullptr;
    TValueLabel* pnlInpZeroP = nullptr;
    QLabel* lblEuMinP = nullptr;
    TValueLabel* pnlEuMinP = nullptr;
    QLabel* lblInpFsP = nullptr;
    TValueLabel* pnlInpFullP = nullptr;
    QLabel* lblEuMaxP = nullptr;
    TValueLabel* pnlEuMaxP = nullptr;
    QFrame* bvlInput = nullptr;
    QLabel* lblInpRanges = nullptr;
    QComboBox* cmbInpRanges = nullptr;
    QPushButton* btnGetTempInpRange = nullptr;
    QPushButton* btnSetInputRange = nullptr;
    QLabel* lblWiring = nullptr;
    QComboBox* cmbWiring = nullptr;
    QLabel* lblInpReading = nullptr;
    TValueLabel* pnlInpReading = nullptr;
    QLabel* lblEngReading = nullptr;
    TValueLabel* pnlEngReading = nullptr;
    QLabel* lblInputZero = nullptr;
    TEdit* edInpZero = nullptr;
    QAction* edInpZeroButton = nullptr; // the button at the right end of edInpZero
    QLabel* lblInpZeroUnit = nullptr;
    QLabel* lblEuMin = nullptr;
    TEdit* edEuMin = nullptr;
    QLabel* lblEuMinUnit = nullptr;
    QLabel* lblInpFs = nullptr;
    TEdit* edInpFull = nullptr;
    QAction* edInpFullButton = nullptr;
    QLabel* lblInpFullUnit = nullptr;
    QLabel* lblEuMax = nullptr;
    TEdit* edEuMax = nullptr;
    QLabel* lblEuMaxUnit = nullptr;
};
