#pragma once
// The general strip and the JP6 picture: the controls, built by TfrmMain and children of its group box;
// the window holds them as TfrmMain::General.
class QLabel;
class TShape;
class TToggleSwitch;
class TValueLabel;

struct TGeneralPanel {
    QLabel* lblTemp = nullptr;
    TValueLabel* pnlTemp = nullptr;
    QLabel* lblCalTemp = nullptr;
    TValueLabel* pnlCalTemp = nullptr;
    QLabel* lblSeebeck = nullptr;
    TValueLabel* pnlTempComp = nullptr;
    QLabel* lblJp6 = nullptr;
    TShape* Shape1 = nullptr;
    TShape* Shape3 = nullptr;
    TShape* Shape5 = nullptr;
    TShape* Shape7 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    TShape* OutJumper = nullptr;
    TToggleSwitch* calSwitch = nullptr;
};
