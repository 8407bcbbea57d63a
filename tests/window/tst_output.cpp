// The output panel of a real window: the three presentations of the output report,
// range and alarm programming, DAC trimming and the panel's layout. Most reports
// are built here and fed to the window in place of a silent transmitter.
#include "../../app/ProgramLook.h"
#include "../../app/WindowShell.h"
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../panels/general/CalLists.h"
#include "../../panels/general/GeneralPanel.h"
#include "../../panels/input/InputPanel.h"
#include "../../panels/output/OutputPanel.h"
#include "../../ranges/InRanges.h"
#include "../../widgets/Controls.h"
#include "../../widgets/KeyRepeatGuard.h"
#include "../../widgets/PageSpinBox.h"
#include "../../widgets/StatusBar.h"
#include "../../widgets/ToggleSwitch.h"
#include "WindowHarness.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QWheelEvent>

namespace {
const QColor Black(0, 0, 0), Red(255, 0, 0);
const QString Success = QStringLiteral("Success.");

struct TOut {
    uint8_t Status = 1, Range = 0, Flag = 1;
    uint16_t Zero = 1000, Full = 61000;
    uint8_t Invert = 0;
    float Min = -10, Max = 10;
    uint16_t Dac = 46000;
    float Alarm = 500, Band = 10;
    uint8_t AlarmFlags = 0, AlarmState = 0, ReadBack = 1;
};

// The 43-byte report: calibration flags 1 and 2, TA 24.5, TCAL 23, RUN mode.
QByteArray Report(uint8_t code, const TOut& o) {
    QByteArray b;
    b.append(char(code)).append(char(o.Status)).append(char(o.Range)).append(char(o.Flag));
    Frame::AppendWord(b, o.Zero);
    Frame::AppendWord(b, o.Full);
    b.append(char(o.Invert));
    Frame::AppendWord(b, 1);
    Frame::AppendWord(b, 2);
    Frame::AppendSingle(b, o.Min);
    Frame::AppendSingle(b, o.Max);
    Frame::AppendWord(b, o.Dac);
    Frame::AppendSingle(b, 24.5f);
    Frame::AppendSingle(b, 23.0f);
    b.append(char(0));
    Frame::AppendSingle(b, o.Alarm);
    Frame::AppendSingle(b, o.Band);
    b.append(char(o.AlarmFlags)).append(char(o.AlarmState)).append(char(o.ReadBack));
    return b;
}

// A window whose transmitter stays silent; the tests answer in its place.
struct TPanel {
    TWindowHarness h;
    TfrmMain& w;
    explicit TPanel(bool fullMode = false) : w(*h.Window) {
        h.Sim.Faults.Silent = true;
        h.Advance(5000); // the start-up mode query runs out
        if (fullMode) h.EnterFullModeByChord();
        h.TakeWritten();
    }
    // The person reads the programmed input, and the unit reports the range of
    // catalogue index `index`: its units and formats are then the window's.
    void ReadInputRange(int index) {
        h.Sim.PermInCode = h.Sim.ActiveInCode = RangeToCode(index, 0);
        h.Sim.Faults.Silent = false;
        QTest::mouseClick(w.In->btnGetPermInpRange, Qt::LeftButton);
        h.Settle();
        h.Sim.Faults.Silent = true;
        h.TakeWritten();
    }
    void Answer(uint8_t code, const TOut& o = {}) {
        h.Transport.Feed(Frame::Encode(Report(code, o)));
        h.Advance(60);
    }
    void Read(const TOut& o = {}) {
        QTest::mouseClick(w.Out->btnGetOutRange, Qt::LeftButton);
        QCOMPARE(ToHex(h.TakeWritten()), QStringLiteral("02 14 03"));
        QCOMPARE(h.Status(), QStringLiteral("Reading programmed output range data..."));
        Answer(cmdReadPermOut, o);
    }
    QString Sent() { return ToHex(h.TakeWritten()); }
};

int InRangeIndex(const QString& name) {
    for (int i = 0; i < InRangeCount; ++i)
        if (InRanges[i].Name == name) return i;
    qFatal("no input range %s", qPrintable(name));
}

QColor Colour(QWidget* w) {
    return w->palette().color(QPalette::Active, QPalette::WindowText);
}
// The texts of labels and edits, joined with "|".
QString Texts(std::initializer_list<QWidget*> controls) {
    QStringList out;
    for (QWidget* c : controls)
        out << c->property("text").toString();
    return out.join('|');
}
} // namespace

class TstOutput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // The program's look, so that the layout is checked with its font.
        SetProgramLook();
    }

    // ---- Reports -----------------------------------------------------------------
    void firstReadFillsBothSidesSecondOnlyThePSide() {
        TPanel p;
        TfrmMain& w = p.w;
        const QList<QWidget*> panel{
            w.Out->cmbOutRanges,      w.Out->btnSetOutRange, w.Out->btnGetTempOutRange, w.Out->cbInvertOut,
            w.CalLists->lvOutCalStat, w.Out->cbEnableAlarm,  w.Out->edAlarmLimit,       w.Out->edDeadBand,
            w.Out->pnlAlmStatus,      w.Out->pnlAlarmRback,  w.Out->cbLowAlarm,         w.Out->seOutZero,
            w.Out->seOutFull,         w.Out->btnOutZero,     w.Out->btnOutFull,         w.General->calSwitch};
        for (QWidget* c : panel)
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
        TOut o;
        o.Range = 1, o.Zero = o.Full = 30000, o.Min = 4, o.Max = 20, o.Invert = 1; // no line: "N/A"
        p.Read(o);
        QCOMPARE(p.Sent(), QString()); // neither cmdSetTempOut nor cmdSetDac
        QCOMPARE(p.h.Status(), Success);
        QVERIFY(w.Out->OutEventsOn() && w.Out->edOutMin->isEnabled() &&
                !w.CalLists->mnuClearOutCal->isEnabled());
        for (QWidget* c : panel) // the calibration controls and the switch only in full mode
            QCOMPARE(c->isEnabled(), panel.indexOf(c) < 11);
        QCOMPARE(
            Texts({w.Out->pnlPermOutRange, w.Out->pnlOutZeroP, w.Out->pnlPermOutMin, w.Out->pnlOutInvertP,
                   w.Out->pnlPermOut, w.Out->pnlTempOut, w.Out->lblOutMinUnit, w.Out->lblOutMaxUnit}),
            QStringLiteral("0-20 mA|30000|4.000 mA|Yes|N/A|N/A|mA|mA"));
        QCOMPARE(w.Out->cmbOutRanges->currentIndex(), 1);
        QCOMPARE(w.Out->seOutFull->value(), 30000);
        QCOMPARE(w.Out->edOutMin->text() + "/" + w.Out->edOutMax->text(), QStringLiteral("4.000/20.000"));
        QVERIFY(w.Out->cbInvertOut->isChecked());
        QCOMPARE(w.General->OutJumper->geometry(), QRect(461, 21, 33, 4));
        QCOMPARE(w.CalLists->lvOutCalStat->topLevelItem(0)->text(1) +
                     w.CalLists->lvOutCalStat->topLevelItem(0)->text(2),
                 "OKUCAL");

        TOut second; // range 0, zero 1000, full 61000, code 46000
        second.AlarmFlags = 3;
        p.Read(second);
        QCOMPARE(p.Sent(), QString());
        QCOMPARE(Texts({w.Out->pnlPermOutRange, w.Out->pnlPermOutMin, w.Out->pnlPermOut, w.Out->pnlTempOut,
                        w.Out->lblOutMinUnit}),
                 QStringLiteral("\u00B110 V|-10.000 V|5.000 V|N/A|V"));
        // The active side keeps what it showed; only its unit labels follow.
        QCOMPARE(w.Out->cmbOutRanges->currentIndex(), 1);
        QCOMPARE(w.Out->seOutFull->value(), 30000);
        QCOMPARE(w.Out->edOutMin->text(), QStringLiteral("4.000"));
        QVERIFY(!w.Out->cbEnableAlarm->isChecked());
        QCOMPARE(w.General->OutJumper->x(), 494);
    }

    void rangeFlagColoursOnlyThePresentationsControls_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("readFirst");
        QTest::addColumn<QStringList>("red");
        QTest::newRow("active (19)") << int(cmdReadActiveOut) << false
                                     << QStringList{"pnlTempOut", "lblTempOutRange"};
        QTest::newRow("full (first 20)")
            << int(cmdReadPermOut) << false
            << QStringList{"pnlPermOutRange", "pnlPermOut", "pnlTempOut", "lblTempOutRange"};
        QTest::newRow("perm (later 20)")
            << int(cmdReadPermOut) << true << QStringList{"pnlPermOutRange", "pnlPermOut"};
    }
    void rangeFlagColoursOnlyThePresentationsControls() {
        QFETCH(int, code);
        QFETCH(bool, readFirst);
        QFETCH(QStringList, red);
        TPanel p;
        if (readFirst) p.Read();
        TOut o;
        for (int flag : {0, 1}) { // red, then black again
            o.Flag = uint8_t(flag);
            p.w.Out->btnGetOutRangeClick();
            p.Answer(uint8_t(code), o);
            QCOMPARE(p.w.Out->pnlTempOut->text(), QStringLiteral("5.000 V")); // values are shown either way
            for (const char* name : {"pnlPermOutRange", "pnlPermOut", "pnlTempOut", "lblTempOutRange",
                                     "pnlOutZeroP", "lblOutRange", "pnlAlmStatus"})
                QCOMPARE(Colour(p.h.Find<QWidget>(name)), flag == 0 && red.contains(name) ? Red : Black);
            if (!readFirst && code == cmdReadPermOut) break; // a second 20 is shown on the P side only
        }
    }

    void alarmFields_data() {
        QTest::addColumn<QString>("inRange");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("readBack");
        QTest::addColumn<QString>("expected"); // limit, enable, low, status, read-back
        QTest::newRow("low only, labels disagree")
            << "T/C Type K" << 2 << 0 << 0 << "123.6 0 1 Inactive Active";
        QTest::newRow("other bits ignored") << "Pt100 (385)" << 252 << 7 << 9 << "123.6 0 0 Active Inactive";
        QTest::newRow("resistance rounds to whole")
            << "Resistance" << 1 << 0 << 1 << "124 1 0 Inactive Inactive";
    }
    void alarmFields() {
        QFETCH(QString, inRange);
        QFETCH(int, flags);
        QFETCH(int, state);
        QFETCH(int, readBack);
        QFETCH(QString, expected);
        TPanel p;
        p.ReadInputRange(InRangeIndex(inRange));
        TOut o;
        o.Alarm = 123.6f, o.AlarmFlags = uint8_t(flags), o.AlarmState = uint8_t(state),
        o.ReadBack = uint8_t(readBack);
        for (uint8_t code : {uint8_t(cmdReadPermOut), uint8_t(cmdSetPermOut)}) { // full, then active
            TfrmMain& w = p.w;
            w.Out->edAlarmLimit->clear();
            w.Out->btnGetOutRangeClick();
            p.Answer(code, o);
            QCOMPARE(
                QStringList({w.Out->edAlarmLimit->text(), QString::number(w.Out->cbEnableAlarm->isChecked()),
                             QString::number(w.Out->cbLowAlarm->isChecked()), w.Out->pnlAlmStatus->text(),
                             w.Out->pnlAlarmRback->text()})
                    .join(' '),
                expected);
        }
    }

    void reportsThatChangeNothing_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QString failed = "Error occured while performing the operation !";
        const QString unknown = "Unknown response received.";
        QTest::newRow("status 0, full") << 0 << 1 << int(cmdReadPermOut) << failed;
        QTest::newRow("status 0, active") << 0 << 1 << int(cmdWriteOutZero) << failed;
        QTest::newRow("range index 2, active") << 1 << 2 << int(cmdWriteOutZero) << unknown;
        QTest::newRow("range index 255, full") << 1 << 255 << int(cmdReadPermOut) << unknown;
    }
    void reportsThatChangeNothing() {
        QFETCH(int, status);
        QFETCH(int, range);
        QFETCH(int, code);
        QFETCH(QString, message);
        TPanel p;
        TOut o;
        o.Status = uint8_t(status), o.Range = uint8_t(range), o.Zero = 7, o.Min = 3, o.Alarm = 9;
        PacketStart(uint8_t(code));
        p.w.PacketSend();
        p.Answer(uint8_t(code), o);
        QCOMPARE(p.h.Status(), message);
        QCOMPARE(p.h.StatusColor(), StatusRed);
        QVERIFY(p.w.Out->OutEventsOn() && !p.w.Out->cmbOutRanges->isEnabled());
        QCOMPARE(p.w.Out->seOutZero->value(), 0);
        QCOMPARE(
            Texts({p.w.Out->edOutMin, p.w.Out->edAlarmLimit, p.w.Out->pnlPermOutRange, p.w.Out->pnlTempOut}),
            "0|0|N/A|N/A");
    }

    // ---- Range and alarm programming ----------------------------------------------
    void rangeRowsSendTheirWorkedFrames() {
        TPanel p;
        p.Read();
        TfrmMain& w = p.w;
        w.Out->cmbOutRanges->setCurrentIndex(1);
        QCOMPARE(p.h.Status(), QStringLiteral("Setting temporary range..."));
        QCOMPARE(p.Sent(), QStringLiteral("02 16 01 03"));
        TOut active;
        active.Range = 1, active.Zero = 0, active.Full = 40000, active.Dac = 20000;
        p.Answer(cmdSetTempOut, active);
        QCOMPARE(Texts({w.Out->pnlTempOut, w.Out->pnlPermOutRange}), QStringLiteral("10.000 mA|\u00B110 V"));
        w.Out->btnGetTempOutRange->click();
        QCOMPARE(p.h.Status(), QStringLiteral("Reading active output range data..."));
        QCOMPARE(p.Sent(), QStringLiteral("02 13 01 03"));
        p.Answer(cmdReadActiveOut, active);

        w.Out->edOutMin->setText("4");
        w.Out->edOutMax->setText("20");
        w.Out->cbEnableAlarm->setChecked(true);
        w.Out->btnSetOutRange->click();
        QCOMPARE(p.Sent(),
                 QStringLiteral("02 17 01 00 00 00 80 40 00 00 A0 41 00 00 FA 43 00 00 20 41 01 03"));
        QCOMPARE(p.h.Status(), Success); // no busy message
        w.Out->btnSetOutRange->click();  // the first is not answered yet
        QCOMPARE(p.Sent(), QString());
        active.Min = 4, active.Max = 20;
        p.Answer(cmdSetPermOut, active);
        w.Out->cbEnableAlarm->setChecked(true);
        w.Out->cbLowAlarm->setChecked(true);
        w.Out->btnSetOutRange->click();
        QVERIFY(p.Sent().endsWith(QStringLiteral("10 FC 03"))); // flags 3, escaped
    }

    void outputLimits_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("max");
        QTest::addColumn<QString>("dialog"); // empty: the request goes out
        QTest::addColumn<QString>("limits"); // the two singles sent
        QTest::addColumn<QString>("error");  // of the general error box
        const QString row0 = "Invalid output range. Valid range must be between -10.000 to 10.000";
        const QString row1 = "Invalid output range. Valid range must be between 0.000 to 20.000";
        QTest::newRow("row 1, 4 to 20") << 1 << "4"
                                        << "20"
                                        << ""
                                        << "00 00 80 40 00 00 A0 41"
                                        << "";
        QTest::newRow("row 0, 4 to 20") << 0 << "4"
                                        << "20" << row0 << ""
                                        << "";
        QTest::newRow("row 1, below 0") << 1 << "-1"
                                        << "20" << row1 << ""
                                        << "";
        QTest::newRow("row 0, -10.0000001 is -10 as single") << 0 << "-10.0000001"
                                                             << "10"
                                                             << ""
                                                             << "00 00 20 C1 00 00 20 41"
                                                             << "";
        QTest::newRow("row 0, equal") << 0 << "5"
                                      << "5" << row0 << ""
                                      << "";
        QTest::newRow("row 1, reversed") << 1 << "20"
                                         << "4" << row1 << ""
                                         << "";
        QTest::newRow("empty minimum") << 0 << ""
                                       << "5"
                                       << ""
                                       << ""
                                       << "Outmin: '' is not a valid floating point value.";
        QTest::newRow("row 0, -0 is sent as 0") << 0 << "-0"
                                                << "5"
                                                << ""
                                                << "00 00 00 00 00 00 A0 40"
                                                << "";
        const QString huge = "1" + QString(40, '0'); // not finite as a single
        QTest::newRow("maximum too large") << 1 << "0" << huge << ""
                                           << ""
                                           << "Outmax: '" + huge + "' is not a valid floating point value.";
    }
    void outputLimits() {
        QFETCH(int, row);
        QFETCH(QString, min);
        QFETCH(QString, max);
        QFETCH(QString, dialog);
        QFETCH(QString, limits);
        QFETCH(QString, error);
        TPanel p;
        TOut o;
        o.Range = uint8_t(row);
        p.Read(o);
        p.w.Out->edOutMin->setText(min);
        p.w.Out->edOutMax->setText(max);
        p.w.Out->btnSetOutRange->click();
        QCOMPARE(p.h.Ui.Errors, dialog.isEmpty() ? QStringList() : QStringList{dialog});
        QCOMPARE(p.Sent().mid(3 * 4, 23), limits); // after 02 17, the row and the invert byte
        QCOMPARE(p.h.Ui.GeneralErrors, error.isEmpty() ? QStringList() : QStringList{error});
    }

    // ---- DAC trimming ------------------------------------------------------------
    void typingDrivesTheDac() {
        TPanel p(true);
        TOut o;
        o.Range = 1, o.Zero = 0;
        p.Read(o);
        TPageSpinBox* spin = p.w.Out->seOutZero;
        spin->selectAll();
        QTest::keyClicks(spin, "3200");
        QCOMPARE(p.Sent(), QStringLiteral("02 10 EF 01 10 FC 00 03 02 10 EF 01 20 00 03 02 10 EF 01 40 01 03 "
                                          "02 10 EF 01 80 0C 03"));
        QCOMPARE(p.h.Status(), Success); // no busy message
        QTest::keyClicks(spin, "-");
        QCOMPARE(spin->text(), QStringLiteral("3200"));
        QCOMPARE(p.Sent(), QString());
        QTest::keyClick(spin, Qt::Key_PageUp);
        QTest::keyClick(p.w.Out->seOutFull, Qt::Key_Up); // the same command from the other spin edit
        QCOMPARE(p.Sent(), QStringLiteral("02 10 EF 01 E4 0C 03 02 10 EF 01 49 EE 03"));
        spin->selectAll();
        QTest::keyClicks(spin, "70000"); // held at 65535
        QCOMPARE(spin->text(), QStringLiteral("65535"));
        QVERIFY(p.Sent().endsWith(QStringLiteral("02 10 EF 01 FF FF 03")));
        // Emptying sends 0, the next digit is a change again; leaving empty shows 0.
        spin->selectAll();
        QTest::keyClick(spin, Qt::Key_Backspace);
        QTest::keyClicks(spin, "5");
        QTest::keyClick(spin, Qt::Key_Backspace);
        QCOMPARE(p.Sent(), QStringLiteral("02 10 EF 01 00 00 03 02 10 EF 01 05 00 03 02 10 EF 01 00 00 03"));
        p.w.Out->btnOutZero->click();
        QCOMPARE(p.Sent(), QString()); // nothing for an empty code, not even a message
        QCOMPARE(p.h.Status(), Success);
        emit spin->Exited();
        QCOMPARE(spin->text(), QStringLiteral("0"));
        QCOMPARE(p.Sent(), QString());
        p.w.Out->cmbOutRanges->setCurrentIndex(0);
        p.h.TakeWritten();
        spin->setValue(4098);
        QCOMPARE(p.Sent(), QStringLiteral("02 10 EF 00 10 FD 10 EF 03"));
    }

    // What a person does with mouse, keyboard and wheel at the DAC codes and the
    // output ranges: only a real change of a value reaches the transmitter.
    void aPersonAtTheDacCodes_data() {
        QTest::addColumn<int>("act");
        QTest::addColumn<int>("zeroCode");
        QTest::addColumn<QString>("wire");
        const QString zeroSent = QStringLiteral("02 10 EF 01 00 00 03");
        const QString oneUp = QStringLiteral("02 10 EF 01 E9 10 FC 03"); // 1001
        QTest::newRow("empties the zero code and clicks its S") << 0 << 0 << zeroSent;
        QTest::newRow("empties the full code and clicks its S") << 1 << 1000 << zeroSent;
        QTest::newRow("presses Return in an unchanged code") << 2 << 1000 << "";
        QTest::newRow("leaves an unchanged code") << 3 << 1000 << "";
        QTest::newRow("turns the wheel over a code without its focus") << 4 << 1000 << "";
        QTest::newRow("turns the wheel over the ranges without their focus") << 5 << 1000 << "";
        QTest::newRow("turns the wheel one notch over the focused code") << 6 << 1001 << oneUp;
        QTest::newRow("turns the wheel with Ctrl over the focused code") << 7 << 1001 << oneUp;
        QTest::newRow("presses Ctrl+Up in the code") << 8 << 1001 << oneUp;
        QTest::newRow("turns the wheel over the focused ranges") << 9 << 1000 << "02 16 00 03";
        QTest::newRow("empties the zero code, steps it up and clicks its S")
            << 10 << 1
            << "02 10 EF 01 00 00 03 02 10 EF 01 01 00 03 02 11 01 01 00 00 00 00 20 C1 00 00 20 41 00 00 FA "
               "43 00 00 20 41 00 03";
        // Pastes: only a code, only with the focus, never clamped.
        QTest::newRow("pastes 4000 with Ctrl+V over the selected code")
            << 11 << 4000 << "02 10 EF 01 A0 0F 03";
        QTest::newRow("pastes 70000 with Ctrl+V: refused, not clamped") << 12 << 1000 << "";
        QTest::newRow("pastes a text that is no code: refused") << 13 << 1000 << "";
        QTest::newRow("pastes digits that make the code too large: refused") << 14 << 1000 << "";
    }
    void aPersonAtTheDacCodes() {
        QFETCH(int, act);
        QFETCH(int, zeroCode);
        QFETCH(QString, wire);
        TPanel p(true);
        TOut o;
        o.Range = 1;
        p.Read(o);
        TfrmMain& w = p.w;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // One notch away from the person.
        const auto wheel = [](QWidget* target, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            const QPointF at = target->rect().center();
            QWheelEvent event(at, target->mapToGlobal(at), QPoint(),
                              QPoint(0, QWheelEvent::DefaultDeltasPerStep), Qt::NoButton, modifiers,
                              Qt::NoScrollPhase, false);
            event.setAccepted(false);
            QApplication::sendEvent(target, &event);
        };
        const auto emptyAndStore = [&](TPageSpinBox* spin, QPushButton* store, bool stepUp = false) {
            QTest::mouseClick(spin, Qt::LeftButton);
            QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(spin, Qt::Key_Backspace);
            if (stepUp) QTest::keyClick(spin, Qt::Key_Up);
            QTest::mouseClick(store, Qt::LeftButton); // the focus moves to the button first
        };
        QTest::mouseClick(w.Out->seOutZero, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), w.Out->seOutZero);
        QVERIFY(w.Out->seOutZero->value() == 1000 && w.Out->seOutFull->value() == 61000);
        switch (act) {
        case 0:
            emptyAndStore(w.Out->seOutZero, w.Out->btnOutZero);
            break;
        case 1:
            emptyAndStore(w.Out->seOutFull, w.Out->btnOutFull);
            break;
        case 2:
            QTest::keyClick(w.Out->seOutZero, Qt::Key_Return);
            break;
        case 3:
            QTest::mouseClick(w.Out->edOutMin, Qt::LeftButton);
            break;
        case 4:
            wheel(w.Out->seOutFull);
            break;
        case 5:
            wheel(w.Out->cmbOutRanges);
            break;
        case 6:
            wheel(w.Out->seOutZero);
            break;
        case 7:
            wheel(w.Out->seOutZero, Qt::ControlModifier);
            break;
        case 8:
            QTest::keyClick(w.Out->seOutZero, Qt::Key_Up, Qt::ControlModifier);
            break;
        case 9:
            w.Out->cmbOutRanges->setFocus(Qt::TabFocusReason);
            wheel(w.Out->cmbOutRanges);
            break;
        case 10:
            emptyAndStore(w.Out->seOutZero, w.Out->btnOutZero, true);
            break;
        case 11:
        case 12:
        case 13:
        case 14: {
            const char* const pasted[] = {"4000", "70000", "12 ab", "99"};
            QGuiApplication::clipboard()->setText(QString::fromLatin1(pasted[act - 11]));
            if (act != 14) QTest::keyClick(w.Out->seOutZero, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(w.Out->seOutZero, Qt::Key_V, Qt::ControlModifier);
            break;
        }
        }
        QCOMPARE(p.Sent(), wire);
        QCOMPARE(w.Out->seOutZero->value(), zeroCode);
        QCOMPARE(w.Out->seOutFull->value(), act == 1 ? 0 : 61000);
        QCOMPARE(w.Out->cmbOutRanges->currentIndex(), act == 9 ? 0 : 1);
    }

    // A permanent write judges its fields as the person left them: an emptied
    // edit is the conversion error even after its exit default, and a negative
    // dead band is refused. Nothing is sent in either case.
    void permanentWritesJudgeTheFields_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text"); // empty: emptied by the person
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("general");
        QTest::addColumn<QString>("dialog");
        const QString emptyLimit = "Alarm limit: '' is not a valid floating point value.";
        const QString emptyBand = "Deadband: '' is not a valid floating point value.";
        const QString negative = "Invalid dead band. The dead band must not be negative";
        QTest::newRow("alarm limit emptied, range S") << "edAlarmLimit"
                                                      << ""
                                                      << "btnSetOutRange" << emptyLimit << "";
        QTest::newRow("alarm limit emptied, full code S") << "edAlarmLimit"
                                                          << ""
                                                          << "btnOutFull" << emptyLimit << "";
        QTest::newRow("dead band emptied, zero code S") << "edDeadBand"
                                                        << ""
                                                        << "btnOutZero" << emptyBand << "";
        QTest::newRow("dead band -5, range S") << "edDeadBand"
                                               << "-5"
                                               << "btnSetOutRange"
                                               << "" << negative;
        QTest::newRow("dead band -5, zero code S") << "edDeadBand"
                                                   << "-5"
                                                   << "btnOutZero"
                                                   << "" << negative;
        QTest::newRow("dead band 0, range S: sent") << "edDeadBand"
                                                    << "0"
                                                    << "btnSetOutRange"
                                                    << ""
                                                    << "";
    }
    void permanentWritesJudgeTheFields() {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(QString, button);
        QFETCH(QString, general);
        QFETCH(QString, dialog);
        TPanel p(true);
        TOut o;
        o.Range = 1, o.Min = 4, o.Max = 20;
        p.Read(o);
        TfrmMain& w = p.w;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        TEdit* e = p.h.Find<TEdit>(qPrintable(edit));
        QTest::mouseClick(e, Qt::LeftButton);
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, text);
        auto* s = p.h.Find<QPushButton>(qPrintable(button));
        QTest::mouseClick(s, Qt::LeftButton);
        QCOMPARE(e->text(), text); // as the person left it: no default filled in
        QCOMPARE(p.h.Ui.GeneralErrors, general.isEmpty() ? QStringList() : QStringList{general});
        if (!general.isEmpty()) { // and so at every press
            QTest::mouseClick(s, Qt::LeftButton);
            QCOMPARE(p.h.Ui.GeneralErrors, QStringList({general, general}));
        }
        QCOMPARE(p.h.Ui.Errors, dialog.isEmpty() ? QStringList() : QStringList{dialog});
        const bool sent = general.isEmpty() && dialog.isEmpty();
        QCOMPARE(p.Sent().startsWith(QStringLiteral("02 17")), sent);
    }

    // Holding Space on a focused button presses it once: under X the repeats come
    // as release and press pairs that share a time stamp, or marked as repeats.
    void aHeldSpacePressesOnce_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("marked");
        QTest::newRow("range S, pairs") << "btnSetOutRange" << false;
        QTest::newRow("zero code S, pairs") << "btnOutZero" << false;
        QTest::newRow("zero code S, marked repeats") << "btnOutZero" << true;
        QTest::newRow("R of the programmed range, pairs") << "btnGetOutRange" << false;
        QTest::newRow("RUN/CAL switch, pairs") << "calSwitch" << false;
        QTest::newRow("button of the input zero edit, pairs") << "btnCalInpZero" << false;
    }
    void aHeldSpacePressesOnce() {
        QFETCH(QString, control);
        QFETCH(bool, marked);
        TPanel p(true);
        TOut o;
        o.Range = 1, o.Min = 4, o.Max = 20;
        p.Read(o);
        QWidget* c = p.h.Find<QWidget>(qPrintable(control));
        c->setEnabled(true);
        if (auto* tool = qobject_cast<QToolButton*>(c); tool && tool->defaultAction()) // an edit's button
            tool->parentWidget()->setEnabled(true), tool->defaultAction()->setEnabled(true);
        c->setFocus(Qt::TabFocusReason);
        const auto key = [c](QEvent::Type type, quint64 stamp, bool repeat) {
            QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), repeat);
            event.setTimestamp(stamp);
            QApplication::sendEvent(c, &event);
        };
        key(QEvent::KeyPress, 1000, false);
        for (quint64 t = 1500; t < 2000; t += 33) { // the key held for a second
            key(QEvent::KeyRelease, t, marked);
            key(QEvent::KeyPress, t, marked);
        }
        key(QEvent::KeyRelease, 2100, false);
        QTest::qWait(2 * TKeyRepeatGuard::PairWindowMs);
        QCOMPARE(p.h.TakeWritten().count(char(0x02)), 1); // one frame
    }

    void writingTheDacCodes() {
        TPanel p(true);
        TOut o;
        o.Range = 1, o.Min = 4, o.Max = 20, o.AlarmFlags = 1;
        p.Read(o);
        TfrmMain& w = p.w;
        w.Out->seOutZero->setValue(6553);
        p.h.TakeWritten();
        w.Out->btnOutZero->click();
        QCOMPARE(p.h.Status(), QStringLiteral("Writing output low scale data..."));
        QCOMPARE(p.Sent(),
                 QStringLiteral("02 11 01 99 19 00 00 00 80 40 00 00 A0 41 00 00 FA 43 00 00 20 41 01 03"));
        o.Zero = 6553, o.Full = 60000;
        p.Answer(cmdWriteOutZero, o); // the stored codes come back without driving the DAC
        QCOMPARE(w.Out->seOutFull->value(), 60000);
        QCOMPARE(p.Sent(), QString());
        w.Out->edOutMax->setText("30"); // out of bounds, sent unchecked
        w.Out->btnOutFull->click();
        QCOMPARE(p.h.Status(), QStringLiteral("Writing output full scale data..."));
        QCOMPARE(p.Sent().left(41), QStringLiteral("02 12 01 60 EA 00 00 00 80 40 00 00 F0 41"));
    }

    // ---- Against the simulated transmitter -----------------------------------------
    void simulatorRoundTrip() {
        TWindowHarness h;
        TfrmMain& w = *h.Window;
        h.Settle();
        h.EnterFullModeByChord();
        h.Sim.PermOutRange = h.Sim.ActiveOutRange = 1;
        h.Sim.OutCodes[1] = {6553, 58982};
        const auto request = [&](auto act) {
            const int before = h.Sim.RequestsReceived;
            act();
            h.Settle();
            QCOMPARE(h.Sim.RequestsReceived, before + 1); // no stray cmdSetTempOut or cmdSetDac
            QCOMPARE(h.Status(), Success);
        };
        request([&] { w.Out->btnGetOutRange->click(); });
        QCOMPARE(w.Out->seOutZero->value(), 6553);
        QVERIFY(w.Out->btnOutFull->isEnabled() && w.General->calSwitch->isEnabled() &&
                w.CalLists->mnuClearOutCal->isEnabled());
        request([&] { w.Out->seOutZero->setValue(7000); });
        QCOMPARE(h.Sim.TrimCode, 7000);
        request([&] { w.Out->btnOutZero->click(); });
        QCOMPARE(h.Sim.OutCodes[1].ZeroCode, uint16_t(7000));
        request([&] { w.Out->cmbOutRanges->setCurrentIndex(0); });
        QCOMPARE(w.Out->seOutFull->value(), 61000);
        w.Out->cbLowAlarm->setChecked(true);
        request([&] { w.Out->btnSetOutRange->click(); });
        QCOMPARE(h.Sim.PermOutRange * 10 + h.Sim.AlarmFlags, 2);
    }

    // ---- A person at the write buttons ----------------------------------------------
    // Against a transmitter answering in 0.8 s: while a panel's write is out its
    // write buttons take no press, so a double or triple click writes once and the
    // line shows one verdict; a DAC store or an input calibration in RUN mode asks
    // first (default No), a range programming does not.
    void aPersonAtTheWriteButtons_data() {
        QTest::addColumn<QString>("button"); // a button, or an edit whose button it is
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("run");      // the transmitter reports RUN
        QTest::addColumn<bool>("yes");      // the answer to the RUN question
        QTest::addColumn<int>("requests");  // what the transmitter receives
        QTest::addColumn<int>("questions"); // RUN questions asked
        QTest::addColumn<QStringList>("verdicts");
        // A programming is followed by the toolkit version, with a verdict of its own.
        const QStringList programmed{"Success", Success}, calibrated{"Success"}, stored{Success}, none;
        QTest::newRow("program input, double click")
            << "btnSetInputRange" << 2 << false << false << 2 << 0 << programmed;
        QTest::newRow("program input, triple click")
            << "btnSetInputRange" << 3 << false << false << 2 << 0 << programmed;
        QTest::newRow("calibrate zero, double click")
            << "edInpZero" << 2 << false << false << 1 << 0 << calibrated;
        QTest::newRow("calibrate full, triple click")
            << "edInpFull" << 3 << false << false << 1 << 0 << calibrated;
        QTest::newRow("program output, double click")
            << "btnSetOutRange" << 2 << false << false << 1 << 0 << stored;
        QTest::newRow("program output, triple click")
            << "btnSetOutRange" << 3 << false << false << 1 << 0 << stored;
        QTest::newRow("store zero code, double click")
            << "btnOutZero" << 2 << false << false << 1 << 0 << stored;
        QTest::newRow("store full code, triple click")
            << "btnOutFull" << 3 << false << false << 1 << 0 << stored;
        QTest::newRow("store zero code in RUN, No") << "btnOutZero" << 1 << true << false << 0 << 1 << none;
        QTest::newRow("store full code in RUN, Yes") << "btnOutFull" << 1 << true << true << 1 << 1 << stored;
        QTest::newRow("calibrate zero in RUN, No") << "edInpZero" << 1 << true << false << 0 << 1 << none;
        QTest::newRow("calibrate full in RUN, Yes, double click")
            << "edInpFull" << 2 << true << true << 1 << 1 << calibrated;
        QTest::newRow("program output in RUN") << "btnSetOutRange" << 1 << true << false << 1 << 0 << stored;
    }
    void aPersonAtTheWriteButtons() {
        QFETCH(QString, button);
        QFETCH(int, clicks);
        QFETCH(bool, run);
        QFETCH(bool, yes);
        QFETCH(int, requests);
        QFETCH(int, questions);
        QFETCH(QStringList, verdicts);
        TWindowHarness h;
        TfrmMain& w = *h.Window;
        h.Sim.Mode = run ? 0 : 1;
        h.Settle();
        h.EnterFullModeByChord();
        for (QPushButton* read : {w.In->btnGetPermInpRange, w.Out->btnGetOutRange}) {
            QTest::mouseClick(read, Qt::LeftButton);
            h.Settle();
        }
        QCOMPARE(w.General->calSwitch->On(), !run);
        QWidget* target = w.findChild<QWidget*>(button);
        if (auto* edit = qobject_cast<TEdit*>(target)) target = EditButton(edit);
        QVERIFY(target && target->isEnabled());
        h.Sim.Faults.ExtraDelayMs = 780;
        h.Ui.ConfirmAnswer = yes;
        h.Ui.Questions.clear();
        const int before = h.Sim.RequestsReceived;
        QStringList shown; // the line's successes and errors
        connect(w.Shell->sbMain, &TStatusBar::PanelTextSet, this, [&](int panel, const QString& text) {
            if (panel == 2 && text != QLatin1String("Ready") && !text.endsWith(QLatin1String("...")))
                shown << text;
        });
        // As the window system sends them: a click is a press and a release; the
        // second press of a double click comes as a double click, the third of a
        // triple click as a press again.
        QTest::mouseClick(target, Qt::LeftButton);
        if (clicks >= 2) {
            h.Advance(80);
            QTest::mouseDClick(target, Qt::LeftButton);
            QTest::mouseRelease(target, Qt::LeftButton);
        }
        if (clicks == 3) {
            h.Advance(80);
            QTest::mouseClick(target, Qt::LeftButton);
        }
        h.Settle();
        h.Settle(); // the toolkit version after a programming
        QCOMPARE(h.Sim.RequestsReceived - before, requests);
        QCOMPARE(h.Ui.Questions.size(), questions);
        QCOMPARE(shown, verdicts);
        QVERIFY(h.Ui.GeneralErrors.isEmpty());
        // Once the verdict is in, the next press writes again.
        if (requests == 0) return;
        h.Ui.ConfirmAnswer = true;
        QTest::mouseClick(target, Qt::LeftButton);
        h.Settle();
        h.Settle();
        QCOMPARE(h.Sim.RequestsReceived - before, 2 * requests);
        QCOMPARE(shown, verdicts + verdicts);
    }

    // ---- Controls ------------------------------------------------------------------
    void nothingClippedOrOverlapping() {
        TPanel p;
        TfrmMain& w = p.w;
        for (QLabel* unit : {w.Out->lblAlmLimUnit, w.Out->lblDbandUnit})
            unit->setText(" Ohm"); // the widest texts
        w.Out->ShowOutRangeUnits(1);
        w.Out->ShowOutRangeUnits(1);
        QCOMPARE(w.General->OutJumper->pos(), QPoint(461, 21));
        QList<QWidget*> controls;
        for (QObject* child : w.Shell->grpOutput->children())
            if (auto* c = qobject_cast<QWidget*>(child)) controls << c;
        QVERIFY(controls.size() >= 49);
        for (int i = 0; i < controls.size(); ++i) {
            const QWidget* a = controls[i];
            QVERIFY2(w.Shell->grpOutput->contentsRect().contains(a->geometry()), qPrintable(a->objectName()));
            if ((qobject_cast<const QLabel*>(a) && !qobject_cast<const TValueLabel*>(a)) ||
                qobject_cast<const QCheckBox*>(a))
                QVERIFY2(a->width() >= a->sizeHint().width(), qPrintable(a->objectName()));
            for (int j = i + 1; j < controls.size(); ++j)
                QVERIFY2(!a->geometry().intersects(controls[j]->geometry()),
                         qPrintable(a->objectName() + " overlaps " + controls[j]->objectName()));
        }
        // Two hints are held but never shown; the DAC hint has eight lines.
        QVERIFY(w.Out->cbEnableAlarm->toolTip().isEmpty() && w.Out->cbLowAlarm->toolTip().isEmpty());
        QCOMPARE(w.Out->cbLowAlarm->accessibleDescription(),
                 QStringLiteral("Check to invert alarm level (active high)"));
        const QStringList lines = w.Out->seOutFull->toolTip().split("\r\n");
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines[1], QString(95, '-'));
    }
};

QTEST_MAIN(TstOutput)
#include "tst_output.moc"
