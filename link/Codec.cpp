#include "Codec.h"

#include "../base/MrtError.h"
#include "Commands.h"

#include <cstring>

uint8_t TxBuf[PacketBufSize];
QByteArray TxBody;
uint16_t TxLen = 0;
uint8_t RxBuf[PacketBufSize];
uint16_t RxLen = 0;

namespace {
bool NeedsEscape(uint8_t value) {
    return value == STX || value == ETX || value == DLE;
}

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float BitsFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
} // namespace

void PacketStart(uint8_t code) {
    std::memset(TxBuf, 0, sizeof TxBuf);
    TxLen = 0;
    TxBody.clear();
    PacketAddRaw(STX);
    PacketAddByte(code);
}

void PacketAddRaw(uint8_t value) {
    if (TxLen >= PacketBufSize)
        throw EMrtError(
            QStringLiteral("The request does not fit into the %1-byte transmit buffer").arg(PacketBufSize));
    TxBuf[TxLen++] = value;
}

void PacketAddByte(uint8_t value) {
    QByteArray escaped;
    Frame::AppendEscaped(escaped, value);
    for (char c : escaped)
        PacketAddRaw(static_cast<uint8_t>(c));
    TxBody.append(static_cast<char>(value));
}

void PacketPut(const QByteArray& body) {
    PacketStart(body.isEmpty() ? 0 : static_cast<uint8_t>(body[0]));
    for (qsizetype i = 1; i < body.size(); ++i)
        PacketAddByte(static_cast<uint8_t>(body[i]));
}

void RxSet(const QByteArray& decoded) {
    std::memset(RxBuf, 0, sizeof RxBuf);
    RxLen = static_cast<uint16_t>(qMin<qsizetype>(decoded.size(), PacketBufSize));
    std::memcpy(RxBuf, decoded.constData(), RxLen);
}

QByteArray RxBody() {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(RxBuf), RxLen);
}

namespace Frame {
void AppendEscaped(QByteArray& out, uint8_t value) {
    if (NeedsEscape(value)) {
        out.append(char(DLE));
        out.append(char(0xFF - value));
    } else {
        out.append(char(value));
    }
}

void AppendWord(QByteArray& out, uint16_t value) {
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

void AppendLong(QByteArray& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void AppendSingle(QByteArray& out, float value) {
    AppendLong(out, FloatBits(value));
}

QByteArray Encode(const QByteArray& decodedBody) {
    QByteArray out;
    out.reserve(decodedBody.size() * 2 + 2);
    out.append(char(STX));
    for (char c : decodedBody)
        AppendEscaped(out, static_cast<uint8_t>(c));
    out.append(char(ETX));
    return out;
}

QByteArray Unescape(const QByteArray& escapedBody) {
    QByteArray out;
    bool afterEscape = false;
    for (char c : escapedBody) {
        const uint8_t b = static_cast<uint8_t>(c);
        if (afterEscape) {
            out.append(char(0xFF - b));
            afterEscape = false;
        } else if (b == DLE) {
            afterEscape = true;
        } else {
            out.append(c);
        }
    }
    return out;
}

uint8_t Reader::Byte() {
    if (Pos < 0 || Pos >= Data.size()) {
        ++Pos;
        return 0;
    }
    return static_cast<uint8_t>(Data[Pos++]);
}

uint16_t Reader::Word() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | (Byte() << 8));
}

uint32_t Reader::Long() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(Byte()) << (8 * i);
    return value;
}

float Reader::Single() {
    return BitsFloat(Long());
}
} // namespace Frame
