// The frame of the main window: size, title, group boxes, status bar with the
// activity lamps, the product-version query and closing.
#include "MainWindow.h"

#include "../link/Cycle.h"

#include "../link/Codec.h"
#include "../link/ComPort.h"
#include "../link/DataPacket.h"
#include "../link/LightControl.h"
#include "../link/Messages.h"
#include "../panels/general/CalLists.h"
#include "../panels/general/GeneralPanel.h"
#include "../panels/input/InputPanel.h"
#include "../panels/output/OutputPanel.h"
#include "../ranges/InRanges.h"
#include "../ranges/ReportTexts.h"
#include "../widgets/Accessibility.h"
#include "../widgets/Controls.h"
#include "../widgets/PageSpinBox.h"
#include "../widgets/StatusBar.h"
#include "../widgets/ToggleSwitch.h"
#include "ProgramIcon.h"
#include "UiServices.h"
#include "WindowShell.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <iterator>

TfrmMain::TfrmMain(TTransport* transport, TClock* clock, TUiServices* ui, QWidget* parent)
    : QMainWindow(parent), Transport(transport), ClockSource(clock), UiServices(ui) {
    setObjectName(QStringLiteral("frmMain"));

    ComPort = new TComPort(Transport, ClockSource, this);
    DataPacket = new TDataPacket(ComPort, this);
    LightControl = new TLightControl(ComPort, this);
    Cycle = new TRequestCycle(ComPort, DataPacket, this);

    // The frame, then the panels, each building its controls in its group box.
    Shell = std::make_unique<TWindowShell>();
    General = std::make_unique<TGeneralPanel>(*this);
    CalLists = std::make_unique<TCalLists>(*this);
    In = std::make_unique<TInputPanel>(*this, *General, *CalLists);
    Out = std::make_unique<TOutputPanel>(*this, *General, *CalLists);
    setupFrame();
    setupStatusBar();
    General->Setup(Shell->grpGeneral);
    CalLists->Setup(Shell->grpInput, Shell->grpOutput);
    In->Setup(Shell->grpInput);
    Out->Setup(Shell->grpOutput);
    setupTabOrder();
    setupConnections();
    DescribeByHints(this);
}

TfrmMain::~TfrmMain() {
    // Hidden while still whole: hiding lays out the calibration lists, whose
    // painting asks this window for its colours.
    hide();
}

void TfrmMain::setupFrame() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("frmMainClient"));
    setCentralWidget(client);
    setFixedSize(ClientWidth, ClientHeight);
    setWindowIcon(ProgramIcon());
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString());

    Shell->pnlTop = new QWidget(client);
    Shell->pnlTop->setObjectName(QStringLiteral("pnlTop"));
    Shell->pnlTop->setGeometry(0, 0, ClientWidth, 4);
    Shell->bvlTop = new QFrame(Shell->pnlTop);
    Shell->bvlTop->setObjectName(QStringLiteral("bvlTop"));
    Shell->bvlTop->setFrameShape(QFrame::HLine);
    Shell->bvlTop->setFrameShadow(QFrame::Sunken);
    Shell->bvlTop->setGeometry(0, 0, ClientWidth, 2);

    const auto group = [client](const char* name, const QString& caption, const QRect& geometry) {
        auto* box = new QGroupBox(caption, client);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(geometry);
        return box;
    };
    Shell->grpGeneral = group("grpGeneral", QStringLiteral(" General "), QRect(8, 8, 649, 49));
    Shell->grpInput = group("grpInput", QStringLiteral(" Input "), QRect(8, 64, 321, 513));
    Shell->grpOutput = group("grpOutput", QStringLiteral(" Output "), QRect(336, 64, 321, 513));
}

void TfrmMain::setupStatusBar() {
    Shell->sbMain = new TStatusBar(centralWidget());
    Shell->sbMain->setObjectName(QStringLiteral("sbMain"));
    Shell->sbMain->setGeometry(0, 584, ClientWidth, 22);
    // The shortcuts of the two double-clicks are set up with the connections.
    Shell->sbMain->Panel(0)->setToolTip(QStringLiteral("Double-click or press %1 to choose the COM port")
                                            .arg(ChoosePortKey.toString(QKeySequence::NativeText)));
    Shell->sbMain->Panel(1)->setToolTip(QStringLiteral("Double-click or press %1 to read the product version")
                                            .arg(ReadVersionKey.toString(QKeySequence::NativeText)));
    // The status line is what a screen reader announces.
    static_cast<TPanelLabel*>(Shell->sbMain->Panel(2))->SetAccessibleRole(QAccessible::StatusBar);
    Shell->sbMain->Panel(2)->setAccessibleDescription(
        QStringLiteral("Progress and result of the last request to the transmitter"));
    Shell->pnlLeds = new QWidget(Shell->sbMain->Container());
    Shell->pnlLeds->setObjectName(QStringLiteral("pnlLeds"));
    Shell->pnlLeds->setGeometry(0, 2, 31, 16);
    Shell->LedTx = new TLamp(Shell->pnlLeds);
    Shell->LedTx->setObjectName(QStringLiteral("LedTx"));
    Shell->LedTx->move(3, 3);
    Shell->LedTx->setAccessibleName(QStringLiteral("Transmit lamp"));
    Shell->LedRx = new TLamp(Shell->pnlLeds);
    Shell->LedRx->setObjectName(QStringLiteral("LedRx"));
    Shell->LedRx->move(17, 3);
    Shell->LedRx->setAccessibleName(QStringLiteral("Receive lamp"));
}

void TfrmMain::setupTabOrder() {
    // Group by group, input, output, and then the RUN/CAL switch of the general
    // strip; within a group as the technician works down the panel, each
    // calibration edit followed by its button.
    // Set once every control exists: the calibration lists are built first.
    QWidget* const order[] = {In->btnGetPermInpRange,
                              In->cmbInpRanges,
                              In->btnGetTempInpRange,
                              In->btnSetInputRange,
                              In->cmbWiring,
                              In->edInpZero,
                              EditButton(In->edInpZero),
                              In->edInpFull,
                              EditButton(In->edInpFull),
                              In->edEuMin,
                              In->edEuMax,
                              CalLists->lvInpCalStat,
                              Out->btnGetOutRange,
                              Out->cmbOutRanges,
                              Out->btnGetTempOutRange,
                              Out->btnSetOutRange,
                              Out->seOutZero,
                              Out->btnOutZero,
                              Out->edOutMin,
                              Out->seOutFull,
                              Out->btnOutFull,
                              Out->edOutMax,
                              Out->cbInvertOut,
                              Out->cbEnableAlarm,
                              Out->edAlarmLimit,
                              Out->edDeadBand,
                              Out->cbLowAlarm,
                              CalLists->lvOutCalStat,
                              General->calSwitch};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (Shown) return;
    Shown = true;
    Guarded([this] { FormShow(); });
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    Guarded([this] { FormClose(); });
    event->accept();
}

void TfrmMain::FormClose() {
    CloseComPort();
}

void TfrmMain::ShowGeneralError(const QString& message) {
    UiServices->GeneralError(this, message + QLatin1Char('.'));
}

void TfrmMain::ShowGeneralErrorLater(const QString& message) {
    QMetaObject::invokeMethod(
        this, [this, message] { ShowGeneralError(message); }, Qt::QueuedConnection);
}

void TfrmMain::sbMainPanels1DblClick() {
    ReadVersion();
}

void TfrmMain::ReadVersion() {
    Send(Msg::ReadVersion(), QStringLiteral("Reading product version..."));
}

void TfrmMain::ShowVersion() {
    Shell->sbMain->SetPanelText(1, Msg::DecodeVersion(RxBody()));
    ShowStatus(ReportText::SuccessRead(), skSuccess);
}

void TfrmMain::EnterFullMode() {
    // The calibration controls follow with the next presentation of a programmed
    // range, which asks for FullMode.
    InFullMode = true;
    setWindowTitle(windowTitle() + QStringLiteral(" (full)"));
}

const IRange& TfrmMain::ShownInRange() const {
    return In->ShownInRange();
}

void TfrmMain::InRangeShown(const IRange& row) {
    Out->ShowAlarmUnits(row.EngUnit);
}

void TfrmMain::ShowKeyList() {
    const auto key = [](const QKeySequence& sequence) { return sequence.toString(QKeySequence::NativeText); };
    Ui()->Information(
        this, QStringLiteral("Keys of this window:\n\n"
                             "%1: choose a port (as a double-click on the first status bar panel)\n"
                             "%2: read the product version (as a double-click on the second panel)\n"
                             "%3 or the menu key: open the menu of a calibration list\n"
                             "Ctrl+Shift+Alt+F6: full mode, with the focus on the upper R button of the "
                             "input panel\n"
                             "Tab, Shift+Tab: the next or the previous control\n"
                             "Space: press the focused button, flip the RUN/CAL switch\n"
                             "%4: this list")
                  .arg(key(ChoosePortKey), key(ReadVersionKey), key(QKeySequence(Qt::SHIFT | Qt::Key_F10)),
                       key(KeyListKey)));
}
