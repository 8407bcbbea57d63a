// The input panel presenting input reports: the road of a first read, the three
// presentations with their colour rule, what a failed or short report does, and
// when the calibration controls come to life.
#include "../../app/ProgramLook.h"
#include "../../app/WindowShell.h"
#include "../../link/Codec.h"
#include "../../panels/general/CalLists.h"
#include "../../panels/general/GeneralPanel.h"
#include "../../panels/input/InputPanel.h"
#include "../../panels/output/OutputPanel.h"
#include "../../ranges/InRanges.h"
#include "../../widgets/Controls.h"
#include "../../widgets/StatusBar.h"
#include "../../widgets/ToggleSwitch.h"
#include "InputBench.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {
const QColor Black(0, 0, 0), Red(255, 0, 0), Green(0, 128, 0);

QColor CaptionColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

// Everything a report may change on the panel and the general strip.
QStringList PanelState(TfrmMain& w) {
    QStringList s;
    for (const QLabel* l : std::initializer_list<const QLabel*>{
             w.In->pnlInpRange, w.In->pnlWiring, w.In->pnlInpReadingP, w.In->pnlEngReadingP,
             w.In->pnlInpZeroP, w.In->pnlInpFullP, w.In->pnlEuMinP, w.In->pnlEuMaxP, w.In->pnlInpReading,
             w.In->pnlEngReading, w.In->lblInpZeroUnit, w.In->lblInpFullUnit, w.In->lblEuMinUnit,
             w.In->lblEuMaxUnit, w.General->pnlTemp, w.General->pnlCalTemp, w.General->pnlTempComp})
        s << l->text();
    for (const QLineEdit* e : {w.In->edInpZero, w.In->edInpFull, w.In->edEuMin, w.In->edEuMax})
        s << e->text();
    s << w.In->cmbInpRanges->currentText() << w.In->cmbWiring->currentText()
      << QString::number(w.In->cmbWiring->isEnabled()) << QString::number(w.In->cmbInpRanges->isEnabled())
      << w.General->calSwitch->StateText() << w.In->pnlInpRange->TextColor().name()
      << CaptionColour(w.In->lblInpRanges).name() << w.CalLists->lvInpCalStat->topLevelItem(3)->text(1)
      << QString::number(w.In->CurInRange()) << QString::number(w.In->InEventsOn());
    return s;
}
} // namespace

class TstInput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // The program's look, so that the layout is checked with its font.
        SetProgramLook();
    }
    void firstReadFillsBothSidesAndEnablesThePanel() {
        TInputBench b;
        TfrmMain& w = b.w();
        QVERIFY(!w.In->cmbInpRanges->isEnabled());
        QTest::mouseClick(w.In->btnGetPermInpRange, Qt::LeftButton);
        QCOMPARE(ToHex(b.h.TakeWritten()), ToHex(Hex("02 04 03")));
        QCOMPARE(b.h.Status(), QStringLiteral("Reading permanent input range..."));
        QCOMPARE(b.h.StatusColor(), Black);

        TInReport r = InReport(cmdReadPermIn, 11); // Pt100 (385), 2 wire
        r.Raw = 110.5f;
        r.Eng = 26.25f;
        r.Seebeck = 0;
        r.EuMin = -100;
        r.EuMax = 500.25f; // exact in single precision: the half goes away from zero
        r.Ta = 24.56f;
        r.TCal = -3.25f;
        r.Mode = 1;
        b.Answer(r);

        QCOMPARE(w.In->pnlInpRange->text(), QStringLiteral("Pt100 (385)"));
        QCOMPARE(w.In->pnlWiring->text(), QStringLiteral("2 wire"));
        QCOMPARE(w.In->pnlInpReadingP->text(), QStringLiteral("110.50 Ohm"));
        QCOMPARE(w.In->pnlInpReading->text(), QStringLiteral("110.50 Ohm"));
        QCOMPARE(w.In->pnlEngReadingP->text(), QStringLiteral("26.3 \u00B0C"));
        QCOMPARE(w.In->pnlEngReading->text(), QStringLiteral("26.3 \u00B0C"));
        QCOMPARE(w.In->pnlInpZeroP->text(), QStringLiteral("0.00 Ohm"));
        QCOMPARE(w.In->pnlInpFullP->text(), QStringLiteral("375.70 Ohm"));
        QCOMPARE(w.In->pnlEuMinP->text(), QStringLiteral("-100.0 \u00B0C"));
        QCOMPARE(w.In->pnlEuMaxP->text(), QStringLiteral("500.3 \u00B0C"));
        QCOMPARE(w.In->edInpZero->text(), QStringLiteral("0.00"));
        QCOMPARE(w.In->edInpFull->text(), QStringLiteral("375.70"));
        QCOMPARE(w.In->edEuMin->text(), QStringLiteral("-100.0"));
        QCOMPARE(w.In->edEuMax->text(), QStringLiteral("500.3"));
        QCOMPARE(w.In->lblInpFullUnit->text(), QStringLiteral(" Ohm"));
        QCOMPARE(w.In->lblEuMaxUnit->text(), QStringLiteral(" \u00B0C"));
        QCOMPARE(w.Out->lblAlmLimUnit->text(), QStringLiteral(" \u00B0C"));
        QCOMPARE(w.Out->lblDbandUnit->text(), QStringLiteral(" \u00B0C"));
        QCOMPARE(w.General->pnlTemp->text(), QStringLiteral("24.6"));
        QCOMPARE(w.General->pnlCalTemp->text(), QStringLiteral("-3.3"));
        QCOMPARE(w.General->pnlTempComp->text(), QStringLiteral("0.00 Ohm"));
        QVERIFY(w.General->calSwitch->On());
        // Assistive technology reads a value box's side and caption as name, its
        // text as value, and the caption as its label; a drop-down list is named
        // by its field, labelled by its caption, its items its child list.
        QAccessibleInterface* range = QAccessible::queryAccessibleInterface(w.In->pnlInpRange);
        QCOMPARE(range->text(QAccessible::Name), QStringLiteral("Programmed range"));
        QCOMPARE(QAccessible::queryAccessibleInterface(w.In->pnlInpReadingP)->text(QAccessible::Name),
                 QStringLiteral("Programmed raw"));
        QAccessibleInterface* raw = QAccessible::queryAccessibleInterface(w.In->pnlInpReading);
        QCOMPARE(raw->text(QAccessible::Name), QStringLiteral("Active raw"));
        const auto labels = raw->relations(QAccessible::Label);
        QVERIFY(!labels.isEmpty() && labels[0].first->object() == w.In->lblInpReading);
        QAccessibleInterface* ranges = QAccessible::queryAccessibleInterface(w.In->cmbInpRanges);
        QCOMPARE(ranges->text(QAccessible::Name), QStringLiteral("Input range"));
        QCOMPARE(ranges->text(QAccessible::Value), QStringLiteral("Pt100 (385)"));
        QCOMPARE(ranges->relations(QAccessible::Label).value(0).first->object(), w.In->lblInpRanges);
        QAccessibleInterface* chosen = ranges->child(0)->tableInterface()->cellAt(11, 0);
        QVERIFY(chosen->state().selected);
        QCOMPARE(chosen->text(QAccessible::Name), QStringLiteral("Pt100 (385)"));
        // A calibration list's cell is read with its column's caption and does
        // nothing when "activated": it offers no action.
        QAccessibleInterface* calList = QAccessible::queryAccessibleInterface(w.CalLists->lvInpCalStat);
        QAccessibleInterface* cell = calList->tableInterface()->cellAt(0, 1);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("UCAL"));
        QVERIFY(!cell->actionInterface() || cell->actionInterface()->actionNames().isEmpty());
        QCOMPARE(cell->tableCellInterface()->columnHeaderCells().value(0)->text(QAccessible::Name),
                 QStringLiteral("Zero"));
        QCOMPARE(calList->child(calList->indexOfChild(cell)), cell);
        QCOMPARE(calList->childCount(), (w.CalLists->lvInpCalStat->topLevelItemCount() + 1) * 4);
        QTreeView bare; // a list with no model yet has nothing to read
        bare.setRootIsDecorated(false);
        QAccessibleInterface* empty = QAccessible::queryAccessibleInterface(&bare);
        QVERIFY(empty->childCount() == 0 && !empty->tableInterface()->cellAt(0, 0));
        QCOMPARE(empty->tableInterface()->columnDescription(0), QString());
        QCOMPARE(range->text(QAccessible::Value), QStringLiteral("Pt100 (385)"));
        QCOMPARE(QAccessible::queryAccessibleInterface(w.In->pnlEuMinP)->text(QAccessible::Value),
                 QStringLiteral("-100.0 \u00B0C"));
        QCOMPARE(range->textInterface()->text(0, range->textInterface()->characterCount()),
                 QStringLiteral("Pt100 (385)")); // what Linux screen readers read
        // A review of the screen finds each character where it is drawn, in the box.
        const QRect first = range->textInterface()->characterRect(0);
        const QRect last = range->textInterface()->characterRect(10);
        QVERIFY(range->rect().contains(first) && range->rect().contains(last) && first.right() < last.left());
        QCOMPARE(range->textInterface()->offsetAtPoint(last.center()), 10);
        QCOMPARE(QAccessible::queryAccessibleInterface(w.Shell->sbMain->Panel(2))->role(),
                 QAccessible::StatusBar);
        QAccessibleInterface* mode = QAccessible::queryAccessibleInterface(w.General->calSwitch);
        QVERIFY(mode->state().checkable && mode->state().checked);
        QCOMPARE(mode->text(QAccessible::Value), QStringLiteral("CAL"));
        QCOMPARE(w.CalLists->lvInpCalStat->topLevelItem(0)->text(1), QStringLiteral("UCAL"));
        QCOMPARE(w.In->cmbInpRanges->currentIndex(), 11);
        QVERIFY(w.In->cmbWiring->isEnabled());
        for (QWidget* c : std::initializer_list<QWidget*>{
                 w.In->pnlInpReading, w.In->pnlEngReading, w.In->cmbInpRanges, w.In->btnGetTempInpRange,
                 w.In->btnSetInputRange, w.In->edEuMin, w.In->edEuMax, w.CalLists->lvInpCalStat})
            QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
        QVERIFY(w.In->InEventsOn());
        QVERIFY(b.h.TakeWritten().isEmpty());

        QCOMPARE(b.h.Status(), QStringLiteral("Success"));
        QCOMPARE(b.h.StatusColor(), StatusGreen);
        b.h.Advance(380);
        QCOMPARE(b.h.Status(), QStringLiteral("Success"));
        b.h.Advance(60);
        QCOMPARE(b.h.Status(), QStringLiteral("Ready"));
    }

    void firstReadAgainstTheSimulator() {
        TWindowHarness h;
        h.Settle();
        h.TakeWritten();
        QTest::mouseClick(h.Window->In->btnGetPermInpRange, Qt::LeftButton);
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 04 03")));
        // The report takes the reply delay and its time on the line at 9600 baud.
        for (int waited = 0; waited < 1000 && h.Status() != QStringLiteral("Success"); waited += 5)
            h.Advance(5);
        QCOMPARE(h.Status(), QStringLiteral("Success"));
        QCOMPARE(h.StatusColor(), StatusGreen);
        int wiring = 0;
        QCOMPARE(h.Window->In->pnlInpRange->text(), InRanges[CodeToRange(h.Sim.PermInCode, wiring)].Name);
        QCOMPARE(h.Window->In->cmbInpRanges->currentText(), h.Window->In->pnlInpRange->text());
        QVERIFY(h.Window->In->cmbInpRanges->isEnabled());
        QVERIFY(h.Window->In->pnlInpReadingP->text() != QStringLiteral("N/A"));
        h.Advance(330);
        QCOMPARE(h.Status(), QStringLiteral("Success"));
        h.Advance(120); // the seventh tick, wherever between ticks the report landed
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
    }

    void rangeCodeSetsRangeAndWiringSilently_data() {
        QTest::addColumn<int>("response");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("wiring");
        QTest::addColumn<bool>("wiringEnabled");
        QTest::newRow("active, code 12: Pt100 3 wire") << int(cmdReadActiveIn) << 12 << "Pt100 (385)"
                                                       << "3 wire" << true;
        QTest::newRow("active, code 37: Resistance 4 wire") << int(cmdSetTempIn) << 37 << "Resistance"
                                                            << "4 wire" << true;
        QTest::newRow("active, code 3: thermocouple") << int(cmdReadActiveIn) << 3 << "T/C Type K"
                                                      << "2 wire" << false;
        QTest::newRow("full, code 12") << int(cmdSetPermIn) << 12 << "Pt100 (385)"
                                       << "3 wire" << true;
        QTest::newRow("full, code 39: potentiometer") << int(cmdSetPermIn) << 39 << "Potentiometer"
                                                      << "2 wire" << false;
        // A range the tables lack: broken, the selections stay as they were.
        QTest::newRow("active, code 200: nothing changes") << int(cmdReadActiveIn) << 200 << ""
                                                           << "" << true;
    }
    void rangeCodeSetsRangeAndWiringSilently() {
        QFETCH(int, response);
        QFETCH(int, code);
        QFETCH(QString, range);
        QFETCH(QString, wiring);
        QFETCH(bool, wiringEnabled);
        TInputBench b;
        TfrmMain& w = b.w();
        b.ReadPerm(18); // Cu10 (427), so that every row moves both selections
        w.In->cmbWiring->setCurrentIndex(2);
        b.h.TakeWritten();
        if (range.isEmpty()) range = w.In->cmbInpRanges->currentText();
        if (wiring.isEmpty()) wiring = w.In->cmbWiring->currentText();
        b.Answer(InReport(uint8_t(response), uint8_t(code)));
        QCOMPARE(w.In->cmbInpRanges->currentText(), range);
        QCOMPARE(w.In->cmbWiring->currentText(), wiring);
        QCOMPARE(w.In->cmbWiring->isEnabled(), wiringEnabled);
        if (response == cmdSetPermIn) QCOMPARE(w.In->pnlWiring->text(), wiring);
        // Unasked, even a programming's answer sends nothing (no toolkit version).
        QVERIFY(b.h.TakeWritten().isEmpty());
        QVERIFY(w.In->InEventsOn());
    }

    void rangeFlagColours_data() {
        QTest::addColumn<int>("response");
        QTest::addColumn<int>("flag");
        QTest::addColumn<QColor>("rangeName");     // pnlInpRange
        QTest::addColumn<QColor>("rangesCaption"); // lblInpRanges
        // Each row starts from a first read with the flag set (both black).
        QTest::newRow("perm, flag 0: only the P side") << int(cmdReadPermIn) << 0 << Red << Black;
        QTest::newRow("active, flag 0: only the caption") << int(cmdReadActiveIn) << 0 << Black << Red;
        QTest::newRow("full, flag 0: both") << int(cmdSetPermIn) << 0 << Red << Red;
        QTest::newRow("full, flag 7: both black") << int(cmdSetPermIn) << 7 << Black << Black;
    }
    void rangeFlagColours() {
        QFETCH(int, response);
        QFETCH(int, flag);
        QFETCH(QColor, rangeName);
        QFETCH(QColor, rangesCaption);
        TInputBench b;
        TfrmMain& w = b.w();
        b.ReadPerm(3);
        QCOMPARE(w.In->pnlInpRange->TextColor(), Black);
        QCOMPARE(CaptionColour(w.In->lblInpRanges), Black);
        QTest::mouseClick(w.In->btnGetTempInpRange, Qt::LeftButton);
        b.Answer(InReport(uint8_t(response), 3, uint8_t(flag)));
        QCOMPARE(w.In->pnlInpRange->TextColor(), rangeName);
        QCOMPARE(CaptionColour(w.In->lblInpRanges), rangesCaption);
        // A later report with the flag set turns the same control black again.
        QTest::mouseClick(w.In->btnGetTempInpRange, Qt::LeftButton);
        b.Answer(InReport(uint8_t(response), 3, 1));
        QCOMPARE(w.In->pnlInpRange->TextColor(), Black);
        QCOMPARE(CaptionColour(w.In->lblInpRanges), Black);
    }

    void permReportLeavesTheActiveSideAlone() {
        TInputBench b;
        TfrmMain& w = b.w();
        b.ReadPerm(3);
        w.In->edEuMin->setText(QStringLiteral("-10"));
        QTest::mouseClick(w.In->btnGetPermInpRange, Qt::LeftButton);
        TInReport r = InReport(cmdReadPermIn, 38); // Linear mV
        r.Raw = 1234.4f;
        r.Seebeck = 12.5f;
        b.Answer(r);
        QCOMPARE(w.In->pnlInpRange->text(), QStringLiteral("Linear mV"));
        QCOMPARE(w.In->pnlInpReadingP->text(), QStringLiteral("1234 mV"));
        QCOMPARE(w.General->pnlTempComp->text(), QStringLiteral("13 mV"));
        QCOMPARE(w.In->cmbInpRanges->currentText(), QStringLiteral("T/C Type K"));
        QCOMPARE(w.In->edEuMin->text(), QStringLiteral("-10"));
        QCOMPARE(w.In->edInpFull->text(), QStringLiteral("54886"));
        QCOMPARE(w.In->lblInpFullUnit->text(), QStringLiteral(" \u00B5V"));
        QCOMPARE(w.In->pnlInpReading->text(), QStringLiteral("4096 \u00B5V"));
        QCOMPARE(w.In->CurInRange(), 20);
        QCOMPARE(b.h.Status(), QStringLiteral("Success"));
    }

    void statusZeroChangesOnlyTheStatusLine_data() {
        QTest::addColumn<int>("response");
        QTest::addColumn<bool>("panelFilled");
        QTest::newRow("first read (full)") << int(cmdReadPermIn) << false;
        QTest::newRow("programmed range") << int(cmdReadPermIn) << true;
        QTest::newRow("active range") << int(cmdReadActiveIn) << true;
        QTest::newRow("zero calibration") << int(cmdCalZero) << true;
        QTest::newRow("clear flags") << int(cmdClearInCal) << true;
    }
    void statusZeroChangesOnlyTheStatusLine() {
        QFETCH(int, response);
        QFETCH(bool, panelFilled);
        TInputBench b;
        TfrmMain& w = b.w();
        if (panelFilled) b.ReadPerm(3, 0);
        const QStringList before = PanelState(w);
        const int beeps = b.h.Ui.Beeps;
        // A request of the answer's code: only its own answer ends a request.
        PacketStart(uint8_t(response));
        w.PacketSend();
        TInReport r = InReport(uint8_t(response), 35); // everything differs from the first read
        r.Status = 0;
        r.Words[0] = 0xFFFFFFFF;
        r.Mode = 1;
        b.Answer(r);
        QCOMPARE(PanelState(w), before);
        QCOMPARE(b.h.Status(), QStringLiteral("Error occured while performing the operation !"));
        QCOMPARE(b.h.StatusColor(), StatusRed);
        QCOMPARE(b.h.Ui.Beeps, beeps + 1);
        b.h.Advance(36 * 55 + 60);
        QCOMPARE(b.h.Status(), QStringLiteral("Ready"));
    }

    // A report shorter than its layout shows nothing of itself; the code byte
    // alone is a refusal.
    void shortReportIsBroken_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("status");
        const QString unknown = "Unknown response received.";
        QTest::newRow("code byte alone: status 0")
            << Hex("04") << "Error occured while performing the operation !";
        QTest::newRow("code and status only") << Hex("04 01") << unknown;
        QTest::newRow("up to the raw reading") << Hex("04 01 26 01 00 00 80 3F") << unknown;
        QTest::newRow("one byte short") << InReport(cmdReadPermIn, 38).Body().left(48) << unknown;
    }
    void shortReportIsBroken() {
        QFETCH(QByteArray, body);
        QFETCH(QString, status);
        TInputBench b;
        TfrmMain& w = b.w();
        QTest::mouseClick(w.In->btnGetPermInpRange, Qt::LeftButton);
        b.Answer(body);
        QCOMPARE(b.h.Status(), status);
        QCOMPARE(b.h.StatusColor(), StatusRed);
        QCOMPARE(w.In->pnlInpRange->text(), QStringLiteral("N/A"));
        QCOMPARE(w.In->pnlInpReadingP->text(), QStringLiteral("N/A"));
        QVERIFY(!w.In->cmbInpRanges->isEnabled());
    }

    void calibrationControlsWaitForFullModeAndTheNextProgrammedRange() {
        TInputBench b;
        TfrmMain& w = b.w();
        // Zero, full scale, the clear menu and the switch, each on (1) or off (0).
        const auto calControls = [&w] {
            QString on;
            for (bool b : {w.In->edInpZero->isEnabled() && w.In->edInpZeroButton->isEnabled(),
                           w.In->edInpFull->isEnabled() && w.In->edInpFullButton->isEnabled(),
                           w.CalLists->mnuClearInCal->isEnabled(), w.General->calSwitch->isEnabled()})
                on += b ? QLatin1Char('1') : QLatin1Char('0');
            return on;
        };
        const QString off = QStringLiteral("0000");
        QCOMPARE(calControls(), off);
        QVERIFY(!w.In->edEuMin->isEnabled());
        b.ReadPerm(3);
        QVERIFY(w.In->edEuMin->isEnabled());
        QCOMPARE(calControls(), off);
        // A disabled button sends nothing, however it is pressed.
        w.In->edInpZeroButton->trigger();
        QVERIFY(b.h.TakeWritten().isEmpty());

        b.h.EnterFullModeByChord();
        QVERIFY(w.FullMode());
        QCOMPARE(calControls(), off);
        QTest::mouseClick(w.In->btnGetTempInpRange, Qt::LeftButton);
        b.Answer(InReport(cmdReadActiveIn, 3));
        QCOMPARE(calControls(), off); // the active side does not enable
        b.ReadPerm(3);
        QCOMPARE(calControls(), QStringLiteral("1111"));
        w.In->edInpZeroButton->trigger();
        QCOMPARE(ToHex(b.h.TakeWritten()), ToHex(Hex("02 01 10 FC 03")));
    }

    // A number too wide for its edit shows its sign and leading digits, and the
    // tool tip holds it whole; a number that fits keeps the plain hint.
    void aWideNumberShowsItsBeginning() {
        TInputBench b;
        TfrmMain& w = b.w();
        b.ReadPerm(3);
        const QString wide = QStringLiteral("-340282346638528859811704183484516925440.0");
        w.In->edEuMin->setText(wide); // as a report sets it
        QCOMPARE(w.In->edEuMin->cursorPosition(), 0);
        QVERIFY(!w.In->edEuMin->TextFits());
        QCOMPARE(w.In->edEuMin->TipText(), wide + QStringLiteral("\n") + w.In->edEuMin->toolTip());
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::mouseClick(w.In->edEuMax, Qt::LeftButton);
        QTest::keyClick(w.In->edEuMax, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w.In->edEuMax, wide);
        QVERIFY(w.In->edEuMax->cursorPosition() > 0);
        QTest::keyClick(w.In->edEuMax, Qt::Key_Tab); // typed and left
        QCOMPARE(w.In->edEuMax->cursorPosition(), 0);
        w.In->edEuMin->setText(QStringLiteral("-200.0"));
        QCOMPARE(w.In->edEuMin->TipText(), w.In->edEuMin->toolTip());
    }

    void controlsOfThePanel() {
        TInputBench b;
        TfrmMain& w = b.w();
        // Keyboard focus runs through the panel in this order.
        const QList<QWidget*> order = {w.In->btnGetPermInpRange,
                                       w.In->cmbInpRanges,
                                       w.In->btnGetTempInpRange,
                                       w.In->btnSetInputRange,
                                       w.In->cmbWiring,
                                       w.In->edInpZero,
                                       EditButton(w.In->edInpZero),
                                       w.In->edInpFull,
                                       EditButton(w.In->edInpFull),
                                       w.In->edEuMin,
                                       w.In->edEuMax,
                                       w.CalLists->lvInpCalStat};
        for (int i = 1; i < order.size(); ++i) {
            QWidget* next = order[i - 1]->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus) || next->focusProxy())
                next = next->nextInFocusChain();
            QCOMPARE(next->objectName(), order[i]->objectName());
        }
        // The calibration edits carry their button at the right end.
        QVERIFY(w.In->edInpZero->actions().contains(w.In->edInpZeroButton));
        QVERIFY(w.In->edInpFull->actions().contains(w.In->edInpFullButton));
        QVERIFY(!w.In->edInpZeroButton->icon().isNull());
        QCOMPARE(w.In->edInpZero->toolTip().split(QStringLiteral("\r\n")).value(1),
                 QString(82, QLatin1Char('-')));
        QCOMPARE(w.In->cmbInpRanges->maxVisibleItems(), 25);
        QCOMPARE(w.In->cmbInpRanges->itemData(5, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        // Before any report: the first range's defaults, wiring off.
        QCOMPARE(w.In->edInpZero->text(), QStringLiteral("0"));
        QCOMPARE(w.In->edInpFull->text(), QStringLiteral("13820"));
        QCOMPARE(w.In->edEuMin->text(), QStringLiteral("500.0"));
        QCOMPARE(w.In->edEuMax->text(), QStringLiteral("1820.0"));
        QCOMPARE(w.In->lblInpZeroUnit->text(), QStringLiteral(" \u00B5V"));
        QCOMPARE(w.In->lblEuMinUnit->text(), QStringLiteral(" \u00B0C"));
        QVERIFY(!w.In->cmbWiring->isEnabled());
        QCOMPARE(w.In->cmbWiring->currentText(), QStringLiteral("2 wire"));
        QCOMPARE(w.In->edEuMax->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        // Nothing of the panel may lie outside its box.
        for (QWidget* c : w.Shell->grpInput->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(QRect(0, 0, 321, 513).contains(c->geometry()), qPrintable(c->objectName()));
        // Every caption at full width, none condensed beside another, and the
        // widest raw unit clear of the caption after it.
        w.In->ShowInRangeDefaults(16);
        QCOMPARE(w.In->lblInpFullUnit->text(), QStringLiteral(" Ohm"));
        for (QLabel* caption : w.Shell->grpInput->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            const bool unit = caption->objectName().endsWith(QLatin1String("Unit"));
            if (!unit)
                QVERIFY2(caption->font().stretch() == QFont::AnyStretch || caption->font().stretch() == 100,
                         qPrintable(caption->objectName()));
            QVERIFY2(QFontMetrics(caption->font()).horizontalAdvance(caption->text()) <= caption->width(),
                     qPrintable(caption->objectName()));
        }
        QVERIFY(w.In->lblInpFullUnit->geometry().right() < w.In->lblEuMax->x());
    }
};

QTEST_MAIN(TstInput)
#include "tst_input.moc"
