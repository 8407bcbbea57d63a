// The first show of the window: what it asks the transmitter, the state it leaves
// the panels and flags in, with and without a port.
#include "../../app/WindowShell.h"
#include "../../panels/general/CalLists.h"
#include "../../panels/input/InputPanel.h"
#include "../../panels/output/OutputPanel.h"
#include "../../widgets/Controls.h"
#include "../../widgets/StatusBar.h"
#include "MrtVersion.h"
#include "WindowHarness.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTest>
#include <QTreeWidget>

class TstStartup : public QObject {
    Q_OBJECT
private slots:
    void silentTransmitter() {
        TWindowHarness h(1, false);
        h.Sim.Faults.Silent = true;
        h.Show();
        TfrmMain& w = *h.Window;
        QCOMPARE(w.windowTitle(),
                 QStringLiteral("MRT9-DX Configuration & Calibration V" MRT_VERSION " - Dornvale"));
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 21 00 03")));
        QVERIFY(!w.In->cmbInpRanges->isEnabled());
        QVERIFY(!w.Out->cmbOutRanges->isEnabled());
        QVERIFY(w.In->btnGetPermInpRange->isEnabled());
        QVERIFY(w.Out->btnGetOutRange->isEnabled());
        QCOMPARE(w.In->cmbInpRanges->currentText(), QStringLiteral("T/C Type B"));
        QCOMPARE(w.Out->cmbOutRanges->currentText(), QStringLiteral("\u00B110 V"));
        QCOMPARE(w.In->cmbInpRanges->count(), 22);
        QCOMPARE(w.CalLists->lvInpCalStat->topLevelItemCount(), 22);
        QCOMPARE(w.CalLists->lvOutCalStat->topLevelItemCount(), 2);
        QVERIFY(h.Window->FormReady() && h.Window->In->InEventsOn() && h.Window->Out->OutEventsOn() &&
                !h.Window->FullMode());
        QCOMPARE(h.Status(), QString());
        QCOMPARE(h.StatusKind(), int(skBusy));
        QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.In->btnGetPermInpRange));

        h.Advance(73 * 55 - 60);
        QCOMPARE(h.Status(), QString());
        h.Advance(120);
        QCOMPARE(h.Status(), QStringLiteral("No response !"));
        h.Advance(36 * 55 + 60);
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
        QVERIFY(h.TakeWritten().isEmpty());
    }

    void numericMaskOnTheEightEdits() {
        TWindowHarness h;
        TfrmMain& w = *h.Window;
        for (TEdit* edit : {w.In->edInpZero, w.In->edInpFull, w.In->edEuMin, w.In->edEuMax, w.Out->edOutMin,
                            w.Out->edOutMax, w.Out->edAlarmLimit, w.Out->edDeadBand}) {
            const auto* mask = qobject_cast<const QRegularExpressionValidator*>(edit->validator());
            QVERIFY2(mask, qPrintable(edit->objectName()));
            QCOMPARE(mask->regularExpression().pattern(), QStringLiteral("\\-?\\d+\\.?\\d+?"));
            QString text = QStringLiteral("-12.5");
            int pos = 0;
            QVERIFY(mask->validate(text, pos) != QValidator::Invalid);
            for (const char* bad : {"+1", "1e5", ".5", "1 2", "abc"}) {
                text = QString::fromLatin1(bad);
                QCOMPARE(mask->validate(text, pos), QValidator::Invalid);
            }
        }
    }

    void noPortChosen() {
        TWindowHarness h(0, false);
        int itemsWhenNoticeShown = -1;
        int beepsWhenNoticeShown = -1;
        h.Ui.OnInformation = [&] {
            itemsWhenNoticeShown = h.Window->In->cmbInpRanges->count();
            beepsWhenNoticeShown = h.Ui.Beeps;
        };
        h.Show();
        QCOMPARE(h.Ui.Infos, QStringList{QStringLiteral(
                                 "No COM port defined. Program will not communicate with the unit.")});
        QCOMPARE(itemsWhenNoticeShown, 0);
        QCOMPARE(beepsWhenNoticeShown, 1);
        QCOMPARE(h.Window->In->cmbInpRanges->count(), 22);
        QVERIFY(h.Window->FormReady() && h.Window->In->InEventsOn() && h.Window->Out->OutEventsOn());
        QCOMPARE(h.Window->Shell->sbMain->PanelText(0), QString());
        QVERIFY(h.Transport.Written.isEmpty());
        for (QPushButton* button : {h.Window->In->btnGetPermInpRange, h.Window->Out->btnGetOutRange}) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
        }
        h.Window->ReadVersion();
        QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
        QVERIFY(h.Transport.Written.isEmpty());
    }

    void portThatWillNotOpen() {
        TWindowHarness h(4, false);
        h.Transport.RefuseOpen = [](const QString&) { return QStringLiteral("Device or resource busy"); };
        h.Show();
        // The system's text, then the window comes up as after Cancel, without the notice.
        QCOMPARE(h.Ui.GeneralErrors.size(), 1);
        QVERIFY(h.Ui.GeneralErrors[0].contains(QStringLiteral("Device or resource busy")));
        QVERIFY(h.Ui.Infos.isEmpty());
        QCOMPARE(h.Window->In->cmbInpRanges->count(), 22);
        QCOMPARE(h.Window->CalLists->lvInpCalStat->topLevelItemCount(), 22);
        QVERIFY(!h.Window->In->cmbInpRanges->isEnabled());
        QVERIFY(h.Window->FormReady() && h.Window->In->InEventsOn() && h.Window->Out->OutEventsOn() &&
                !h.Window->FullMode());
        // A port opened later from panel 0 works as if chosen at start.
        h.Transport.RefuseOpen = {};
        h.Ui.PortAnswer = 2;
        h.Window->sbMainPanels0DblClick();
        QCOMPARE(h.Window->Shell->sbMain->PanelText(0), QStringLiteral("COM2,9600,N,8,1"));
        h.TakeWritten();
        h.Window->In->btnGetPermInpRangeClick();
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 04 03")));
    }

    void answeringTransmitterLeavesTheStatusLineEmpty() {
        TWindowHarness h;
        h.Settle();
        h.Advance(6000);
        QCOMPARE(h.Sim.RequestsReceived, 1); // the mode query, answered without a message
        QCOMPARE(h.Status(), QString());
    }
};

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
