// The serial transport on a real pseudo-terminal pair at 9600 8N1: a round trip,
// a far end that hangs up, and one owner for a device reached by several names.
#include "../../link/Transport.h"
#include "Bytes.h"

#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class TstSerialPty : public QObject {
    Q_OBJECT
    int Master = -1;
    int Slave = -1;
    QString SlaveName;

private slots:
    void init() {
        char name[128] = {};
        QVERIFY(openpty(&Master, &Slave, name, nullptr, nullptr) == 0);
        fcntl(Master, F_SETFL, fcntl(Master, F_GETFL) | O_NONBLOCK);
        termios raw{};
        tcgetattr(Slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(Slave, TCSANOW, &raw);
        SlaveName = QString::fromLocal8Bit(name);
    }
    void cleanup() {
        if (Master >= 0) ::close(Master);
        if (Slave >= 0) ::close(Slave);
        Master = Slave = -1;
    }

    void roundTrip() {
        TSerialTransport transport;
        QString error;
        QVERIFY2(transport.Open(SlaveName, &error), qPrintable(error));
        QVERIFY(transport.Write(Hex("02 30 03")));
        QByteArray atFarEnd;
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                     char buf[64];
                                     const ssize_t n = ::read(Master, buf, sizeof buf);
                                     if (n > 0) atFarEnd.append(buf, n);
                                     return atFarEnd.size() >= 3;
                                 }()),
                                 3000);
        QCOMPARE(ToHex(atFarEnd), ToHex(Hex("02 30 03")));

        const QByteArray answer = Hex("02 30 56 32 2E 31 30 03");
        QCOMPARE(::write(Master, answer.constData(), answer.size()), ssize_t(answer.size()));
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += transport.ReadAll()).size() >= answer.size(), 3000);
        QCOMPARE(ToHex(received), ToHex(answer));

        termios settings{};
        QVERIFY(tcgetattr(Slave, &settings) == 0);
        QCOMPARE(cfgetospeed(&settings), speed_t(B9600));
        QCOMPARE(settings.c_cflag & CSIZE, tcflag_t(CS8));
        QVERIFY(!(settings.c_cflag & PARENB));
        QVERIFY(!(settings.c_cflag & CSTOPB));
        transport.Close();
        QVERIFY(!transport.IsOpen());
    }

    // A device that goes away is disconnected, whatever error comes first: the
    // hang-up the watch sees, or a resource error with the system's words.
    void aDeviceThatGoesAwayIsDisconnectedOnce_data() {
        QTest::addColumn<bool>("resourceErrorFirst");
        QTest::newRow("hang-up") << false;
        QTest::newRow("resource error first") << true;
    }
    void aDeviceThatGoesAwayIsDisconnectedOnce() {
        QFETCH(bool, resourceErrorFirst);
        TSerialTransport transport;
        QString error;
        QVERIFY2(transport.Open(SlaveName, &error), qPrintable(error));
        QSignalSpy failed(&transport, &TTransport::Failed);
        if (resourceErrorFirst) {
            auto* port = transport.findChild<QSerialPort*>();
            QVERIFY(port);
            emit port->errorOccurred(QSerialPort::ResourceError);
        }
        ::close(Slave);
        Slave = -1;
        ::close(Master);
        Master = -1;
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 3000);
        QTest::qWait(300);
        QCOMPARE(failed.count(), 1);
        const QString message = failed[0][0].toString();
        QVERIFY2(message.endsWith(QLatin1String(" was disconnected")), qPrintable(message));
    }

    // Bytes dropped while the line does not take them never reach the far end.
    void droppedOutputNeverArrives() {
        TSerialTransport transport;
        QString error;
        QVERIFY2(transport.Open(SlaveName, &error), qPrintable(error));
        QVERIFY(tcflow(Slave, TCOOFF) == 0);
        QVERIFY(transport.Write(Hex("02 07 0C 03")));
        QTest::qWait(100);
        QCOMPARE(transport.BytesToWrite(), 4);
        transport.DropOutput();
        QCOMPARE(transport.BytesToWrite(), 0);
        QVERIFY(tcflow(Slave, TCOON) == 0);
        QTest::qWait(200);
        char buf[16];
        QCOMPARE(::read(Master, buf, sizeof buf), ssize_t(-1));
    }

    // The lock goes to the real device, so it holds even for root, whom the
    // kernel's exclusive claim does not stop.
    void oneOwnerWhateverTheName() {
        QTemporaryDir dir;
        const QString linkA = dir.filePath("COM1"), linkB = dir.filePath("COM2");
        QVERIFY(QFile::link(SlaveName, linkA) && QFile::link(SlaveName, linkB));
        TSerialTransport owner, other;
        QString error;
        QVERIFY2(owner.Open(linkA, &error), qPrintable(error));
        for (const QString& name : {SlaveName, linkB, linkA}) {
            TOpenFailure failure = TOpenFailure::None;
            QVERIFY2(!other.Open(name, &error, &failure), qPrintable(name));
            QCOMPARE(failure, TOpenFailure::InUse);
        }
        // The port dialog counts the device this program holds as free: choosing
        // it again closes it first.
        QVERIFY(RealPortSystem().TryOpen(SlaveName).Opened());
        owner.Close();
        QVERIFY2(other.Open(linkB, &error), qPrintable(error));
    }

    void missingDeviceGivesTheSystemText() {
        TSerialTransport transport;
        QString error;
        QVERIFY(!transport.Open(QStringLiteral("/dev/no-such-mrt9dx-port"), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstSerialPty)
#include "tst_serialpty.moc"
