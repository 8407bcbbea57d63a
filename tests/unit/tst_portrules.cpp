// The port rules over a made-up system: which numbers are offered, with which
// device, state and label, and the words of a failed open.
#include "../../link/PortNames.h"
#include "../../link/PortRules.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TstPortRules : public QObject {
    Q_OBJECT
    QTemporaryDir Runtime;

    // "@name" stands for a file of that name in the runtime folder.
    QString Path(QString text) const { return text.replace('@', Runtime.path() + '/'); }

private slots:
    void initTestCase() {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Runtime.path()));
        QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), Runtime.path());
    }
    void cleanupTestCase() { PortSystem() = RealPortSystem(); }

    // links: "n>@target", a link COMn ("@none" leads nowhere); known: device|maker|product|serial
    // number; refused: device=failure (1 in use, 2 no permission, 3 gone, 4 other); offered: COMn
    // and the label, its lines joined by " / ".
    void offers_data() {
        for (const char* column : {"links", "known", "refused", "offered"})
            QTest::addColumn<QStringList>(column);
        QTest::newRow("adapters named, plain ports bare")
            << QStringList{}
            << QStringList{"/dev/ttyUSB0|Benchlink|BL-232 USB serial|B7K3XQ", "/dev/ttyS3|||",
                           "/dev/ttyACM2|Ostwind|Ostwind OW Uno|"}
            << QStringList{}
            << QStringList{"COM1: /dev/ttyUSB0 / Benchlink BL-232 USB serial, S/N B7K3XQ",
                           "COM13: /dev/ttyACM2 / Ostwind OW Uno", "COM24: /dev/ttyS3"};
        QTest::newRow("in use and no permission listed with the reason")
            << QStringList{} << QStringList{"/dev/ttyACM0|||", "/dev/ttyS0|||"}
            << QStringList{"/dev/ttyACM0=1", "/dev/ttyS0=2"}
            << QStringList{"COM11: /dev/ttyACM0: in use by another program",
                           "COM21: /dev/ttyS0: no permission (not in dialout group)"};
        QTest::newRow("unknown, gone and failing ports left out")
            << QStringList{} << QStringList{"/dev/ttyUSB1|||", "/dev/ttyUSB2|||"}
            << QStringList{"/dev/ttyS7=4", "/dev/ttyUSB1=3", "/dev/ttyUSB2=4"} << QStringList{};
        QTest::newRow("links tried by opening, in the number's place")
            << QStringList{"1>@pts4", "2>@none", "3>@pts7", "4>@usb", "5>@pts9"}
            << QStringList{"/dev/ttyUSB0|Benchlink|X|1", "/dev/ttyUSB1|||", "@usb|Ostwind|OW-9 serial|"}
            << QStringList{"@pts7=1", "@pts9=3"}
            << QStringList{"COM1: @pts4", "COM3: @pts7: in use by another program",
                           "COM4: @usb / Ostwind OW-9 serial"};
    }
    void offers() {
        QFETCH(QStringList, links);
        QFETCH(QStringList, known);
        QFETCH(QStringList, refused);
        QFETCH(QStringList, offered);
        QDir(ComLinkFolder()).removeRecursively();
        QVERIFY(QDir().mkpath(ComLinkFolder()));
        for (const QString& link : std::as_const(links)) {
            const QString target = Path(link.section('>', 1));
            if (!target.endsWith("none")) QVERIFY(QFile(target).open(QIODevice::WriteOnly));
            QVERIFY(QFile::link(target, QDir(ComLinkFolder()).filePath("COM" + link.section('>', 0, 0))));
        }
        QList<TKnownPort> ports;
        for (const QString& port : std::as_const(known)) {
            const QStringList f = port.split('|');
            ports << TKnownPort{Path(f[0]), f[1], f[2], f[3]};
        }
        QMap<QString, TOpenFailure> failures;
        for (const QString& refusal : std::as_const(refused))
            failures.insert(Path(refusal.section('=', 0, 0)), TOpenFailure(refusal.section('=', 1).toInt()));
        PortSystem().KnownPorts = [ports] { return ports; };
        PortSystem().TryOpen = [failures](const QString& device) {
            return TOpenResult{failures.value(device, TOpenFailure::None), "system text"};
        };
        QStringList got;
        for (const TPortOffer& offer : OfferedPorts())
            got << QStringLiteral("COM%1: ").arg(offer.Number) + PortLabelText(offer).replace('\n', " / ");
        QStringList expected;
        for (const QString& line : std::as_const(offered))
            expected << Path(line);
        QCOMPARE(got, expected);
    }

    void openErrors() {
        const QStringList texts = {
            "COM3 (/dev/ttyUSB0) is in use by another program",
            "You may not open COM3 (/dev/ttyUSB0): add your user to the dialout group (sudo adduser $USER "
            "dialout) and log in again",
            "COM3 (/dev/ttyUSB0) is no longer there", "COM3 (/dev/ttyUSB0): Input/output error"};
        for (int kind = 1; kind <= 4; ++kind)
            QCOMPARE(PortOpenErrorText(3, "/dev/ttyUSB0", {TOpenFailure(kind), "Input/output error"}),
                     texts[kind - 1]);
    }
};

QTEST_GUILESS_MAIN(TstPortRules)
#include "tst_portrules.moc"
