// The window's frame: the product version on panel 1, the double-clicks of the
// status bar, and the port dialog over a runtime folder of links to real
// pseudo-terminals.
#include "../../app/ComSelect.h"
#include "../../app/WindowShell.h"
#include "../../link/Codec.h"
#include "../../link/ComPort.h"
#include "../../link/PortNames.h"
#include "../../panels/general/CalLists.h"
#include "../../panels/general/GeneralPanel.h"
#include "../../panels/input/InputPanel.h"
#include "../../panels/output/OutputPanel.h"
#include "../../widgets/Controls.h"
#include "../../widgets/StatusBar.h"
#include "../../widgets/ToggleSwitch.h"
#include "WindowHarness.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>
#include <pty.h>
#include <unistd.h>

namespace {
const QColor Black(0, 0, 0), Red(255, 0, 0), Green(0, 128, 0);

// The middle of a panel of the status bar.
QPoint PanelPoint(int panel) {
    static const int centres[] = {50, 240, 500, 640};
    return {centres[panel], 10};
}

// Press, release, double-click press, release.
void DoubleClickPanel(TfrmMain& w, int panel) {
    QTest::mouseDClick(w.Shell->sbMain, Qt::LeftButton, {}, PanelPoint(panel));
    QTest::mouseRelease(w.Shell->sbMain, Qt::LeftButton, {}, PanelPoint(panel));
}

QByteArray VersionAnswer(const QByteArray& text) {
    return Frame::Encode(QByteArray(1, char(0x30)) + text);
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}
} // namespace

class TstShell : public QObject {
    Q_OBJECT

    // The runtime folder with the links COM1 to COM50. A port not offered links
    // to a device that does not exist, so the system's own serial devices never
    // show up in the list.
    std::unique_ptr<QTemporaryDir> Runtime;
    struct TPty {
        int Master = -1;
        int Slave = -1;
        QString Path;
    };
    QList<TPty> Ptys;

    QString LinkPath(int n) const { return QDir(ComLinkFolder()).filePath(QStringLiteral("COM%1").arg(n)); }

    // Ports `present` link to real pseudo-terminal slaves; all others dangle.
    void MakeLinks(const QList<int>& present) {
        for (int n = 1; n <= MaxComPort; ++n) {
            QFile::remove(LinkPath(n));
            QString target = QDir(Runtime->path()).filePath(QStringLiteral("no-such-device"));
            const int slot = static_cast<int>(present.indexOf(n));
            if (slot >= 0) target = Ptys[slot].Path;
            QVERIFY(QFile::link(target, LinkPath(n)));
        }
    }

private slots:
    void initTestCase() {
        Runtime = std::make_unique<QTemporaryDir>();
        QVERIFY(Runtime->isValid());
        QFile::setPermissions(Runtime->path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Runtime->path()));
        QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), Runtime->path());
        QVERIFY(QDir().mkpath(ComLinkFolder()));
        for (int i = 0; i < 3; ++i) {
            TPty pty;
            char name[256] = {};
            QVERIFY(openpty(&pty.Master, &pty.Slave, name, nullptr, nullptr) == 0);
            pty.Path = QString::fromLocal8Bit(name);
            Ptys << pty;
        }
    }

    void cleanupTestCase() {
        for (const TPty& pty : std::as_const(Ptys)) {
            ::close(pty.Slave);
            ::close(pty.Master);
        }
    }

    // ---- Product version ----
    void panel1ShowsTheSimulatorsVersion() {
        TWindowHarness h;
        h.Settle();
        h.TakeWritten();
        h.Sim.VersionText = QStringLiteral("MRT9-DX V2.10");
        DoubleClickPanel(*h.Window, 1);
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 30 03")));
        QCOMPARE(h.Status(), QStringLiteral("Reading product version..."));
        h.Settle();
        QCOMPARE(h.Window->Shell->sbMain->PanelText(1), QStringLiteral("MRT9-DX V2.10"));
        QCOMPARE(h.Status(), QStringLiteral("Success"));
        QCOMPARE(h.StatusColor(), StatusGreen);
    }

    void versionText_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("trailing spaces go") << QByteArray("V2.10") + QByteArray(45, ' ') << "V2.10";
        const QByteArray fifty = QByteArray("ABCDEFGHIJ").repeated(5);
        QTest::newRow("fifty characters all shown") << fifty << QString::fromLatin1(fifty);
        // A version with nothing to read is a broken answer: the panel keeps its text.
        QTest::newRow("only the code") << QByteArray() << "old";
        QTest::newRow("fifty zeros") << QByteArray(50, '\0') << "old";
        QTest::newRow("controls and blanks only") << QByteArray("\r\n\t \x01\x7f") << "old";
        QTest::newRow("short text, missing bytes read as 0") << QByteArray("V1") << "V1";
        QTest::newRow("trailing zeros and controls go")
            << QByteArray("V3", 2) + QByteArray("\0\r\n\t\0 ", 6) << "V3";
        QTest::newRow("inner zero and leading blanks stay")
            << QByteArray("  A\0B", 5) + QByteArray(45, '\0') << QString::fromLatin1("  A\0B", 5);
        QTest::newRow("one byte is one Latin-1 character")
            << QByteArray("5 \xB5V \xB1") << QString::fromUtf8("5 µV ±");
        QTest::newRow("bytes past fifty are not read")
            << QByteArray(50, 'x') + "tail" << QString(50, QLatin1Char('x'));
    }
    void versionText() {
        QFETCH(QByteArray, text);
        QFETCH(QString, shown);
        TWindowHarness h(1, false);
        h.Sim.Faults.Silent = true;
        h.Show();
        h.TakeWritten();
        h.Window->Shell->sbMain->SetPanelText(1, QStringLiteral("old"));
        DoubleClickPanel(*h.Window, 1);
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 30 03")));
        h.Advance(100);
        h.Transport.Feed(VersionAnswer(text));
        QCOMPARE(h.Window->Shell->sbMain->PanelText(1), shown);
        QCOMPARE(h.Status(), shown == QLatin1String("old") ? QStringLiteral("Unknown response received.")
                                                           : QStringLiteral("Success"));
    }

    void versionUnansweredKeepsPanel1() {
        TWindowHarness h;
        h.Sim.Faults.Silent = true;
        h.Window->Shell->sbMain->SetPanelText(1, QStringLiteral("V1.00"));
        h.Advance(5000);
        DoubleClickPanel(*h.Window, 1);
        h.Advance(73 * 55 + 60);
        QCOMPARE(h.Status(), QStringLiteral("No response !"));
        QCOMPARE(h.Window->Shell->sbMain->PanelText(1), QStringLiteral("V1.00"));
    }

    void panels2And3DoNothing_data() {
        QTest::addColumn<int>("panel");
        QTest::newRow("status line") << 2;
        QTest::newRow("lights") << 3;
    }
    void panels2And3DoNothing() {
        QFETCH(int, panel);
        TWindowHarness h;
        h.Sim.Faults.Silent = true;
        h.TakeWritten();
        const QString status = h.Status();
        DoubleClickPanel(*h.Window, panel);
        QVERIFY(h.TakeWritten().isEmpty());
        QCOMPARE(h.Status(), status);
        QCOMPARE(h.Ui.PortDialogs, 1);
        QVERIFY(h.Ui.GeneralErrors.isEmpty());
    }

    // The keys that do what the mouse does; panels 0 and 1 name theirs.
    void keysInsteadOfTheMouse_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("done");
        QTest::newRow("Ctrl+O chooses a port") << (Qt::CTRL | Qt::Key_O).toCombined() << "frmMain"
                                               << "port dialog";
        QTest::newRow("Ctrl+I reads the version") << (Qt::CTRL | Qt::Key_I).toCombined() << "frmMain"
                                                  << "02 30 03";
        QTest::newRow("Shift+F10 on the input list")
            << (Qt::SHIFT | Qt::Key_F10).toCombined() << "lvInpCalStat"
            << "popInCal";
        QTest::newRow("Shift+F10 on the output list")
            << (Qt::SHIFT | Qt::Key_F10).toCombined() << "lvOutCalStat"
            << "popOutCal";
        QTest::newRow("F1 on a list lists the keys") << int(Qt::Key_F1) << "lvOutCalStat"
                                                     << "key list";
        QTest::newRow("F1 on a button lists the keys") << int(Qt::Key_F1) << "btnGetOutRange"
                                                       << "key list";
    }
    void keysInsteadOfTheMouse() {
        QFETCH(int, key);
        QFETCH(QString, target);
        QFETCH(QString, done);
        TWindowHarness h;
        h.Sim.Faults.Silent = true;
        TfrmMain& w = *h.Window;
        QVERIFY(w.Shell->sbMain->Panel(0)->toolTip().contains(QStringLiteral("Ctrl+O")));
        QVERIFY(w.Shell->sbMain->Panel(1)->toolTip().contains(QStringLiteral("Ctrl+I")));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.CalLists->lvInpCalStat->setEnabled(true);
        w.CalLists->lvOutCalStat->setEnabled(true);
        QWidget* focus = target == QLatin1String("frmMain") ? w.In->btnGetPermInpRange
                                                            : h.Find<QWidget>(qPrintable(target));
        focus->setFocus(Qt::TabFocusReason);
        h.TakeWritten();
        const QKeyCombination combination = QKeyCombination::fromCombined(key);
        QTest::keyClick(focus, combination.key(), combination.keyboardModifiers());
        if (done == QLatin1String("port dialog")) {
            QCOMPARE(h.Ui.PortDialogs, 2);
            QCOMPARE(h.Status(), QStringLiteral("COM port opened."));
        } else if (done == QLatin1String("key list")) {
            QCOMPARE(h.Ui.Infos.size(), 1);
            const QString list = h.Ui.Infos[0];
            for (const char* line : {"Ctrl+O: choose a port", "Ctrl+I: read the product version",
                                     "Shift+F10 or the menu key: open the menu",
                                     "Ctrl+Shift+Alt+F6: full mode", "F1: this list"})
                QVERIFY2(list.contains(QLatin1String(line)), line);
            QCOMPARE(ToHex(h.TakeWritten()), QString());
        } else if (done.startsWith(QLatin1String("pop"))) {
            QMenu* menu = h.Find<QMenu>(qPrintable(done));
            QVERIFY(menu->isVisible());
            menu->hide();
        } else {
            QCOMPARE(ToHex(h.TakeWritten()), done);
        }
    }

    // ---- The port dialog ----
    void dialogListsPortsInAscendingOrder() {
        MakeLinks({12, 3, 1});
        TfrmComSelect dialog;
        QCOMPARE(Items(dialog.cbComPorts), (QStringList{"COM1", "COM3", "COM12"}));
        QCOMPARE(dialog.cbComPorts->currentIndex(), 0);
        QCOMPARE(dialog.GetSelectedPort(), 1);
        QVERIFY(dialog.btnOk->isEnabled());
        // The label names the real device behind the link.
        QCOMPARE(dialog.lblDevice->text(), Ptys[2].Path);
        dialog.cbComPorts->setCurrentIndex(2);
        QCOMPARE(dialog.GetSelectedPort(), 12);
        QCOMPARE(dialog.lblDevice->text(), Ptys[0].Path);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select COM Port"));
        QCOMPARE(dialog.size(), QSize(258, 119));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!dialog.btnOk->autoDefault() && !dialog.btnCancel->autoDefault());
    }

    void portHeldOpenIsListed() {
        MakeLinks({2, 5});
        QSerialPort holder;
        holder.setPortName(LinkPath(5));
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
        TfrmComSelect dialog;
        QCOMPARE(Items(dialog.cbComPorts), (QStringList{"COM2", "COM5"}));
    }

    // A screen reader hears the list by its caption, the port with why it cannot
    // be opened, and the device line as the list's description.
    void portDialogForAScreenReader() {
        MakeLinks({2, 5});
        PortSystem().TryOpen = [this](const QString& device) {
            return device == Ptys[1].Path ? TOpenResult{TOpenFailure::InUse, QString()}
                                          : RealPortSystem().TryOpen(device);
        };
        const auto restore = qScopeGuard([] { PortSystem() = RealPortSystem(); });
        TfrmComSelect dialog;
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(dialog.cbComPorts);
        const auto labels = list->relations(QAccessible::Label);
        QVERIFY(!labels.isEmpty() && labels[0].first->object() == dialog.lblComSelect);
        QCOMPARE(list->text(QAccessible::Name), QStringLiteral("COM port"));
        QCOMPARE(list->text(QAccessible::Value), QStringLiteral("COM2"));
        QCOMPARE(list->text(QAccessible::Description), Ptys[0].Path);
        QTest::keyClick(dialog.cbComPorts, Qt::Key_Down);
        QCOMPARE(list->text(QAccessible::Value), QStringLiteral("COM5, in use by another program"));
        QCOMPARE(list->text(QAccessible::Description), Ptys[1].Path + ": in use by another program");
        // The item chosen by the arrow key is the selected one of the list's items,
        // with why it cannot be opened and its device.
        QAccessibleInterface* item = list->child(0)->tableInterface()->cellAt(1, 0);
        QVERIFY(item->state().selected);
        QCOMPARE(item->text(QAccessible::Name), QStringLiteral("COM5, in use by another program"));
        QCOMPARE(item->text(QAccessible::Description), Ptys[1].Path + ": in use by another program");
    }

    void portZeroIsNeverAvailable() { QVERIFY(!TfrmComSelect::ComPortAvailable(0)); }

    // Ports come and go while the dialog is open; the selected one stays selected.
    // A device already tried is not opened again, one that went and came back is.
    void listFollowsTheHardware() {
        int opens = 0;
        PortSystem().TryOpen = [&opens](const QString& device) {
            ++opens;
            return RealPortSystem().TryOpen(device);
        };
        const auto restore = qScopeGuard([] { PortSystem() = RealPortSystem(); });
        MakeLinks({1, 3, 12});
        TfrmComSelect dialog;
        QVERIFY(dialog.tmrRefresh->isActive() && dialog.tmrRefresh->interval() <= 1000);
        QCOMPARE(opens, 3);
        dialog.cbComPorts->setCurrentIndex(2);
        MakeLinks({3, 12});
        dialog.RefreshPorts();
        QCOMPARE(Items(dialog.cbComPorts), (QStringList{"COM3", "COM12"}));
        QCOMPARE(dialog.GetSelectedPort(), 12);
        QCOMPARE(dialog.lblDevice->text(), Ptys[1].Path);
        MakeLinks({3, 7});
        dialog.RefreshPorts();
        QCOMPARE(Items(dialog.cbComPorts), (QStringList{"COM3", "COM7"}));
        QCOMPARE(dialog.GetSelectedPort(), 3);
        QCOMPARE(opens, 3);
        MakeLinks({3, 7, 9});
        dialog.RefreshPorts();
        QCOMPARE(Items(dialog.cbComPorts), (QStringList{"COM3", "COM7", "COM9"}));
        QCOMPARE(opens, 4);
    }

    // Centred on the screen, not on the window that opens it.
    void dialogIsCentredOnTheScreen() {
        QWidget owner;
        owner.setGeometry(0, 0, 200, 100);
        TfrmComSelect dialog(&owner);
        dialog.show();
        // Within the width of the frame, which is not known before the dialog shows.
        const QPoint offCentre =
            dialog.frameGeometry().center() - dialog.screen()->availableGeometry().center();
        QVERIFY(offCentre.manhattanLength() <= 6);
    }

    void emptyListDisablesOk() {
        MakeLinks({});
        TfrmComSelect dialog;
        QCOMPARE(dialog.cbComPorts->count(), 0);
        QVERIFY(!dialog.btnOk->isEnabled());
        QVERIFY(dialog.btnCancel->isEnabled());
        QCOMPARE(dialog.GetSelectedPort(), 0);
    }

    void enterAndEscapeDoNotClose() {
        MakeLinks({3});
        TfrmComSelect dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(&dialog, key);
            QVERIFY2(dialog.isVisible() && dialog.result() == 0, qPrintable(QString::number(key)));
        }
        QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void windowHasItsIcon() {
        TWindowHarness h;
        QCOMPARE(h.Window->windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});
    }

    // Tab runs group by group, each group from its top down, and wraps round.
    void tabRunsThroughTheWindow() {
        TWindowHarness h;
        QStringList chain;
        QWidget* w = h.Window->In->btnGetPermInpRange;
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy()) chain << w->objectName();
            w = w->nextInFocusChain();
        } while (w != h.Window->In->btnGetPermInpRange && chain.size() < 100);
        const QStringList expected = {"btnGetPermInpRange",
                                      "cmbInpRanges",
                                      "btnGetTempInpRange",
                                      "btnSetInputRange",
                                      "cmbWiring",
                                      "edInpZero",
                                      "btnCalInpZero",
                                      "edInpFull",
                                      "btnCalInpFull",
                                      "edEuMin",
                                      "edEuMax",
                                      "lvInpCalStat",
                                      "btnGetOutRange",
                                      "cmbOutRanges",
                                      "btnGetTempOutRange",
                                      "btnSetOutRange",
                                      "seOutZero",
                                      "btnOutZero",
                                      "edOutMin",
                                      "seOutFull",
                                      "btnOutFull",
                                      "edOutMax",
                                      "cbInvertOut",
                                      "cbEnableAlarm",
                                      "edAlarmLimit",
                                      "edDeadBand",
                                      "cbLowAlarm",
                                      "lvOutCalStat",
                                      "calSwitch"};
        QCOMPARE(chain, expected);
    }

    // The real dialog behind the UI services: OK gives the selected port, Cancel
    // and an empty list give none.
    void realDialogAnswers_data() {
        QTest::addColumn<QList<int>>("present");
        QTest::addColumn<int>("select");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<int>("port");
        QTest::newRow("OK on the first") << QList<int>{4, 9} << 0 << true << true << 4;
        QTest::newRow("OK on the second") << QList<int>{4, 9} << 1 << true << true << 9;
        QTest::newRow("Cancel") << QList<int>{4, 9} << 1 << false << false << -1;
        QTest::newRow("empty list, OK cannot be pressed") << QList<int>{} << 0 << true << false << -1;
    }
    void realDialogAnswers() {
        QFETCH(QList<int>, present);
        QFETCH(int, select);
        QFETCH(bool, ok);
        QFETCH(bool, chosen);
        QFETCH(int, port);
        MakeLinks(present);
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<TfrmComSelect*>(QApplication::activeModalWidget());
            if (!dialog) return;
            seen = true;
            dialog->cbComPorts->setCurrentIndex(select);
            QTest::mouseClick(ok ? dialog->btnOk : dialog->btnCancel, Qt::LeftButton);
            // A disabled OK does nothing; the user can still cancel.
            if (dialog->isVisible()) QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
        });
        TQtUiServices ui;
        int got = -1;
        QCOMPARE(ui.SelectPort(nullptr, got), chosen);
        QVERIFY(seen);
        QCOMPARE(got, port);
    }

    // ---- Panel 0: choosing a port again ----
    void panel0_data() {
        QTest::addColumn<int>("startPort");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("panel0");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("open");
        QTest::newRow("reopen another port") << 1 << 12 << "COM12,9600,N,8,1"
                                             << "COM port opened." << true;
        QTest::newRow("Cancel keeps the port") << 3 << 0 << "COM3,9600,N,8,1"
                                               << "COM port opened." << true;
        QTest::newRow("Cancel with no port") << 0 << 0 << ""
                                             << "No COM port !" << false;
        QTest::newRow("first port from panel 0") << 0 << 7 << "COM7,9600,N,8,1"
                                                 << "COM port opened." << true;
    }
    void panel0() {
        QFETCH(int, startPort);
        QFETCH(int, answer);
        QFETCH(QString, panel0);
        QFETCH(QString, status);
        QFETCH(bool, open);
        MakeLinks({1, 3, 12});
        TWindowHarness h(startPort);
        h.Sim.Faults.Silent = true;
        const QString before = h.Transport.OpenedDevice;
        h.Ui.PortAnswer = answer;
        DoubleClickPanel(*h.Window, 0);
        QCOMPARE(h.Ui.PortDialogs, 2);
        QCOMPARE(h.Window->Shell->sbMain->PanelText(0), panel0);
        QCOMPARE(h.Status(), status);
        QCOMPARE(h.StatusColor(), open ? Black : StatusRed);
        QCOMPARE(h.Window->ComPort->Connected(), open);
        QCOMPARE(h.Transport.OpenedDevice, answer > 0 ? ComPortDevice(answer) : before);
        // No timer runs for this message.
        h.Advance(10000);
        QCOMPARE(h.Status(), status);
    }

    void panel0PortThatWillNotOpen() {
        TWindowHarness h(1);
        h.Sim.Faults.Silent = true;
        h.Transport.RefuseOpen = [](const QString&) { return QStringLiteral("Permission denied"); };
        h.Ui.PortAnswer = 2;
        DoubleClickPanel(*h.Window, 0);
        QCOMPARE(h.Ui.GeneralErrors.size(), 1);
        QVERIFY2(h.Ui.GeneralErrors[0].contains(QStringLiteral("Permission denied")),
                 qPrintable(h.Ui.GeneralErrors[0]));
        QVERIFY(!h.Window->ComPort->Connected());
        QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
        // The window carries on: the next request tells that no port is open.
        h.Window->ReadVersion();
        QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
    }

    // After a pulled adapter or a port that will not open, nothing of the unit
    // that was there stays on screen, until the next unit reports.
    void aUnitGoneLeavesNothingOnScreen_data() {
        QTest::addColumn<bool>("unplug"); // else a failed open from panel 0
        QTest::newRow("unplugged") << true;
        QTest::newRow("another port will not open") << false;
    }
    void aUnitGoneLeavesNothingOnScreen() {
        QFETCH(bool, unplug);
        TWindowHarness h;
        TfrmMain& w = *h.Window;
        h.Settle();
        h.EnterFullModeByChord();
        for (QPushButton* read : {w.In->btnGetPermInpRange, w.Out->btnGetOutRange}) {
            QTest::mouseClick(read, Qt::LeftButton);
            h.Settle();
        }
        DoubleClickPanel(w, 1);
        h.Settle();
        const QList<TValueLabel*> values = w.findChildren<TValueLabel*>();
        const auto shown = [&] {
            QStringList texts;
            for (const TValueLabel* value : values)
                if (!value->text().isEmpty()) texts << value->objectName();
            if (!w.Shell->sbMain->PanelText(1).isEmpty()) texts << QStringLiteral("version");
            if (w.CalLists->lvInpCalStat->topLevelItem(3)->text(1) != QLatin1String("N/A"))
                texts << "input flags";
            if (w.CalLists->lvOutCalStat->topLevelItem(0)->text(2) != QLatin1String("N/A"))
                texts << "output flags";
            if (w.General->calSwitch->isVisible()) texts << QStringLiteral("switch");
            return texts;
        };
        QCOMPARE(shown().size(), values.size() + 4); // every box filled
        if (unplug) {
            h.Transport.InjectFailure(QStringLiteral("Input/output error"));
            h.Advance(100);
        } else {
            h.Transport.RefuseOpen = [](const QString&) { return QStringLiteral("Permission denied"); };
            h.Ui.PortAnswer = 2;
            DoubleClickPanel(w, 0);
        }
        QCOMPARE(h.Ui.GeneralErrors.size(), 1);
        QCOMPARE(shown(), QStringList());
        QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
        QVERIFY(!w.In->btnSetInputRange->isEnabled() && !w.Out->btnOutZero->isEnabled());
        // The next unit fills them again.
        h.Transport.RefuseOpen = nullptr;
        h.Ui.PortAnswer = 1;
        DoubleClickPanel(w, 0);
        QTest::mouseClick(w.In->btnGetPermInpRange, Qt::LeftButton);
        h.Settle();
        QVERIFY(!w.In->pnlInpReading->text().isEmpty() && w.General->calSwitch->isVisible());
        QVERIFY(w.In->btnSetInputRange->isEnabled());
    }

    // ---- Closing ----
    void closeWithoutPortDoesNotPause() {
        TWindowHarness h(0);
        const int paused = h.PausedMs;
        h.Window->close();
        QCOMPARE(h.PausedMs, paused);
    }

    void closeClosesThePort() {
        TWindowHarness h(1);
        const int paused = h.PausedMs;
        h.Window->close();
        QVERIFY(!h.Transport.IsOpen());
        QCOMPARE(h.PausedMs - paused, 500);
    }
};

QTEST_MAIN(TstShell)
#include "tst_shell.moc"
