#include "WindowHarness.h"

#include "../../app/WindowShell.h"
#include "../../link/Pause.h"
#include "../../panels/input/InputPanel.h"
#include "../../widgets/StatusBar.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>

void TFakeUi::GeneralError(QWidget*, const QString& text) {
    GeneralErrors << text;
    if (!WhileGeneralErrorShown) return;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [this, &loop] {
        WhileGeneralErrorShown();
        loop.quit();
    });
    loop.exec();
}

TWindowHarness::TWindowHarness(int port, bool show) {
    Ui.PortAnswer = port;
    TakePauses();
    Transport.OnHostWrite = [this](const QByteArray& bytes) { Sim.Receive(bytes); };
    Transport.PollPeer = [this] { return Sim.Transmit(); };
    Window = std::make_unique<TfrmMain>(&Transport, &Clock, &Ui);
    if (show) Show();
}

TWindowHarness::~TWindowHarness() {
    Window.reset();
    SetPauseHook({});
}

void TWindowHarness::TakePauses() {
    SetPauseHook([this](int ms) {
        PausedMs += ms;
        Clock.Advance(ms);
    });
}

void TWindowHarness::Show() {
    Window->show();
    QApplication::processEvents();
}

void TWindowHarness::Advance(qint64 ms) {
    Clock.Advance(ms);
    QCoreApplication::sendPostedEvents(Window.get(), QEvent::MetaCall);
}

void TWindowHarness::Settle() {
    for (int waited = 0; waited < 10000; waited += 10) {
        Clock.Advance(10);
        if (!Sim.Busy() && waited >= 20 + Sim.ReplyDelayMs + Sim.Faults.ExtraDelayMs) break;
    }
    Advance(20);
}

QByteArray TWindowHarness::TakeWritten() {
    const QByteArray out = Transport.Written.mid(WrittenSeen);
    WrittenSeen = static_cast<int>(Transport.Written.size());
    return out;
}

QString TWindowHarness::Status() const {
    return Window->Shell->sbMain->PanelText(2);
}

QColor TWindowHarness::StatusColor() const {
    return Window->Shell->sbMain->PanelColor(2);
}

int TWindowHarness::StatusKind() const {
    return Window->StatusKind();
}

void TWindowHarness::EnterFullModeByChord() {
    Ui.ConfirmAnswer = true;
    QTest::keyClick(Window->In->btnGetPermInpRange, Qt::Key_F6,
                    Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
}
