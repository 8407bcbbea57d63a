#pragma once
// The general strip: the module's temperatures, the Seebeck voltage, the JP6
// picture and the RUN/CAL switch, with the transmitter's mode, the program's full
// mode chord and the toolkit version the tool reports. The window holds it as
// TfrmMain::General; the controls are children of the general group box.
#include <QString>
#include <Qt>
#include <cstdint>

class QLabel;
class QWidget;
class TPanelHost;
class TShape;
class TToggleSwitch;
class TValueLabel;

class TGeneralPanel {
public:
    explicit TGeneralPanel(TPanelHost& host) : Host(host) {}

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

    // Builds the controls in the general group box.
    void Setup(QWidget* box);
    // The general strip of a report: TA and TCAL in degrees, and the switch at the mode.
    void ShowGeneral(double ta, double tCal, uint8_t mode);
    // The jumper where the output range's unit needs it: current or voltage.
    void ShowJumper(bool current);

    void calSwitchClick();
    void QueryMode();
    void ShowMode();
    // After a cmdSetMode that was refused or went unanswered: the switch shows
    // the mode the transmitter last reported.
    void ShowReportedMode();
    // True when the transmitter reports CAL, or the person answers Yes to the
    // question why RUN mode spoils what `what` would store (default No).
    bool WriteInRunAccepted(const QString& what);
    // The full mode chord on the upper R button of the input panel; true when the
    // key was consumed.
    bool btnGetPermInpRangeKeyDown(int key, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
    void SendToolkitVersion();
    void ShowOpResult();

private:
    TPanelHost& Host;
    // The mode the transmitter last reported (0 RUN).
    uint8_t ReportedMode = 0;
};
