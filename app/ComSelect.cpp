#include "ComSelect.h"

#include "../widgets/Accessibility.h"
#include "../widgets/Controls.h"
#include "MainWindow.h"
#include "UiServices.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

TfrmComSelect::TfrmComSelect(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmComSelect"));
    InstallAccessibleControls();
    setWindowTitle(QStringLiteral("Select COM Port"));
    // Fixed dialog frame without system menu or close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(258, 119);
    setModal(true);
    // Centred on the screen, not on the main window.
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    setupControls();

    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbComPorts, &QComboBox::currentIndexChanged, this, &TfrmComSelect::ShowDevice);
    FormCreate();

    // An adapter plugged in or pulled out shows within about a second.
    tmrRefresh = new QTimer(this);
    tmrRefresh->setObjectName(QStringLiteral("tmrRefresh"));
    tmrRefresh->setInterval(1000);
    connect(tmrRefresh, &QTimer::timeout, this, &TfrmComSelect::RefreshPorts);
    tmrRefresh->start();
}

// The caption and the list, the device label and the two buttons, in tab order.
void TfrmComSelect::setupControls() {
    lblComSelect = new QLabel(QStringLiteral("Please select COM port:"), this);
    lblComSelect->setObjectName(QStringLiteral("lblComSelect"));
    lblComSelect->setGeometry(9, 26, 118, 17);

    cbComPorts = new QComboBox(this);
    cbComPorts->setObjectName(QStringLiteral("cbComPorts"));
    cbComPorts->setGeometry(128, 24, 121, 21);
    cbComPorts->setEditable(false);
    cbComPorts->setToolTip(QStringLiteral("Please select a COM port from available com ports"));
    cbComPorts->setAccessibleName(QStringLiteral("COM port"));
    lblComSelect->setBuddy(cbComPorts); // the list is labelled by its caption

    // The caption ends a few pixels before the list it names.
    lblComSelect->adjustSize();
    lblComSelect->setFixedHeight(17);
    KeepBefore(lblComSelect, cbComPorts);

    // Under the list with a gap, the device and the adapter one line each.
    lblDevice = new QLabel(this);
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    lblDevice->setGeometry(9, 50, 244, 28);
    lblDevice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDevice->setWordWrap(false);

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
}

void TfrmComSelect::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfrmComSelect::ComPortAvailable(int number) {
    return OfferedPort(number).has_value();
}

// The first offered port is selected.
void TfrmComSelect::FormCreate() {
    RefreshPorts();
}

void TfrmComSelect::RefreshPorts() {
    const int selected = GetSelectedPort();
    Offers = OfferedPorts(Trials);
    QStringList items;
    for (const TPortOffer& offer : std::as_const(Offers))
        items << QStringLiteral("COM%1").arg(offer.Number);
    QStringList shown;
    for (int i = 0; i < cbComPorts->count(); ++i)
        shown << cbComPorts->itemText(i);
    if (items != shown) {
        const QSignalBlocker block(cbComPorts);
        cbComPorts->clear();
        cbComPorts->addItems(items);
        const int keep = static_cast<int>(items.indexOf(QStringLiteral("COM%1").arg(selected)));
        cbComPorts->setCurrentIndex(keep >= 0 ? keep : (items.isEmpty() ? -1 : 0));
    }
    // With no port to offer OK cannot be chosen; Cancel still closes the dialog.
    btnOk->setEnabled(!items.isEmpty());
    ShowDevice();
}

int TfrmComSelect::GetSelectedPort() const {
    return cbComPorts->currentText().mid(3, 255).toInt();
}

void TfrmComSelect::ShowDevice() {
    const int index = cbComPorts->currentIndex();
    const QString text = index >= 0 && index < Offers.size() ? PortLabelText(Offers[index])
                                                             : QStringLiteral("No serial port found");
    // Each line (the device, the adapter) on one line of its own; one too long
    // for the label keeps its end, where a path under /dev/serial/by-id names the
    // adapter. The tool tip holds the whole text.
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = lblDevice->fontMetrics().elidedText(line, Qt::ElideLeft, lblDevice->width());
    lblDevice->setText(lines.join(QLatin1Char('\n')));
    lblDevice->setToolTip(text);
    lblDevice->setAccessibleName(text);
    // A screen reader hears the device line as the list's description, and with
    // each port of the list why it cannot be opened now.
    const auto oneLine = [](const QString& lines) {
        return QString(lines).replace(QLatin1Char('\n'), QStringLiteral(", "));
    };
    if (cbComPorts->accessibleDescription() != oneLine(text))
        cbComPorts->setAccessibleDescription(oneLine(text));
    for (int i = 0; i < cbComPorts->count() && i < Offers.size(); ++i) {
        // The reason follows the device on the label's first line.
        const QString label = PortLabelText(Offers[i]);
        const QString device = label.section(QLatin1Char('\n'), 0, 0);
        const qsizetype colon = device.lastIndexOf(QStringLiteral(": "));
        QString spokenItem = cbComPorts->itemText(i);
        if (Offers[i].State != TPortState::Free && colon >= 0)
            spokenItem += QStringLiteral(", ") + device.mid(colon + 2);
        cbComPorts->setItemData(i, spokenItem, Qt::AccessibleTextRole);
        cbComPorts->setItemData(i, oneLine(label), Qt::AccessibleDescriptionRole);
    }
}

bool TfrmMain::ShowComSelect(int& port) {
    return Ui()->SelectPort(this, port);
}

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
