// The frame codec against frames worked out by hand.
#include "../../base/MrtError.h"
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../link/Cycle.h"
#include "../../link/Messages.h"
#include "Bytes.h"

#include <QTest>
#include <bit>
#include <cstring>

namespace {
QByteArray Sent() {
    return QByteArray(reinterpret_cast<const char*>(TxBuf), TxLen);
}
QByteArray Decoded() {
    return QByteArray(reinterpret_cast<const char*>(RxBuf), RxLen);
}
// As the window takes an answer: unescaped, then into RxBuf.
uint8_t Decode(const QByteArray& body) {
    RxSet(Frame::Unescape(body));
    return RxBuf[0];
}
} // namespace

class TstCodec : public QObject {
    Q_OBJECT
private slots:
    // Each request as the shared encoder builds it, sent through TxBuf as the
    // window sends it, against the frame worked out by hand.
    void workedFrames_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("expected");
        Msg::TOutSettings mA4to20;
        mA4to20.Range = 1;
        mA4to20.OutMin = 4;
        mA4to20.OutMax = 20;
        mA4to20.AlarmLimit = 500;
        mA4to20.DeadBand = 10;
        mA4to20.AlarmFlags = Msg::AlarmEnabledBit;
        QTest::newRow("cmdReadVersion") << Msg::ReadVersion() << Hex("02 30 03");
        QTest::newRow("cmdQueryMode 0") << Msg::QueryMode(0) << Hex("02 21 00 03");
        QTest::newRow("cmdSetMode CAL") << Msg::SetMode(1) << Hex("02 20 01 03");
        QTest::newRow("cmdSetMode RUN") << Msg::SetMode(0) << Hex("02 20 00 03");
        QTest::newRow("cmdSetToolkitVer 161") << Msg::SetToolkitVer(161) << Hex("02 33 A1 03");
        QTest::newRow("cmdClearInCal") << Msg::ClearInCal() << Hex("02 05 03");
        QTest::newRow("cmdClearOutCal") << Msg::ClearOutCal() << Hex("02 15 03");
        QTest::newRow("cmdReadPermIn") << Msg::ReadPermIn() << Hex("02 04 03");
        QTest::newRow("cmdReadActiveIn code 3") << Msg::ReadActiveIn(3) << Hex("02 10 FC 10 FC 03");
        QTest::newRow("cmdSetTempIn Pt100 (385) 3 wire") << Msg::SetTempIn(12) << Hex("02 06 0C 03");
        QTest::newRow("cmdCalZero Pt200 (385) 4 wire") << Msg::CalZero(16) << Hex("02 01 10 EF 03");
        QTest::newRow("cmdCalFull code 3 at 100.0")
            << Msg::CalFull(3, 100.0f) << Hex("02 10 FD 10 FC 00 00 C8 42 03");
        QTest::newRow("cmdCalFull T/C Type K at 54886")
            << Msg::CalFull(3, 54886.0f) << Hex("02 10 FD 10 FC 00 66 56 47 03");
        QTest::newRow("cmdCalFull T/C Type K at 54000")
            << Msg::CalFull(3, 54000.0f) << Hex("02 10 FD 10 FC 00 F0 52 47 03");
        QTest::newRow("cmdSetPermIn T/C Type K -200..1372")
            << Msg::SetPermIn(3, -200.0f, 1372.0f) << Hex("02 07 10 FC 00 00 48 C3 00 80 AB 44 03");
        QTest::newRow("cmdSetDac row 1 code 784") << Msg::SetDac(1, 784) << Hex("02 10 EF 01 10 EF 10 FC 03");
        QTest::newRow("cmdSetDac row 1 code 3200") << Msg::SetDac(1, 3200) << Hex("02 10 EF 01 80 0C 03");
        QTest::newRow("cmdSetDac row 0 code 4098")
            << Msg::SetDac(0, 4098) << Hex("02 10 EF 00 10 FD 10 EF 03");
        QTest::newRow("cmdSetDac row 0 code 40000") << Msg::SetDac(0, 40000) << Hex("02 10 EF 00 40 9C 03");
        QTest::newRow("cmdSetDac word of two DLE bytes")
            << Msg::SetDac(0, 0x1010) << Hex("02 10 EF 00 10 EF 10 EF 03");
        QTest::newRow("cmdReadPermOut") << Msg::ReadPermOut() << Hex("02 14 03");
        QTest::newRow("cmdReadActiveOut row 1") << Msg::ReadActiveOut(1) << Hex("02 13 01 03");
        QTest::newRow("cmdSetTempOut row 0") << Msg::SetTempOut(0) << Hex("02 16 00 03");
        QTest::newRow("cmdSetPermOut row 1 4..20 alarm 500/10 enabled")
            << Msg::SetPermOut(mA4to20)
            << Hex("02 17 01 00 00 00 80 40 00 00 A0 41 00 00 FA 43 00 00 20 41 01 03");
        QTest::newRow("cmdWriteOutZero row 1 code 6553")
            << Msg::WriteOutZero(6553, mA4to20)
            << Hex("02 11 01 99 19 00 00 00 80 40 00 00 A0 41 00 00 FA 43 00 00 20 41 01 03");
        QTest::newRow("cmdWriteOutFull row 1 code 6553")
            << Msg::WriteOutFull(6553, mA4to20)
            << Hex("02 12 01 99 19 00 00 00 80 40 00 00 A0 41 00 00 FA 43 00 00 20 41 01 03");
    }
    void workedFrames() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, expected);
        PacketPut(body);
        PacketAddRaw(ETX);
        QCOMPARE(ToHex(Sent()), ToHex(expected));
        QCOMPARE(ToHex(Frame::Encode(body)), ToHex(expected));
        // The simulator's direction: the whole layout arrives and encodes back.
        const Msg::TRequest request =
            Msg::DecodeRequest(Frame::Unescape(expected.mid(1, expected.size() - 2)));
        QVERIFY(request.Complete);
        QCOMPARE(int(body.size()), Msg::RequestSize(request.Code));
        if (request.Code == cmdSetPermOut) QCOMPARE(ToHex(Msg::SetPermOut(request.Out)), ToHex(body));
        if (request.Code == cmdWriteOutZero)
            QCOMPARE(ToHex(Msg::WriteOutZero(request.DacCode, request.Out)), ToHex(body));
        if (request.Code == cmdSetPermIn)
            QCOMPARE(ToHex(Msg::SetPermIn(request.Range, request.EuMin, request.EuMax)), ToHex(body));
    }

    // The report layouts at their offsets, both directions; a short body reads 0.
    void reportLayouts() {
        Msg::TInputReport in;
        in.Code = cmdReadPermIn;
        in.Status = 1;
        in.RangeCode = 12;
        in.EuMin = -200;
        in.EuMax = 1372;
        in.CalFlags[3] = 0x80;
        in.TCal = 23;
        in.Mode = 1;
        const QByteArray inBody = Msg::EncodeInputReport(in);
        QCOMPARE(int(inBody.size()), InputReportSize);
        QCOMPARE(ToHex(inBody.mid(0, 4)), QStringLiteral("04 01 0C 00"));
        QCOMPARE(ToHex(inBody.mid(16, 8)), QStringLiteral("00 00 48 C3 00 80 AB 44"));
        QCOMPARE(ToHex(inBody.mid(36, 4)), QStringLiteral("80 00 00 00"));
        QCOMPARE(ToHex(inBody.mid(44, 5)), QStringLiteral("00 00 B8 41 01"));
        const Msg::TInputReport inBack = Msg::DecodeInputReport(inBody);
        QCOMPARE(int(inBack.RangeCode), 12);
        QCOMPARE(inBack.EuMax, 1372.0f);
        QCOMPARE(inBack.CalFlags[3], uint32_t(0x80));
        QCOMPARE(int(inBack.Mode), 1);

        Msg::TOutputReport out;
        out.Code = cmdReadPermOut;
        out.Status = 1;
        out.Range = 1;
        out.ZeroCode = 65535;
        out.OutMin = 4;
        out.DacCode = 4098;
        out.AlarmLimit = 500;
        out.AlarmFlags = 2;
        out.AlarmReadBack = 1;
        const QByteArray outBody = Msg::EncodeOutputReport(out);
        QCOMPARE(int(outBody.size()), OutputReportSize);
        QCOMPARE(ToHex(outBody.mid(0, 6)), QStringLiteral("14 01 01 00 FF FF"));
        QCOMPARE(ToHex(outBody.mid(13, 4)), QStringLiteral("00 00 80 40"));
        QCOMPARE(ToHex(outBody.mid(21, 2)), QStringLiteral("02 10"));
        QCOMPARE(ToHex(outBody.mid(32, 4)), QStringLiteral("00 00 FA 43"));
        QCOMPARE(ToHex(outBody.mid(40, 3)), QStringLiteral("02 00 01"));
        const Msg::TOutputReport outBack = Msg::DecodeOutputReport(outBody);
        QCOMPARE(int(outBack.ZeroCode), 65535);
        QCOMPARE(int(outBack.DacCode), 4098);
        QCOMPARE(outBack.AlarmLimit, 500.0f);
        QCOMPARE(int(outBack.AlarmReadBack), 1);

        const Msg::TOutputReport cut = Msg::DecodeOutputReport(outBody.left(8));
        QCOMPARE(int(cut.FullCode), 0);
        QCOMPARE(cut.AlarmLimit, 0.0f);
        QCOMPARE(Msg::DecodeVersion(Msg::EncodeVersion(QStringLiteral("MRT9-DX V2.10"))),
                 QStringLiteral("MRT9-DX V2.10"));
        QCOMPARE(int(Msg::DecodeMode(Hex("21"))), 0);
        QCOMPARE(TRequestCycle::Judge(Msg::EncodeOpResult(false)), TVerdict::Refused);
        QCOMPARE(TRequestCycle::Judge(Msg::EncodeOpResult(true)), TVerdict::Answered);
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

    void decodeClearsOldBytes() {
        Decode(Hex("04 01 02 03 04 05 06 07 08"));
        Decode(Hex("04 AA BB"));
        QCOMPARE(ToHex(QByteArray(reinterpret_cast<const char*>(RxBuf), 5)),
                 QStringLiteral("04 AA BB 00 00"));
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
        QByteArray request(1, char(cmdCalFull));
        Frame::AppendSingle(request, value);
        PacketPut(request);
        // Body between STX and (not yet written) ETX.
        const QByteArray body = Sent().mid(1);
        for (int i = 0; i < body.size(); ++i)
            if (uint8_t(body[i]) == STX || uint8_t(body[i]) == ETX) QFAIL("frame byte inside the body");
        Decode(body);
        const float back = Frame::Reader{RxBody()}.Single();
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
