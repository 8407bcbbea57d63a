#pragma once
// TfrmComSelect, the port dialog: it lists the serial ports COM1 to COM50 that the
// port rules (PortRules.h) offer and lets the user pick one. The label under the
// list tells the device behind the selected entry, the adapter, and why a port
// cannot be opened now. The list follows the hardware while the dialog is open.
#include "../link/PortRules.h"

#include <QDialog>

class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTimer;

class TfrmComSelect : public QDialog {
    Q_OBJECT
public:
    explicit TfrmComSelect(QWidget* parent = nullptr);
    // A port is available when the port rules offer it. Port 0 never is.
    static bool ComPortAvailable(int number);
    int GetSelectedPort() const;
    // Builds the list anew from the ports offered now; the selected port stays
    // selected while it is offered. The dialog does this every second; only a
    // device new since the last pass is opened to try it, one already tried
    // keeps the state found then.
    void RefreshPorts();

    QLabel* lblComSelect = nullptr;
    QComboBox* cbComPorts = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QLabel* lblDevice = nullptr;
    QTimer* tmrRefresh = nullptr;

protected:
    // Neither button is bound to Enter or Escape: only a click (or Alt+O, Alt+C)
    // closes the dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setupControls();
    void FormCreate();
    void ShowDevice();
    QList<TPortOffer> Offers;
    TPortTrials Trials;
};
