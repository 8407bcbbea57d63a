#include "ComSelect.h"

#include "../app/MainWindow.h"
#include "../app/UiServices.h"
#include "PortNames.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>

TfrmComSelect::TfrmComSelect(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmComSelect"));
    setWindowTitle(QStringLiteral("Select COM Port"));
    // Fixed dialog frame without system menu or close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(258, 119);
    setModal(true);

    lblComSelect = new QLabel(QStringLiteral("Please select COM port:"), this);
    lblComSelect->setObjectName(QStringLiteral("lblComSelect"));
    lblComSelect->setGeometry(9, 26, 118, 17);

    cbComPorts = new QComboBox(this);
    cbComPorts->setObjectName(QStringLiteral("cbComPorts"));
    cbComPorts->setGeometry(128, 24, 121, 21);
    cbComPorts->setEditable(false);
    cbComPorts->setToolTip(QStringLiteral("Please select a COM port from available com ports"));
    cbComPorts->setAccessibleName(QStringLiteral("COM port"));

    lblDevice = new QLabel(this);
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    lblDevice->setGeometry(9, 52, 240, 17);
    lblDevice->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblDevice->setEnabled(false);

    btnOk = new QPushButton(QStringLiteral("&OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(48, 80, 75, 25);
    btnOk->setFlat(true);
    btnOk->setAutoDefault(false);
    btnOk->setToolTip(QStringLiteral("Press to open the selected COM port"));
    btnOk->setAccessibleName(QStringLiteral("OK"));

    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(136, 80, 75, 25);
    btnCancel->setAutoDefault(false);
    btnCancel->setAccessibleName(QStringLiteral("Cancel"));

    setTabOrder(cbComPorts, btnOk);
    setTabOrder(btnOk, btnCancel);

    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbComPorts, &QComboBox::currentIndexChanged, this, &TfrmComSelect::ShowDevice);
    FormCreate();
}

void TfrmComSelect::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfrmComSelect::ComPortAvailable(int number) {
    if (number <= 0) return false;
    const QString device = ComPortDevice(number);
    if (device.isEmpty()) return false;
    QSerialPort port;
    port.setPortName(device);
    if (port.open(QIODevice::ReadWrite)) {
        port.close();
        return true;
    }
    // Held by another program, or by this tool itself: listed all the same.
    return port.error() == QSerialPort::PermissionError;
}

void TfrmComSelect::FormCreate() {
    cbComPorts->clear();
    for (int n = 1; n <= MaxComPort; ++n)
        if (ComPortAvailable(n)) cbComPorts->addItem(QStringLiteral("COM%1").arg(n));
    cbComPorts->setCurrentIndex(cbComPorts->count() > 0 ? 0 : -1);
    // With no port to offer OK cannot be chosen; Cancel still closes the dialog.
    btnOk->setEnabled(cbComPorts->count() > 0);
    ShowDevice();
}

int TfrmComSelect::GetSelectedPort() const { return cbComPorts->currentText().mid(3, 255).toInt(); }

void TfrmComSelect::ShowDevice() {
    const int port = GetSelectedPort();
    lblDevice->setText(port > 0 ? ComPortDevice(port) : QStringLiteral("No serial port found"));
}

bool TfrmMain::ShowComSelect(int& port) { return Ui()->SelectPort(this, port); }

bool TfrmMain::SelectComPort() {
    int port = 0;
    if (!ShowComSelect(port) || port <= 0) return false;
    OpenComPort(port);
    return true;
}

void TfrmMain::sbMainPanels0DblClick() {
    // An error opening the port ends the handler in the general error box; the
    // status line then tells that no port is open.
    struct TReport {
        TfrmMain* Window;
        ~TReport() { Window->ShowStatus(QStringLiteral("COM port opened."), skBusy); }
    } report{this};
    SelectComPort();
}
