// The port rules over a made-up system: which numbers are offered, with which
// device, state and label, and the words of a failed open.
#include "../../link/PortNames.h"
#include "../../link/PortRules.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(TOpenFailure)

namespace {
const QMap<QString, TOpenFailure> Failures = {{"in use", TOpenFailure::InUse},
                                              {"no permission", TOpenFailure::NoPermission},
                                              {"gone", TOpenFailure::Gone},
                                              {"other", TOpenFailure::Other}};
} // namespace

class TstPortRules : public QObject {
    Q_OBJECT
    QTemporaryDir Runtime;

    // "@name" stands for a file of that name in the runtime folder.
    QString Path(QString text) const { return text.replace(QLatin1Char('@'), Runtime.path() + QLatin1Char('/')); }

private slots:
    void initTestCase() {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Runtime.path()));
        QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), Runtime.path());
    }
    void cleanupTestCase() { PortSystem() = RealPortSystem(); }

    void offers_data() {
        QTest::addColumn<QStringList>("links");  // "n>@target": a link COMn; "@x" exists, "@none" does not
        QTest::addColumn<QStringList>("known");  // device|maker|product|serial number
        QTest::addColumn<QStringList>("opens");  // device=failure; any other device opens
        QTest::addColumn<QStringList>("offered"); // COMn: label, its lines joined by " / "
        QTest::newRow("adapter named by maker, product and serial number")
            << QStringList{} << QStringList{"/dev/ttyUSB0|FTDI|FT232R USB UART|A10K3XYZ"} << QStringList{}
            << QStringList{"COM1: /dev/ttyUSB0 / FTDI FT232R USB UART, S/N A10K3XYZ"};
        QTest::newRow("maker not repeated, port without details")
            << QStringList{} << QStringList{"/dev/ttyACM2|Arduino|Arduino Uno|", "/dev/ttyS3|||"} << QStringList{}
            << QStringList{"COM13: /dev/ttyACM2 / Arduino Uno", "COM24: /dev/ttyS3"};
        QTest::newRow("nodes the enumeration does not know are left out")
            << QStringList{} << QStringList{} << QStringList{"/dev/ttyS7=other"} << QStringList{};
        QTest::newRow("in use and no permission are listed with the reason")
            << QStringList{} << QStringList{"/dev/ttyACM0|||", "/dev/ttyS0|||"}
            << QStringList{"/dev/ttyACM0=in use", "/dev/ttyS0=no permission"}
            << QStringList{"COM11: /dev/ttyACM0: in use by another program",
                           "COM21: /dev/ttyS0: no permission (not in the dialout group)"};
        QTest::newRow("a known port that is gone or fails is left out")
            << QStringList{} << QStringList{"/dev/ttyUSB1|||", "/dev/ttyUSB2|||"}
            << QStringList{"/dev/ttyUSB1=gone", "/dev/ttyUSB2=other"} << QStringList{};
        QTest::newRow("links are tried by opening and take the number's place")
            << QStringList{"1>@pts4", "3>@pts7", "5>@pts9"} << QStringList{"/dev/ttyUSB0|FTDI|X|1"}
            << QStringList{"@pts7=in use", "@pts9=gone"}
            << QStringList{"COM1: @pts4", "COM3: @pts7: in use by another program"};
        QTest::newRow("a dangling link hides the table's device")
            << QStringList{"2>@none"} << QStringList{"/dev/ttyUSB1|||"} << QStringList{} << QStringList{};
        QTest::newRow("a link to an adapter names the adapter")
            << QStringList{"4>@usb"} << QStringList{"@usb|Prolific|PL2303|"} << QStringList{}
            << QStringList{"COM4: @usb / Prolific PL2303"};
    }
    void offers() {
        QFETCH(QStringList, links);
        QFETCH(QStringList, known);
        QFETCH(QStringList, opens);
        QFETCH(QStringList, offered);
        QDir(ComLinkFolder()).removeRecursively();
        QVERIFY(QDir().mkpath(ComLinkFolder()));
        for (const QString& link : std::as_const(links)) {
            const QString target = Path(link.section(QLatin1Char('>'), 1));
            if (!target.endsWith(QStringLiteral("none"))) {
                QFile file(target);
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
            QVERIFY(QFile::link(target, QDir(ComLinkFolder()).filePath("COM" + link.section(QLatin1Char('>'), 0, 0))));
        }
        QList<TKnownPort> ports;
        for (const QString& port : std::as_const(known)) {
            const QStringList f = port.split(QLatin1Char('|'));
            ports << TKnownPort{Path(f[0]), f[1], f[2], f[3]};
        }
        QMap<QString, TOpenFailure> failures;
        for (const QString& open : std::as_const(opens))
            failures.insert(Path(open.section(QLatin1Char('='), 0, 0)), Failures[open.section(QLatin1Char('='), 1)]);
        PortSystem().KnownPorts = [ports] { return ports; };
        PortSystem().TryOpen = [failures](const QString& device) {
            return TOpenResult{failures.value(device, TOpenFailure::None), QStringLiteral("system text")};
        };
        QStringList got;
        for (const TPortOffer& offer : OfferedPorts())
            got << QStringLiteral("COM%1: ").arg(offer.Number) + PortLabelText(offer).replace('\n', " / ");
        QStringList expected;
        for (const QString& line : std::as_const(offered)) expected << Path(line);
        QCOMPARE(got, expected);
        for (int n = 0; n <= MaxComPort + 1; ++n)
            QCOMPARE(OfferedPort(n).has_value(), got.filter(QStringLiteral("COM%1:").arg(n)).size() == 1);
    }

    void openErrors_data() {
        QTest::addColumn<TOpenFailure>("failure");
        QTest::addColumn<QString>("text");
        QTest::newRow("in use") << TOpenFailure::InUse << "COM3 (/dev/ttyUSB0) is in use by another program";
        QTest::newRow("no permission") << TOpenFailure::NoPermission
                                       << "You may not open COM3 (/dev/ttyUSB0): add your user to the dialout group "
                                          "(sudo adduser $USER dialout) and log in again";
        QTest::newRow("gone") << TOpenFailure::Gone << "COM3 (/dev/ttyUSB0) is no longer there";
        QTest::newRow("other") << TOpenFailure::Other << "COM3 (/dev/ttyUSB0): Input/output error";
    }
    void openErrors() {
        QFETCH(TOpenFailure, failure);
        QFETCH(QString, text);
        QCOMPARE(PortOpenErrorText(3, "/dev/ttyUSB0", {failure, "Input/output error"}), text);
        QCOMPARE(QStringList({PortStateText(TPortState::Free), PortStateText(TPortState::InUse),
                              PortStateText(TPortState::NoPermission)}),
                 QStringList({"free", "in use", "no permission"}));
    }
};

QTEST_GUILESS_MAIN(TstPortRules)
#include "tst_portrules.moc"
