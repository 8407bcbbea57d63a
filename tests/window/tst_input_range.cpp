// The requests of the input panel: the frames each control sends, the check of the
// span before it is programmed, texts that are not numbers, and the span edits
// left empty.
#include "../../panels/input/InputPanel.h"
#include "../../widgets/Controls.h"
#include "InputBench.h"
#include "MrtVersion.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QToolButton>

namespace {
void SetSpan(TfrmMain& w, const char* minimum, const char* maximum) {
    w.In->edEuMin->setText(QString::fromLatin1(minimum));
    w.In->edEuMax->setText(QString::fromLatin1(maximum));
}

void LeaveEdit(TEdit* edit, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QCoreApplication::sendEvent(edit, &out);
}

// 1 followed by 39 zeros: a number, but too large for a single.
const char* const HugeNumber = "1000000000000000000000000000000000000000";
} // namespace

class TstInputRange : public QObject {
    Q_OBJECT
private slots:
    void framesOfTheControls_data() {
        QTest::addColumn<int>("reported"); // range code of the report before the action
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("status");
        QTest::newRow("program T/C Type K, -200 to 1372") << 3 << "set -200 1372"
                                                          << "02 07 10 FC 00 00 48 C3 00 80 AB 44 03"
                                                          << "Setting range permanently...";
        QTest::newRow("choose Pt100 (385) while wiring shows 3 wire") << 15 << "range 11"
                                                                      << "02 06 0C 03"
                                                                      << "Setting temporary range...";
        QTest::newRow("choose T/C Type K whatever the wiring") << 16 << "range 3"
                                                               << "02 06 10 FC 03"
                                                               << "Setting temporary range...";
        QTest::newRow("wiring alone changes the code") << 13 << "wiring 1"
                                                       << "02 06 0C 03"
                                                       << "Setting temporary range...";
        QTest::newRow("read active Pt200 4 wire") << 16 << "read"
                                                  << "02 10 FC 10 EF 03"
                                                  << "Reading active input range...";
        QTest::newRow("zero calibration Pt200 4 wire") << 16 << "zero"
                                                       << "02 01 10 EF 03"
                                                       << "Calibrating zero scale...";
        QTest::newRow("zero calibration ignores the edit") << 16 << "zero abc"
                                                           << "02 01 10 EF 03"
                                                           << "Calibrating zero scale...";
        QTest::newRow("full calibration K at its default 54886") << 3 << "full"
                                                                 << "02 10 FD 10 FC 00 66 56 47 03"
                                                                 << "Calibrating full scale...";
        QTest::newRow("full calibration K at 54000") << 3 << "full 54000"
                                                     << "02 10 FD 10 FC 00 F0 52 47 03"
                                                     << "Calibrating full scale...";
        QTest::newRow("full calibration J at 2.5") << 2 << "full 2.5"
                                                   << "02 10 FD 10 FD 00 00 20 40 03"
                                                   << "Calibrating full scale...";
    }
    void framesOfTheControls() {
        QFETCH(int, reported);
        QFETCH(QString, action);
        QFETCH(QString, frame);
        QFETCH(QString, status);
        TInputBench b;
        TfrmMain& w = b.w();
        b.ReadPermInFullMode(uint8_t(reported));
        const QStringList words = action.split(QLatin1Char(' '));
        const QString verb = words[0];
        if (verb == QLatin1String("set")) {
            SetSpan(w, qPrintable(words[1]), qPrintable(words[2]));
            QTest::mouseClick(w.In->btnSetInputRange, Qt::LeftButton);
        } else if (verb == QLatin1String("range")) {
            w.In->cmbInpRanges->setCurrentIndex(words[1].toInt());
        } else if (verb == QLatin1String("wiring")) {
            w.In->cmbWiring->setCurrentIndex(words[1].toInt());
        } else if (verb == QLatin1String("read")) {
            QTest::mouseClick(w.In->btnGetTempInpRange, Qt::LeftButton);
        } else if (verb == QLatin1String("zero")) {
            if (words.size() > 1) w.In->edInpZero->setText(words[1]);
            w.In->edInpZeroButton->trigger();
        } else if (verb == QLatin1String("full")) {
            if (words.size() > 1) w.In->edInpFull->setText(words[1]);
            w.In->edInpFullButton->trigger();
        }
        QCOMPARE(ToHex(b.h.TakeWritten()), ToHex(Hex(qPrintable(frame))));
        QCOMPARE(b.h.Status(), status);
        QVERIFY(b.h.Ui.Errors.isEmpty() && b.h.Ui.GeneralErrors.isEmpty());
        QVERIFY(w.In->InEventsOn());
    }

    void answerToCalibrationRefillsTheEdits() {
        TInputBench b;
        TfrmMain& w = b.w();
        b.ReadPermInFullMode(3);
        w.In->edInpFull->setText(QStringLiteral("54000"));
        w.In->edInpFullButton->trigger();
        QVERIFY(b.h.TakeWritten().startsWith(Hex("02 10 FD"))); // cmdCalFull, escaped
        TInReport r = InReport(cmdCalFull, 3);
        r.Words[2] = 1u << 3; // full scale of K now calibrated
        b.Answer(r);
        QCOMPARE(w.In->edInpFull->text(), QStringLiteral("54886"));
        QCOMPARE(b.h.Status(), QStringLiteral("Success"));
        QVERIFY(b.h.TakeWritten().isEmpty());
    }

    void spanCheck_data() {
        QTest::addColumn<int>("reported");
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<QString>("maximum");
        QTest::addColumn<QString>("refusal"); // empty: the span is sent
        const QString k = QStringLiteral("Invalid input range. Valid range must be between -200.0 to 1372.0");
        QTest::newRow("K below its minimum") << 3 << "-200.5"
                                             << "1372" << k;
        QTest::newRow("K above its maximum") << 3 << "-200"
                                             << "1372.01" << k;
        QTest::newRow("K equal to its limits") << 3 << "-200"
                                               << "1372" << QString();
        QTest::newRow("K zero width") << 3 << "100"
                                      << "100" << k;
        QTest::newRow("K minimum above maximum") << 3 << "300"
                                                 << "100" << k;
        QTest::newRow("Resistance above its maximum")
            << 36 << "0"
            << "10001"
            << "Invalid input range. Valid range must be between 0 to 10000";
        QTest::newRow("Pt100 (385) below its minimum")
            << 12 << "-201"
            << "800"
            << "Invalid input range. Valid range must be between -200.0 to 800.0";
        QTest::newRow("Linear mV inside") << 38 << "1"
                                          << "2" << QString();
    }
    void spanCheck() {
        QFETCH(int, reported);
        QFETCH(QString, minimum);
        QFETCH(QString, maximum);
        QFETCH(QString, refusal);
        TInputBench b;
        TfrmMain& w = b.w();
        b.ReadPerm(uint8_t(reported));
        const QString statusBefore = b.h.Status();
        SetSpan(w, qPrintable(minimum), qPrintable(maximum));
        QTest::mouseClick(w.In->btnSetInputRange, Qt::LeftButton);
        if (refusal.isEmpty()) {
            QVERIFY(b.h.Ui.Errors.isEmpty());
            QVERIFY(b.h.TakeWritten().startsWith(Hex("02 07")));
            QCOMPARE(b.h.Status(), QStringLiteral("Setting range permanently..."));
        } else {
            QCOMPARE(b.h.Ui.Errors, QStringList{refusal});
            QVERIFY(b.h.TakeWritten().isEmpty());
            QCOMPARE(b.h.Status(), statusBefore);
        }
        QVERIFY(w.In->InEventsOn());
    }

    void spanIsCheckedAgainstTheRangeBeingProgrammed() {
        TInputBench b;
        TfrmMain& w = b.w();
        b.ReadPerm(3); // both sides T/C Type K
        QTest::mouseClick(w.In->btnGetPermInpRange, Qt::LeftButton);
        b.h.TakeWritten();
        b.Answer(InReport(cmdReadPermIn, 35)); // the last report: Resistance
        QCOMPARE(w.In->cmbInpRanges->currentText(), QStringLiteral("T/C Type K"));
        SetSpan(w, "0", "10000"); // inside Resistance, outside K
        QTest::mouseClick(w.In->btnSetInputRange, Qt::LeftButton);
        QCOMPARE(b.h.Ui.Errors, QStringList{QStringLiteral(
                                    "Invalid input range. Valid range must be between -200.0 to 1372.0")});
        QVERIFY(b.h.TakeWritten().isEmpty());
        SetSpan(w, "-200", "1372"); // K's own limits
        QTest::mouseClick(w.In->btnSetInputRange, Qt::LeftButton);
        QCOMPARE(ToHex(b.h.TakeWritten()), ToHex(Hex("02 07 10 FC 00 00 48 C3 00 80 AB 44 03")));
    }

    // Programming against the simulated transmitter; the toolkit version follows
    // once, and a refusal stays on the line until "Ready".
    void aPersonProgramsARange_data() {
        QTest::addColumn<int>("refused"); // the code the transmitter refuses
        QTest::addColumn<bool>("echoed");
        QTest::addColumn<QString>("status");
        const QString error = "Error occured while performing the operation !";
        QTest::newRow("accepted") << -1 << false << "Success.";
        QTest::newRow("refused by the transmitter") << int(cmdSetPermIn) << false << error;
        QTest::newRow("toolkit version refused, every answer twice")
            << int(cmdSetToolkitVer) << true << error;
        // The second copy of the programming's answer is no answer to the toolkit version.
        QTest::newRow("every answer sent twice") << -1 << true << "Success.";
    }
    void aPersonProgramsARange() {
        QFETCH(int, refused);
        QFETCH(bool, echoed);
        QFETCH(QString, status);
        TWindowHarness h;
        h.Settle();
        QTest::mouseClick(h.Window->In->btnGetPermInpRange, Qt::LeftButton);
        h.Settle();
        h.Advance(1000);
        h.TakeWritten();
        h.Sim.Faults.RefuseCode = refused;
        h.Sim.Faults.Twice = echoed;
        QTest::mouseClick(h.Window->In->btnSetInputRange, Qt::LeftButton);
        QVERIFY(h.TakeWritten().startsWith(Hex("02 07")));
        h.Settle(); // the programming's answer; the toolkit version goes out
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 33 A1 03")));
        h.Settle(); // and is answered
        h.Sim.Faults = TSimFaults();
        QCOMPARE(h.Status(), status);
        QCOMPARE(h.StatusColor(), refused >= 0 ? StatusRed : StatusGreen);
        h.Advance(2500);
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
        QCOMPARE(ToHex(h.TakeWritten()), QString()); // one toolkit version per programming
        if (refused != cmdSetToolkitVer) QCOMPARE(h.Sim.ToolkitVersion, uint8_t(MRT_TOOLKIT_VERSION));
    }

    // Nothing is sent, and no busy message is left on the line for good.
    void textsThatAreNotNumbers_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty minimum") << "edEuMin"
                                       << "";
        QTest::newRow("maximum too large for a single") << "edEuMax" << HugeNumber;
        QTest::newRow("minimum too large for a single") << "edEuMin" << HugeNumber;
        QTest::newRow("full scale too large for a single") << "edInpFull" << HugeNumber;
        QTest::newRow("full scale with a comma") << "edInpFull"
                                                 << "5,5";
        // A person empties the edit and goes to the button: the edit stays empty,
        // and the button judges it as the person left it.
        QTest::newRow("minimum emptied, then S clicked") << "edEuMin"
                                                         << "person";
        QTest::newRow("maximum emptied, then Tab and Space on S") << "edEuMax"
                                                                  << "person";
        QTest::newRow("full scale emptied, Tab, Space on its button") << "edInpFull"
                                                                      << "person";
        QTest::newRow("zero point emptied, Tab, Space on its button") << "edInpZero"
                                                                      << "person";
    }
    void textsThatAreNotNumbers() {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        TInputBench b;
        TfrmMain& w = b.w();
        b.ReadPermInFullMode(3);
        const QString status = b.h.Status();
        TEdit* e = b.h.Find<TEdit>(qPrintable(edit));
        const bool byKeys = text == QLatin1String("person");
        if (byKeys) {
            text.clear();
            w.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            QTest::mouseClick(e, Qt::LeftButton);
            QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(e, Qt::Key_Backspace);
        } else {
            e->setText(text);
        }
        QWidget* button =
            edit == QLatin1String("edInpFull")   ? static_cast<QWidget*>(EditButton(w.In->edInpFull))
            : edit == QLatin1String("edInpZero") ? EditButton(w.In->edInpZero)
                                                 : static_cast<QWidget*>(w.In->btnSetInputRange);
        if (byKeys && edit != QLatin1String("edEuMin")) {
            if (button == w.In->btnSetInputRange)
                button->setFocus(Qt::TabFocusReason);
            else
                QTest::keyClick(e, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), button);
            QCOMPARE(e->text(), QString()); // no default filled in
            QTest::keyClick(button, Qt::Key_Space);
        } else {
            QTest::mouseClick(button, Qt::LeftButton);
        }
        // The box names the field by its caption.
        const QString field = edit == QLatin1String("edEuMin")     ? QStringLiteral("Eumin")
                              : edit == QLatin1String("edEuMax")   ? QStringLiteral("Eumax")
                              : edit == QLatin1String("edInpFull") ? QStringLiteral("FS")
                                                                   : QStringLiteral("Zero");
        QCOMPARE(
            b.h.Ui.GeneralErrors,
            QStringList{QStringLiteral("%1: '%2' is not a valid floating point value.").arg(field, text)});
        QVERIFY(b.h.Ui.Errors.isEmpty());
        QVERIFY(b.h.TakeWritten().isEmpty());
        QCOMPARE(b.h.Status(), status);
        // The combo boxes still send afterwards.
        QVERIFY(w.In->InEventsOn());
        w.In->cmbInpRanges->setCurrentIndex(2);
        QCOMPARE(ToHex(b.h.TakeWritten()), ToHex(Hex("02 06 10 FD 03")));
    }

    // A full-scale point must lie above 0 and not above 1.5 times the range's
    // full-scale signal (54886 uV for T/C Type K); a lower point is allowed, one
    // below a tenth of it (a slipped decimal point) only when the person says so.
    void fullScaleCalibrationValue_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("frame"); // empty: nothing is sent
        QTest::addColumn<bool>("refused");  // with the dialog
        QTest::addColumn<int>("slip");      // 0: not asked; else asked and answered No (1) or Yes (2)
        QTest::newRow("0") << "0"
                           << "" << true << 0;
        QTest::newRow("-5") << "-5"
                            << "" << true << 0;
        QTest::newRow("1e32") << "100000000000000000000000000000000"
                              << "" << true << 0;
        QTest::newRow("just above 1.5 x full scale") << "82330"
                                                     << "" << true << 0;
        QTest::newRow("1.5 x full scale") << "82329"
                                          << "02 10 FD 10 FC 80 CC A0 47 03" << false << 0;
        QTest::newRow("below full scale") << "54000"
                                          << "02 10 FD 10 FC 00 F0 52 47 03" << false << 0;
        QTest::newRow("a tenth of full scale") << "5488.6"
                                               << "02 10 FD 10 FC CD 84 AB 45 03" << false << 0;
        QTest::newRow("a slipped decimal point, No") << "5488.5"
                                                     << "" << false << 1;
        QTest::newRow("1 uV, Yes") << "1"
                                   << "02 10 FD 10 FC 00 00 80 3F 03" << false << 2;
    }
    void fullScaleCalibrationValue() {
        QFETCH(QString, value);
        QFETCH(QString, frame);
        QFETCH(bool, refused);
        QFETCH(int, slip);
        TInputBench b;
        b.ReadPermInFullMode(3);
        b.h.Ui.Questions.clear();
        b.h.Ui.ConfirmAnswer = slip != 1;
        b.w().In->edInpFull->setText(value);
        QTest::mouseClick(EditButton(b.w().In->edInpFull), Qt::LeftButton);
        QCOMPARE(ToHex(b.h.TakeWritten()), frame);
        QCOMPARE(b.h.Ui.Errors,
                 refused
                     ? QStringList{QStringLiteral(
                           "Invalid full scale value. The full scale signal of T/C Type K is 54886 \u00B5V; "
                           "the value must lie above 0 and not above 82329 \u00B5V")}
                     : QStringList());
        const QString question =
            QStringLiteral("The full scale value %1 \u00B5V is below a tenth of the full "
                           "scale signal of T/C Type K (54886 \u00B5V). Calibrate full "
                           "scale at this value all the same?")
                .arg(value);
        QCOMPARE(b.h.Ui.Questions.value(0) == question, slip > 0);
    }

    void leavingASpanEdit_data() {
        QTest::addColumn<int>("programmed"); // a second, programmed-only report; -1 none
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("after");
        // An emptied edit stays visibly empty: no default is filled in.
        QTest::newRow("empty maximum stays empty") << -1 << "edEuMax"
                                                   << ""
                                                   << "";
        QTest::newRow("empty minimum stays empty") << -1 << "edEuMin"
                                                   << ""
                                                   << "";
        QTest::newRow("0 stays") << -1 << "edEuMax"
                                 << "0"
                                 << "0";
        QTest::newRow("empty maximum after a programmed Resistance") << 35 << "edEuMax"
                                                                     << ""
                                                                     << "";
    }
    void leavingASpanEdit() {
        QFETCH(int, programmed);
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(QString, after);
        TInputBench b;
        TfrmMain& w = b.w();
        b.ReadPerm(3);
        if (programmed >= 0) {
            QTest::mouseClick(w.In->btnGetPermInpRange, Qt::LeftButton);
            b.h.TakeWritten();
            b.Answer(InReport(cmdReadPermIn, uint8_t(programmed)));
        }
        TEdit* e = b.h.Find<TEdit>(qPrintable(edit));
        e->setText(text);
        LeaveEdit(e);
        QCOMPARE(e->text(), after);
        QVERIFY(b.h.TakeWritten().isEmpty());
    }

    // The edit's own context menu or a switch to another window takes the focus
    // only for a while, and leaving it for good fills in nothing either.
    void anEmptiedSpanEditStaysEmpty() {
        TInputBench b;
        b.ReadPerm(3);
        TEdit* e = b.w().In->edEuMax;
        e->clear();
        LeaveEdit(e, Qt::PopupFocusReason);
        QCOMPARE(e->text(), QString());
        LeaveEdit(e, Qt::ActiveWindowFocusReason);
        QCOMPARE(e->text(), QString());
        LeaveEdit(e, Qt::MouseFocusReason);
        QCOMPARE(e->text(), QString());
    }
};

QTEST_MAIN(TstInputRange)
#include "tst_input_range.moc"
