// The calibration status lists with their colours and clear commands, the RUN/CAL
// switch under the mouse and from the transmitter's answers, the full-mode chord
// and the toolkit version.
#include "../../app/WindowShell.h"
#include "../../link/Codec.h"
#include "../../panels/general/CalLists.h"
#include "../../panels/general/GeneralPanel.h"
#include "../../panels/input/InputPanel.h"
#include "../../ranges/InRanges.h"
#include "../../widgets/Controls.h"
#include "../../widgets/StatusBar.h"
#include "../../widgets/ToggleSwitch.h"
#include "MrtVersion.h"
#include "WindowHarness.h"

#include <QAccessible>
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {
const QColor Black(0, 0, 0), Red(255, 0, 0), Green(0, 128, 0);
const QString Title = QStringLiteral("MRT9-DX Configuration & Calibration V" MRT_VERSION " - Dornvale");

QStringList Column(const QTreeWidget* list, int column) {
    QStringList cells;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        cells << list->topLevelItem(i)->text(column);
    return cells;
}

// The texts of the flag cells ("OK"/"UCAL") as one string per column, row by row:
// 'O' for OK, 'U' for UCAL, '?' for anything else.
QString Flags(const QTreeWidget* list, int column) {
    QString out;
    for (const QString& cell : Column(list, column))
        out += cell == QLatin1String("OK")     ? QLatin1Char('O')
               : cell == QLatin1String("UCAL") ? QLatin1Char('U')
                                               : QLatin1Char('?');
    return out;
}

// Counts the pixels of a cell that are clearly green or clearly red text.
struct TInk {
    int Green = 0;
    int Red = 0;
};
TInk InkOf(QTreeWidget* list, int row, int column) {
    const QImage image = list->viewport()->grab().toImage();
    const QRect cell = list->visualRect(list->model()->index(row, column));
    TInk ink;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.green() > c.red() + 60 && c.green() > c.blue() + 60) ++ink.Green;
            if (c.red() > c.green() + 100 && c.red() > c.blue() + 100) ++ink.Red;
        }
    return ink;
}

QByteArray ModeAnswer(uint8_t code, const QByteArray& rest) {
    return Frame::Encode(QByteArray(1, char(code)) + rest);
}

// A harness whose transmitter is silent, with the start-up query's frame taken.
// A window before its first show has not finished start-up: Show() finishes it.
struct TSilent : TWindowHarness {
    explicit TSilent(bool show = true) : TWindowHarness(1, false) {
        Sim.Faults.Silent = true;
        if (show) Show();
        TakeWritten();
    }
};
} // namespace

class TstListsModes : public QObject {
    Q_OBJECT
private slots:
    // ---- The lists after start-up ----
    void listsAfterStartup() {
        TSilent h;
        QTreeWidget* in = h.Window->CalLists->lvInpCalStat;
        QTreeWidget* out = h.Window->CalLists->lvOutCalStat;
        QCOMPARE(in->parentWidget(), static_cast<QWidget*>(h.Window->Shell->grpInput));
        QCOMPARE(in->geometry(), QRect(8, 336, 305, 169));
        QCOMPARE(out->geometry(), QRect(8, 400, 305, 105));
        QCOMPARE(h.Window->CalLists->lblInpCalStat->pos(), QPoint(8, 320));
        QCOMPARE(h.Window->CalLists->lblOutCalStat->pos(), QPoint(8, 384));

        const struct {
            QTreeWidget* List;
            QStringList Captions;
            QList<int> Widths;
        } lists[] = {{in, {"Input", "Zero", "FS", "Range"}, {85, 43, 43, 113}},
                     {out, {"Output", "Zero", "FS"}, {159, 63, 63}}};
        for (const auto& l : lists) {
            QCOMPARE(l.List->columnCount(), l.Captions.size());
            for (int c = 0; c < l.Captions.size(); ++c) {
                QCOMPARE(l.List->headerItem()->text(c), l.Captions[c]);
                QCOMPARE(l.List->header()->sectionSize(c), l.Widths[c]);
                const int alignment = l.List->headerItem()->textAlignment(c) & Qt::AlignHorizontal_Mask;
                QCOMPARE(alignment, int(c == 0 ? Qt::AlignLeft : Qt::AlignHCenter));
            }
            QVERIFY(!l.List->header()->sectionsClickable());
            QVERIFY(!l.List->rootIsDecorated());
            QVERIFY(l.List->selectedItems().isEmpty());
            QCOMPARE(l.List->editTriggers(), QAbstractItemView::NoEditTriggers);
            QCOMPARE(l.List->contextMenuPolicy(), Qt::CustomContextMenu);
            QVERIFY(!l.List->toolTip().isEmpty());
        }
        QCOMPARE(Column(in, 0).size(), 22);
        for (int i = 0; i < InRangeCount; ++i)
            QCOMPARE(Column(in, 0)[i], InRanges[i].Name);
        QCOMPARE(Column(out, 0), (QStringList{QString::fromUtf8("\u00B110 V"), "0-20 mA"}));
        for (QTreeWidget* list : {in, out})
            for (int c : {1, 2})
                QCOMPARE(Column(list, c), QStringList(list->topLevelItemCount(), "N/A"));
        QCOMPARE(h.Window->CalLists->mnuClearInCal->text(), QStringLiteral("Clear calibration flags"));
        QCOMPARE(h.Window->CalLists->mnuClearOutCal->text(), QStringLiteral("Clear calibration flags"));
        QVERIFY(h.Window->CalLists->popInCal->actions().contains(h.Window->CalLists->mnuClearInCal));
        QVERIFY(h.Window->CalLists->popOutCal->actions().contains(h.Window->CalLists->mnuClearOutCal));
    }

    void spanTexts_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("span");
        QTest::newRow("T/C Type B") << 0 << QString::fromUtf8("500 °C..1820 °C");
        QTest::newRow("T/C Type J negative minimum") << 2 << QString::fromUtf8("-210 °C..1200 °C");
        QTest::newRow("Pt100 (385)") << 11 << QString::fromUtf8("-200 °C..800 °C");
        QTest::newRow("Cu10 (427)") << 18 << QString::fromUtf8("-100 °C..260 °C");
        QTest::newRow("Resistance") << 19 << "0 Ohm..10000 Ohm";
        QTest::newRow("Linear mV") << 20 << "0 mV..4000 mV";
    }
    void spanTexts() {
        QFETCH(int, row);
        QFETCH(QString, span);
        TSilent h;
        QCOMPARE(h.Window->CalLists->lvInpCalStat->topLevelItem(row)->text(3), span);
    }

    void initTwiceDoesNotAddRows() {
        TSilent h;
        h.Window->CalLists->InitInCalStat();
        h.Window->CalLists->InitOutCalStat();
        QCOMPARE(h.Window->CalLists->lvInpCalStat->topLevelItemCount(), 22);
        QCOMPARE(h.Window->CalLists->lvOutCalStat->topLevelItemCount(), 2);
    }

    // ---- Flags shown ----
    void inputFlags_data() {
        QTest::addColumn<uint>("w1");
        QTest::addColumn<uint>("w2");
        QTest::addColumn<uint>("w3");
        QTest::addColumn<uint>("w4");
        QTest::addColumn<QString>("zero");
        QTest::addColumn<QString>("full");
        const QString none(22, QLatin1Char('U'));
        QTest::newRow("nothing calibrated") << 0u << 0u << 0u << 0u << none << none;
        QTest::newRow("thermocouples zero")
            << 0x7FFu << 0u << 0u << 0u << QString(11, 'O') + QString(11, 'U') << none;
        QTest::newRow("Pt100 lacks 4-wire") << 0x1800u << 0u << 0u << 0u << none << none;
        QTest::newRow("Pt100 all wirings")
            << 0x3800u << 0u << 0u << 0u << QString(11, 'U') + "O" + QString(10, 'U') << none;
        QTest::newRow("linear mV from word 2") << 0u << 0x40u << 0u << 0u << QString(20, 'U') + "OU" << none;
        QTest::newRow("unused bits of word 2") << 0u << 0xFFFFFF00u << 0u << 0xFFFFFF00u << none << none;
        QTest::newRow("everything") << 0xFFFFFFFFu << 0xFFu << 0xFFFFFFFFu << 0xFFu << QString(22, 'O')
                                    << QString(22, 'O');
        QTest::newRow("full words go to FS")
            << 0u << 0u << 0x1u << 0x80u << none << "O" + QString(20, 'U') + "O";
    }
    void inputFlags() {
        QFETCH(uint, w1);
        QFETCH(uint, w2);
        QFETCH(uint, w3);
        QFETCH(uint, w4);
        QFETCH(QString, zero);
        QFETCH(QString, full);
        TSilent h;
        const QStringList spans = Column(h.Window->CalLists->lvInpCalStat, 3);
        h.Window->CalLists->ShowInCalStat(w1, w2, w3, w4);
        QCOMPARE(Flags(h.Window->CalLists->lvInpCalStat, 1), zero);
        QCOMPARE(Flags(h.Window->CalLists->lvInpCalStat, 2), full);
        QCOMPARE(Column(h.Window->CalLists->lvInpCalStat, 3), spans);
    }

    void outputFlags_data() {
        QTest::addColumn<uint>("zero");
        QTest::addColumn<uint>("full");
        QTest::addColumn<QString>("zeroCells");
        QTest::addColumn<QString>("fullCells");
        QTest::newRow("voltage zero, current full") << 1u << 2u << "OU"
                                                    << "UO";
        QTest::newRow("higher bits change nothing") << 0xFFFCu << 0xFFFCu << "UU"
                                                    << "UU";
        QTest::newRow("both") << 3u << 3u << "OO"
                              << "OO";
    }
    void outputFlags() {
        QFETCH(uint, zero);
        QFETCH(uint, full);
        QFETCH(QString, zeroCells);
        QFETCH(QString, fullCells);
        TSilent h;
        h.Window->CalLists->ShowOutCalStat(uint16_t(zero), uint16_t(full));
        QCOMPARE(Flags(h.Window->CalLists->lvOutCalStat, 1), zeroCells);
        QCOMPARE(Flags(h.Window->CalLists->lvOutCalStat, 2), fullCells);
    }

    // ---- Colours ----
    void paintHookColours_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QColor>("colour");
        // On the list's white: green (5.1:1), and red darkened to 5:1 (#ff0000 gives 4.0:1).
        QTest::newRow("OK is green") << 0 << 1 << Green;
        QTest::newRow("UCAL is red, 5:1 on white") << 0 << 2 << QColor(224, 0, 0);
        QTest::newRow("span is black") << 0 << 3 << Black;
        QTest::newRow("N/A is black") << 1 << 1 << Black;
        QTest::newRow("row past the list is black") << 40 << 1 << Black;
    }
    void paintHookColours() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QColor, colour);
        TSilent h(false);
        QTreeWidget* list = h.Window->CalLists->lvInpCalStat;
        const auto asAfterAReport = [list] {
            list->setEnabled(true); // on white
            list->topLevelItem(0)->setText(1, QStringLiteral("OK"));
            list->topLevelItem(0)->setText(2, QStringLiteral("UCAL"));
        };
        QVERIFY(!h.Window->CalLists->lvOutCalStatCustomDrawSubItem(list, row, column).isValid());
        h.Show();
        asAfterAReport();
        QCOMPARE(h.Window->CalLists->lvOutCalStatCustomDrawSubItem(list, row, column), colour);
    }

    // The lists really draw through the hook, and only once start-up has finished.
    void cellsDrawnInColourOnlyAfterFormReady() {
        TSilent h(false);
        QTreeWidget* list = h.Window->CalLists->lvOutCalStat;
        h.Window->CalLists->InitOutCalStat(); // the rows, which start-up makes
        list->setEnabled(true);
        h.Window->CalLists->ShowOutCalStat(1, 0); // "±10 V": OK, UCAL
        TInk ok = InkOf(list, 0, 1), ucal = InkOf(list, 0, 2);
        QCOMPARE(ok.Green, 0);
        QCOMPARE(ucal.Red, 0);
        h.Show();
        list->setEnabled(true);
        h.Window->CalLists->ShowOutCalStat(1, 0);
        ok = InkOf(list, 0, 1);
        ucal = InkOf(list, 0, 2);
        QVERIFY2(ok.Green > 5, qPrintable(QString::number(ok.Green)));
        QCOMPARE(ok.Red, 0);
        QVERIFY2(ucal.Red > 5, qPrintable(QString::number(ucal.Red)));
        QCOMPARE(ucal.Green, 0);
        // The name column keeps the list's own colours.
        const TInk name = InkOf(list, 0, 0);
        QCOMPARE(name.Green + name.Red, 0);
        // A row selected by a click keeps its colours.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(0)).center());
        QVERIFY(list->topLevelItem(0)->isSelected());
        QVERIFY(InkOf(list, 0, 1).Green > 5 && InkOf(list, 0, 2).Red > 5);
        // ... legible on the selection: the strongest ink of "OK" and "UCAL"
        // stands out from the row's ground by at least 4.5:1.
        const QImage image = list->viewport()->grab().toImage();
        for (int column : {1, 2}) {
            const QRect cell = list->visualRect(list->model()->index(0, column));
            const QColor ground = image.pixelColor(cell.left() + 2, cell.center().y());
            double best = 1;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    best = std::max(best, ContrastRatio(image.pixelColor(x, y), ground));
            QVERIFY2(best >= 4.5, qPrintable(QStringLiteral("column %1: %2:1").arg(column).arg(best)));
        }
    }

    // ---- Clearing the flags ----
    void clearCommands_data() {
        QTest::addColumn<bool>("input");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("yes");
        QTest::newRow("input") << true << Hex("02 05 03") << "Clearing input calibration flags..." << true;
        QTest::newRow("output") << false << Hex("02 15 03") << "Clearing output calibration flags..." << true;
        QTest::newRow("input, answered No") << true << QByteArray() << "Ready" << false;
        QTest::newRow("output, answered No") << false << QByteArray() << "Ready" << false;
    }
    void clearCommands() {
        QFETCH(bool, input);
        QFETCH(QByteArray, frame);
        QFETCH(QString, message);
        QFETCH(bool, yes);
        TSilent h;
        h.Window->ShowStatus(QStringLiteral("Ready"), skReady);
        h.Ui.ConfirmAnswer = yes;
        QTreeWidget* list = input ? h.Window->CalLists->lvInpCalStat : h.Window->CalLists->lvOutCalStat;
        if (input)
            h.Window->CalLists->ShowInCalStat(0x7FF, 0, 0, 0);
        else
            h.Window->CalLists->ShowOutCalStat(1, 2);
        const QString zero = Flags(list, 1), full = Flags(list, 2);
        QAction* item = input ? h.Window->CalLists->mnuClearInCal : h.Window->CalLists->mnuClearOutCal;
        item->setEnabled(true);
        item->trigger();
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(frame));
        QCOMPARE(h.Status(), message);
        QCOMPARE(h.StatusColor(), Black);
        // One question, naming all the ranges the command clears.
        QCOMPARE(h.Ui.Questions, QStringList{input ? "Clear the calibration flags of all 22 input ranges?"
                                                   : "Clear the calibration flags of both output ranges?"});
        // The list waits for the transmitter's answer.
        QCOMPARE(Flags(list, 1), zero);
        QCOMPARE(Flags(list, 2), full);
    }

    void contextMenuOnlyOnEnabledList() {
        TSilent h;
        QTreeWidget* list = h.Window->CalLists->lvInpCalStat;
        list->setEnabled(false);
        emit list->customContextMenuRequested(QPoint(20, 20));
        QVERIFY(!h.Window->CalLists->popInCal->isVisible());
        list->setEnabled(true);
        emit list->customContextMenuRequested(QPoint(20, 20));
        QVERIFY(h.Window->CalLists->popInCal->isVisible());
        h.Window->CalLists->popInCal->hide();
    }

    // ---- Mode answers ----
    void modeAnswers_data() {
        QTest::addColumn<bool>("startCal");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("rest");
        QTest::addColumn<bool>("cal");
        QTest::newRow("query answer CAL") << false << 0x21 << Hex("01") << true;
        QTest::newRow("query answer RUN") << true << 0x21 << Hex("00") << false;
        QTest::newRow("any other byte is CAL") << false << 0x21 << Hex("FF") << true;
        QTest::newRow("set-mode answer") << false << 0x20 << Hex("01") << true;
        // Shorter than its layout: broken, and nothing of it is shown.
        QTest::newRow("code alone changes nothing") << true << 0x20 << QByteArray() << true;
    }
    void modeAnswers() {
        QFETCH(bool, startCal);
        QFETCH(int, code);
        QFETCH(QByteArray, rest);
        QFETCH(bool, cal);
        TSilent h;
        h.Window->General->calSwitch->SetOn(startCal);
        h.Advance(100);
        h.Transport.Feed(ModeAnswer(uint8_t(code), rest));
        QCOMPARE(h.Window->General->calSwitch->On(), cal);
        QCOMPARE(h.Window->General->calSwitch->StateText(),
                 cal ? QStringLiteral("CAL") : QStringLiteral("RUN"));
        QVERIFY(h.TakeWritten().isEmpty());
        QCOMPARE(h.Status(), QString());
    }

    void startupQueryAndCalAnswer() {
        TWindowHarness h(1, false);
        h.Sim.Faults.Silent = true;
        h.Show();
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 21 00 03")));
        h.Advance(100);
        h.Transport.Feed(ModeAnswer(0x21, Hex("01")));
        QVERIFY(h.Window->General->calSwitch->On());
        QVERIFY(h.TakeWritten().isEmpty());
        QCOMPARE(h.Status(), QString());
        // The switch draws red with "CAL" on its right half.
        const QImage image = h.Window->General->calSwitch->grab().toImage();
        const QColor fill = image.pixelColor(image.width() - 4, 3);
        QCOMPARE(fill, Red);
        const QColor knob = image.pixelColor(image.width() / 4, image.height() / 2);
        QVERIFY(knob != Red);
    }

    // ---- The switch under the mouse ----
    void switchMouse_data() {
        QTest::addColumn<bool>("startCal");
        QTest::addColumn<bool>("leftHalf");
        QTest::addColumn<bool>("releaseInside");
        QTest::addColumn<bool>("flipped");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("RUN, text half") << false << true << true << true << Hex("02 20 01 03");
        QTest::newRow("RUN, knob half sends unchanged")
            << false << false << true << false << Hex("02 20 00 03");
        QTest::newRow("CAL, text half") << true << false << true << true << Hex("02 20 00 03");
        QTest::newRow("CAL, knob half") << true << true << true << false << Hex("02 20 01 03");
        QTest::newRow("released outside sends nothing, changes nothing")
            << false << true << false << true << QByteArray();
        QTest::newRow("CAL, released outside stays CAL") << true << false << false << true << QByteArray();
    }
    void switchMouse() {
        QFETCH(bool, startCal);
        QFETCH(bool, leftHalf);
        QFETCH(bool, releaseInside);
        QFETCH(bool, flipped);
        QFETCH(QByteArray, frame);
        TSilent h;
        TToggleSwitch* s = h.Window->General->calSwitch;
        s->setEnabled(true);
        s->SetOn(startCal);
        h.Window->ShowStatus(QStringLiteral("Something"), skBusy);
        const QPoint press(leftHalf ? 10 : s->width() - 10, s->height() / 2);
        QTest::mousePress(s, Qt::LeftButton, {}, press);
        QCOMPARE(s->On(), startCal != flipped);
        QVERIFY(h.TakeWritten().isEmpty()); // nothing before the release
        QTest::mouseRelease(s, Qt::LeftButton, {}, releaseInside ? press : QPoint(s->width() + 30, 5));
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(frame));
        QCOMPARE(s->On(), releaseInside ? startCal != flipped : startCal);
        QCOMPARE(h.Status(), QStringLiteral("Something"));
    }

    // The switch follows the transmitter: a flip that goes unanswered goes back to
    // the mode last reported, after "No response !".
    void anUnansweredFlipGoesBack() {
        TWindowHarness h;
        h.Settle(); // the start-up query: RUN
        h.Sim.Faults.Silent = true;
        TToggleSwitch* s = h.Window->General->calSwitch;
        s->setEnabled(true);
        QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(10, s->height() / 2));
        QVERIFY(s->On());
        h.Advance(73 * 55 + 60);
        QCOMPARE(h.Status(), QStringLiteral("No response !"));
        QVERIFY(!s->On());
    }

    // Space on the focused switch and the toggle action of assistive technology
    // work as a click on its text half; a held Space sends once (tst_output).
    void switchByKeyboardAndAction() {
        TSilent h;
        TToggleSwitch* s = h.Window->General->calSwitch;
        QVERIFY(s->focusPolicy() & Qt::TabFocus);
        s->setEnabled(true);
        QTest::keyClick(s, Qt::Key_Space);
        QVERIFY(s->On());
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 20 01 03")));
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(s);
        QVERIFY(a->state().focusable && a->state().checked);
        QCOMPARE(a->actionInterface()->actionNames().value(0), QAccessibleActionInterface::toggleAction());
        a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(!s->On());
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 20 00 03")));
        s->setEnabled(false); // outside full mode neither does anything
        a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QTest::keyClick(s, Qt::Key_Space);
        QVERIFY(!s->On() && h.TakeWritten().isEmpty());
    }

    void switchIgnoresOtherButtonsAndDisabled() {
        TSilent h;
        TToggleSwitch* s = h.Window->General->calSwitch;
        s->setEnabled(true);
        QTest::mouseClick(s, Qt::RightButton, {}, QPoint(10, 10));
        QVERIFY(!s->On());
        QVERIFY(h.TakeWritten().isEmpty());
        s->setEnabled(false);
        QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!s->On());
        QVERIFY(h.TakeWritten().isEmpty());
        // A disabled switch still follows the transmitter and looks the same.
        const QImage enabledLook = [&] {
            s->setEnabled(true);
            return s->grab().toImage();
        }();
        s->setEnabled(false);
        QCOMPARE(s->grab().toImage(), enabledLook);
        QCOMPARE(enabledLook.pixelColor(3, 3), QColor(0, 255, 0));
    }

    void switchDoubleClickSendsBothFlips() {
        TSilent h;
        TToggleSwitch* s = h.Window->General->calSwitch;
        s->setEnabled(true);
        const QPoint left(10, 10), right(s->width() - 10, 10);
        QTest::mousePress(s, Qt::LeftButton, {}, left);
        QTest::mouseRelease(s, Qt::LeftButton, {}, left);
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 20 01 03")));
        // Now CAL: the text half is on the right.
        // A double click arrives as press, release, double-click press, release.
        QTest::mouseDClick(s, Qt::LeftButton, {}, right);
        QTest::mouseRelease(s, Qt::LeftButton, {}, right);
        QVERIFY(!s->On());
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 20 00 03"))); // the mode it shows
    }

    // ---- Full mode ----
    void fullModeChord_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("asks");
        const int all = int(Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        QTest::newRow("Ctrl+Shift+Alt+F6") << int(Qt::Key_F6) << all << true;
        QTest::newRow("without Ctrl") << int(Qt::Key_F6) << int(Qt::ShiftModifier | Qt::AltModifier) << false;
        QTest::newRow("without Shift")
            << int(Qt::Key_F6) << int(Qt::ControlModifier | Qt::AltModifier) << false;
        QTest::newRow("without Alt") << int(Qt::Key_F6) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                     << false;
        QTest::newRow("with Meta as well") << int(Qt::Key_F6) << (all | int(Qt::MetaModifier)) << false;
        QTest::newRow("another key") << int(Qt::Key_F5) << all << false;
        QTest::newRow("F6 alone") << int(Qt::Key_F6) << 0 << false;
    }
    void fullModeChord() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, asks);
        TSilent h;
        h.Ui.ConfirmAnswer = true;
        const int beeps = h.Ui.Beeps;
        QTest::keyClick(h.Window->In->btnGetPermInpRange, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(h.Ui.Beeps - beeps, asks ? 1 : 0);
        QCOMPARE(h.Ui.Questions, asks ? QStringList{"Do you want to switch to full mode."} : QStringList());
        QCOMPARE(h.Window->FullMode(), asks);
        QCOMPARE(h.Window->windowTitle(), asks ? Title + " (full)" : Title);
        QVERIFY(h.TakeWritten().isEmpty());
    }

    void chordWithMouseButtonHeld() {
        TSilent h;
        const auto chord = Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier;
        QVERIFY(!h.Window->General->btnGetPermInpRangeKeyDown(Qt::Key_F6, chord, Qt::LeftButton));
        QCOMPARE(h.Ui.Questions.size(), 0);
        QCOMPARE(h.Ui.Beeps, 0);
        QVERIFY(h.Window->General->btnGetPermInpRangeKeyDown(Qt::Key_F6, chord, Qt::NoButton));
        QVERIFY(h.Window->FullMode());
    }

    void chordAnsweredNoThenYes() {
        TSilent h;
        const auto chord = Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier;
        h.Ui.ConfirmAnswer = false;
        QVERIFY(!h.Window->General->btnGetPermInpRangeKeyDown(Qt::Key_F6, chord,
                                                              Qt::NoButton)); // the key goes on
        QVERIFY(!h.Window->FullMode());
        QCOMPARE(h.Window->windowTitle(), Title);
        h.Ui.ConfirmAnswer = true;
        QVERIFY(h.Window->General->btnGetPermInpRangeKeyDown(Qt::Key_F6, chord, Qt::NoButton)); // consumed
        QVERIFY(h.Window->FullMode());
        QCOMPARE(h.Ui.Questions.size(), 2);
        QCOMPARE(h.Ui.Beeps, 2);
        // Once in full mode the chord is an ordinary key: no beep, no question, one suffix.
        h.EnterFullModeByChord();
        QCOMPARE(h.Ui.Questions.size(), 2);
        QCOMPARE(h.Ui.Beeps, 2);
        QCOMPARE(h.Window->windowTitle(), Title + " (full)");
    }

    void fullModeEnablesNothingAtOnce() {
        TSilent h;
        h.EnterFullModeByChord();
        QVERIFY(h.Window->FullMode());
        QVERIFY(!h.Window->General->calSwitch->isEnabled());
        QVERIFY(!h.Window->CalLists->mnuClearInCal->isEnabled());
        QVERIFY(!h.Window->CalLists->mnuClearOutCal->isEnabled());
    }

    // ---- Toolkit version ----
    void toolkitVersionRequest() {
        TSilent h;
        h.Window->General->SendToolkitVersion();
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 33 A1 03")));
        QCOMPARE(h.Status(), QStringLiteral("Setting Toolkit version..."));
        QCOMPARE(h.StatusColor(), Black);
    }

    void opResult_data() {
        QTest::addColumn<QByteArray>("rest");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("beeps");
        QTest::newRow("status 1") << Hex("01") << "Success." << StatusGreen << 0;
        QTest::newRow("any status but 0") << Hex("80") << "Success." << StatusGreen << 0;
        QTest::newRow("status 0") << Hex("00") << "Error occured while performing the operation !"
                                  << StatusRed << 1;
        QTest::newRow("code alone reads status 0")
            << QByteArray() << "Error occured while performing the operation !" << StatusRed << 1;
    }
    void opResult() {
        QFETCH(QByteArray, rest);
        QFETCH(QString, message);
        QFETCH(QColor, colour);
        QFETCH(int, beeps);
        TSilent h;
        h.Window->General->SendToolkitVersion();
        h.TakeWritten();
        const int before = h.Ui.Beeps;
        h.Advance(100);
        h.Transport.Feed(ModeAnswer(0x33, rest));
        QCOMPARE(h.Status(), message);
        QCOMPARE(h.StatusColor(), colour);
        QCOMPARE(h.Ui.Beeps - before, beeps);
    }
};

QTEST_MAIN(TstListsModes)
#include "tst_lists_modes.moc"
