// The port rules over a made-up system: which numbers are offered, with which
// device, state and label, and the words of a failed open.
#include "../../link/PortNames.h"
#include "../../link/PortRules.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
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

    // links: "n>@target", a link COMn ("@none" leads nowhere); known: device|maker|product|serial
    // number; refused: device=failure (1 in use, 2 no permission, 3 gone, 4 other); offered: COMn
    // and the label, its lines joined by " / "; added: links and known ports that turn up before a
    // second pass, which tries only their devices and those that were gone, once each: the rest
    // keep the state found first, though the system now refuses them all. Offered lines marked "-"
    // come from the first pass only, "+" from the second only.
    void offers_data() {
        for (const char* column : {"links", "known", "refused", "offered", "added"})
            QTest::addColumn<QStringList>(column);
        QTest::newRow("adapters named, plain ports bare")
            << QStringList{}
            << QStringList{"/dev/ttyUSB0|Benchlink|BL-232 USB serial|B7K3XQ", "/dev/ttyS3|||",
                           "/dev/ttyACM2|Ostwind|Ostwind OW Uno|"}
            << QStringList{}
            << QStringList{"COM1: /dev/ttyUSB0 / Benchlink BL-232 USB serial, S/N B7K3XQ",
                           "COM13: /dev/ttyACM2 / Ostwind OW Uno", "COM24: /dev/ttyS3"}
            << QStringList{};
        QTest::newRow("in use and no permission listed with the reason")
            << QStringList{} << QStringList{"/dev/ttyACM0|||", "/dev/ttyS0|||"}
            << QStringList{"/dev/ttyACM0=1", "/dev/ttyS0=2"}
            << QStringList{"COM11: /dev/ttyACM0: in use by another program",
                           "COM21: /dev/ttyS0: no permission (not in dialout group)"}
            << QStringList{};
        QTest::newRow("unknown, gone and failing ports left out")
            << QStringList{} << QStringList{"/dev/ttyUSB1|||", "/dev/ttyUSB2|||"}
            << QStringList{"/dev/ttyS7=4", "/dev/ttyUSB1=3", "/dev/ttyUSB2=4"} << QStringList{}
            << QStringList{};
        QTest::newRow("links tried by opening, in the number's place")
            << QStringList{"1>@pts4", "2>@none", "3>@pts7", "4>@usb", "5>@pts9"}
            << QStringList{"/dev/ttyUSB0|Benchlink|X|1", "/dev/ttyUSB1|||", "@usb|Ostwind|OW-9 serial|"}
            << QStringList{"@pts7=1", "@pts9=3"}
            << QStringList{"COM1: @pts4", "COM3: @pts7: in use by another program",
                           "COM4: @usb / Ostwind OW-9 serial"}
            << QStringList{};
        QTest::newRow("a second pass opens only new devices")
            << QStringList{"2>@pts4", "3>@pts5"} << QStringList{"/dev/ttyUSB0|||", "/dev/ttyACM0|||"}
            << QStringList{"/dev/ttyACM0=1", "/dev/ttyUSB4=2"}
            << QStringList{"COM1: /dev/ttyUSB0",
                           "COM2: @pts4",
                           "-COM3: @pts5",
                           "+COM3: @pts6",
                           "+COM5: /dev/ttyUSB4: no permission (not in dialout group) / Ostwind OW Uno",
                           "COM11: /dev/ttyACM0: in use by another program"}
            << QStringList{"3>@pts6", "/dev/ttyUSB4|Ostwind|OW Uno|"};
    }
    void offers() {
        QFETCH(QStringList, links);
        QFETCH(QStringList, known);
        QFETCH(QStringList, refused);
        QFETCH(QStringList, offered);
        QFETCH(QStringList, added);
        QDir(ComLinkFolder()).removeRecursively();
        QVERIFY(QDir().mkpath(ComLinkFolder()));
        QList<TKnownPort> ports;
        QMap<QString, TOpenFailure> failures;
        for (const QString& refusal : std::as_const(refused))
            failures.insert(Path(refusal.section('=', 0, 0)), TOpenFailure(refusal.section('=', 1).toInt()));
        QStringList tried, again;
        // Adds links and known ports; returns the devices they bring that a pass tries.
        const auto add = [&](const QStringList& entries) {
            QStringList devices;
            for (const QString& entry : entries) {
                if (entry.contains('>')) {
                    const QString target = Path(entry.section('>', 1));
                    const QString link = QDir(ComLinkFolder()).filePath("COM" + entry.section('>', 0, 0));
                    if (!target.endsWith("none")) {
                        devices << target;
                        QFile(target).open(QIODevice::WriteOnly);
                    }
                    QFile::remove(link);
                    QFile::link(target, link);
                } else {
                    const QStringList f = entry.split('|');
                    ports << TKnownPort{Path(f[0]), f[1], f[2], f[3]};
                    devices << Path(f[0]);
                }
            }
            return devices;
        };
        add(links);
        add(known);
        PortSystem().KnownPorts = [&ports] { return ports; };
        PortSystem().TryOpen = [&failures, &tried](const QString& device) {
            tried << device;
            return TOpenResult{failures.value(device, TOpenFailure::None), "system text"};
        };
        const auto restore = qScopeGuard([] { PortSystem() = RealPortSystem(); });
        const auto labels = [](const QList<TPortOffer>& offers) {
            QStringList got;
            for (const TPortOffer& offer : offers)
                got << QStringLiteral("COM%1: ").arg(offer.Number) +
                           PortLabelText(offer).replace('\n', " / ");
            return got;
        };
        const auto expected = [&](QChar left) {
            QStringList lines;
            for (const QString& line : std::as_const(offered))
                if (line[0] != left) lines << Path(line[0] == '-' || line[0] == '+' ? line.mid(1) : line);
            return lines;
        };
        TPortTrials trials;
        QCOMPARE(labels(OfferedPorts(trials)), expected('+'));
        for (const QString& device : std::as_const(tried))
            if (failures.value(device) == TOpenFailure::Gone)
                again << device;
            else
                failures[device] = TOpenFailure::Other;
        tried.clear();
        const QStringList fresh = add(added);
        QCOMPARE(labels(OfferedPorts(trials)), expected('-'));
        again += fresh;
        tried.sort();
        again.sort();
        QCOMPARE(tried, again);
    }

    // Only a node whose UART type is readable and not 0 is a real port.
    void uartsFromTheKernelsTtyClass() {
        QTemporaryDir sys;
        const auto node = [&sys](const char* name, const QByteArray& type) {
            QVERIFY(QDir(sys.path()).mkpath(QLatin1String(name)));
            if (type.isNull()) return;
            QFile file(sys.filePath(QLatin1String(name) + QLatin1String("/type")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(type);
        };
        node("ttyS0", "4\n");
        node("ttyS1", "0\n");
        node("ttyS2", QByteArray());
        node("ttyS3", "x\n");
        node("ttyUSB0", "4\n");
        QCOMPARE(UartsInSysfs(sys.path()), QStringList{QStringLiteral("/dev/ttyS0")});
    }

    void openErrors() {
        const QStringList texts = {
            "COM3 (/dev/ttyUSB0) is in use by another program",
            "You may not open COM3 (/dev/ttyUSB0): add your user to the dialout group (sudo adduser $USER "
            "dialout) and log in again",
            "COM3 (/dev/ttyUSB0) is no longer there", "COM3 (/dev/ttyUSB0): Input/output error"};
        for (int kind = 1; kind <= 4; ++kind)
            QCOMPARE(PortOpenErrorText("COM3 (/dev/ttyUSB0)", {TOpenFailure(kind), "Input/output error"}),
                     texts[kind - 1]);
    }
};

QTEST_GUILESS_MAIN(TstPortRules)
#include "tst_portrules.moc"
