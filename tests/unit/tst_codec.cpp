// The frame codec against frames worked out by hand.
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../link/MrtError.h"
#include "Bytes.h"

#include <QTest>
#include <bit>
#include <cstring>

namespace {
QByteArray Sent() { return QByteArray(reinterpret_cast<const char*>(TxBuf), TxLen); }
QByteArray Decoded() { return QByteArray(reinterpret_cast<const char*>(RxBuf), RxLen); }
uint8_t Decode(const QByteArray& body) {
    return PacketDecode(reinterpret_cast<const uint8_t*>(body.constData()), static_cast<int>(body.size()));
}
} // namespace

class TstCodec : public QObject {
    Q_OBJECT
private slots:
    void workedFrames_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("expected");
        const auto frame = [](auto build) {
            build();
            PacketAddRaw(ETX);
            return Sent();
        };
        QTest::newRow("cmdReadVersion") << frame([] { PacketStart(cmdReadVersion); }) << Hex("02 30 03");
        QTest::newRow("cmdQueryMode 0") << frame([] {
            PacketStart(cmdQueryMode);
            PacketAddByte(0);
        }) << Hex("02 21 00 03");
        QTest::newRow("cmdSetToolkitVer 161") << frame([] {
            PacketStart(cmdSetToolkitVer);
            PacketAddByte(161);
        }) << Hex("02 33 A1 03");
        QTest::newRow("cmdClearInCal") << frame([] { PacketStart(cmdClearInCal); }) << Hex("02 05 03");
        QTest::newRow("cmdCalFull code 3 at 100.0") << frame([] {
            PacketStart(cmdCalFull);
            PacketAddByte(3);
            PacketAddSingle(100.0f);
        }) << Hex("02 10 FD 10 FC 00 00 C8 42 03");
        QTest::newRow("cmdSetDac row 1 code 784") << frame([] {
            PacketStart(cmdSetDac);
            PacketAddByte(1);
            PacketAddWord(784);
        }) << Hex("02 10 EF 01 10 EF 10 FC 03");
        QTest::newRow("word of two DLE bytes") << frame([] {
            PacketStart(cmdSetDac);
            PacketAddWord(0x1010);
        }) << Hex("02 10 EF 10 EF 10 EF 03");
        QTest::newRow("cmdSetPermIn T/C Type K -200..1372") << frame([] {
            PacketStart(cmdSetPermIn);
            PacketAddByte(3);
            PacketAddSingle(-200.0f);
            PacketAddSingle(1372.0f);
        }) << Hex("02 07 10 FC 00 00 48 C3 00 80 AB 44 03");
    }
    void workedFrames() {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, expected);
        QCOMPARE(ToHex(frame), ToHex(expected));
    }

    void startClearsTheBuffer() {
        PacketStart(cmdWriteOutZero);
        for (int i = 0; i < 21; ++i)
            PacketAddByte(0x10);
        PacketStart(cmdCalFull);
        QCOMPARE(TxLen, uint16_t(3));
        QCOMPARE(ToHex(Sent()), ToHex(Hex("02 10 FD")));
        for (int i = TxLen; i < PacketBufSize; ++i)
            QCOMPARE(TxBuf[i], uint8_t(0));
        PacketStart(cmdReadVersion);
        QCOMPARE(TxLen, uint16_t(2));
    }

    void requestNeverOutgrowsTheBuffer() {
        PacketStart(cmdSetDac);
        bool refused = false;
        try {
            for (int i = 0; i < 200; ++i)
                PacketAddByte(0x02);
        } catch (const EMrtError&) {
            refused = true;
        }
        QVERIFY(refused);
        QVERIFY(TxLen <= PacketBufSize);
        // The largest request of the tool, every byte escaped, fits: 46 bytes.
        PacketStart(cmdWriteOutZero);
        for (int i = 0; i < 21; ++i)
            PacketAddByte(0x03);
        PacketAddRaw(ETX);
        QVERIFY(TxLen <= 46);
    }

    void workedDecodes_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("decoded");
        QTest::addColumn<int>("code");
        QTest::newRow("plain") << Hex("33 01") << Hex("33 01") << 51;
        QTest::newRow("escaped code and field") << Hex("10 FC 01 10 EF") << Hex("03 01 10") << 3;
        QTest::newRow("empty") << QByteArray() << QByteArray() << 0;
        QTest::newRow("trailing escape dropped") << Hex("21 10") << Hex("21") << 33;
        QTest::newRow("lone escape") << Hex("10") << QByteArray() << 0;
        QTest::newRow("unvalidated escape") << Hex("10 41") << Hex("BE") << 0xBE;
    }
    void workedDecodes() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, decoded);
        QFETCH(int, code);
        QCOMPARE(int(Decode(body)), code);
        QCOMPARE(ToHex(Decoded()), ToHex(decoded));
    }

    void decodeClearsOldBytesAndReadsZeroPastTheEnd() {
        Decode(Hex("04 01 02 03 04 05 06 07 08"));
        Decode(Hex("04 AA BB"));
        RxPos = 1;
        QCOMPARE(PacketGetLong(), uint32_t(0x0000BBAA));
        QCOMPARE(PacketGetSingle(), 0.0f);
        RxPos = PacketBufSize - 1;
        QCOMPARE(PacketGetWord(), uint16_t(0));
    }

    void longBodyStaysInsideTheBuffer() {
        QByteArray body(400, char(0x41));
        QCOMPARE(int(Decode(body)), 0x41);
        QCOMPARE(int(RxLen), PacketBufSize);
    }

    void singlesRoundTripThroughEscapes_data() {
        QTest::addColumn<float>("value");
        // Each holds 02, 03 or 10 in some byte of its pattern.
        QTest::newRow("0x10 low byte") << std::bit_cast<float>(uint32_t(0x3F800010));
        QTest::newRow("0x02 and 0x03") << std::bit_cast<float>(uint32_t(0x40030201));
        QTest::newRow("all DLE") << std::bit_cast<float>(uint32_t(0x10101010));
        QTest::newRow("negative") << -1372.5f;
    }
    void singlesRoundTripThroughEscapes() {
        QFETCH(float, value);
        PacketStart(cmdCalFull);
        PacketAddSingle(value);
        // Body between STX and (not yet written) ETX.
        const QByteArray body = Sent().mid(1);
        for (int i = 0; i < body.size(); ++i)
            if (uint8_t(body[i]) == STX || uint8_t(body[i]) == ETX) QFAIL("frame byte inside the body");
        Decode(body);
        RxPos = 1;
        const float back = PacketGetSingle();
        QCOMPARE(std::memcmp(&back, &value, 4), 0);
        QCOMPARE(ToHex(Frame::Unescape(body)), ToHex(Decoded()));
    }

    void frameHelpersMatchTheBufferWriters() {
        QByteArray decoded;
        decoded.append(char(cmdSetDac));
        decoded.append(char(0));
        Frame::AppendWord(decoded, 4098);
        QCOMPARE(ToHex(Frame::Encode(decoded)), ToHex(Hex("02 10 EF 00 10 FD 10 EF 03")));
        Frame::Reader reader{decoded};
        QCOMPARE(int(reader.Byte()), 0);
        QCOMPARE(int(reader.Word()), 4098);
        QCOMPARE(int(reader.Byte()), 0); // past the end
    }
};

QTEST_GUILESS_MAIN(TstCodec)
#include "tst_codec.moc"
