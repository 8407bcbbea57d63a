#pragma once
// TfrmComSelect, the port dialog: it lists the serial ports COM1 to COM50 that can
// be offered and lets the user pick one. The label under the list shows the
// device behind the selected entry.
#include <QDialog>

class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;

class TfrmComSelect : public QDialog {
    Q_OBJECT
public:
    explicit TfrmComSelect(QWidget* parent = nullptr);
    // A port is available when its device opens, or exists but is held by another
    // program (permission refused). Port 0 never is.
    static bool ComPortAvailable(int number);
    int GetSelectedPort() const;

    QLabel* lblComSelect = nullptr;
    QComboBox* cbComPorts = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QLabel* lblDevice = nullptr;

protected:
    // Neither button is bound to Enter or Escape: only a click (or Alt+O, Alt+C)
    // closes the dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void ShowDevice();
};
