#pragma once
// Frame codec: the request buffer with its writers and the response buffers with
// the unescaping step and the field readers.
//
// A frame is STX, the escaped code and payload, ETX. The bytes 02, 03 and 10 travel
// as 10 followed by their one's complement. Words, longs and singles go least
// significant byte first.
//
// The buffers exist once for the whole program. Nothing is ever written past their
// 129 bytes: a request that would outgrow TxBuf raises EMrtError, and RxSet keeps
// at most 129 bytes of a body (the request cycle refuses longer ones before).
#include <QByteArray>
#include <cstdint>

constexpr int PacketBufSize = 129;

extern uint8_t TxBuf[PacketBufSize];
extern uint16_t TxLen;
// The request in TxBuf as its code and fields, unescaped: what PacketSend hands
// to the request cycle, whose one encoder (Frame::Encode) frames it for the line.
extern QByteArray TxBody;
extern uint8_t RxBuf[PacketBufSize];
extern uint16_t RxLen;

// Request side: PacketStart, the writers in field order, then PacketSend.
void PacketStart(uint8_t code);
void PacketAddRaw(uint8_t value);
void PacketAddByte(uint8_t value);
// PacketStart with the body's code, then its fields byte by byte (Messages.h
// builds the bodies).
void PacketPut(const QByteArray& body);

// Response side: the request cycle unescapes an answer (Frame::Unescape) and the
// window puts it into RxBuf/RxLen for the presentations.
void RxSet(const QByteArray& decoded);
// The decoded response, RxLen bytes of RxBuf, for the decoders of Messages.h;
// valid until the next RxSet.
QByteArray RxBody();

// The same encoding on plain byte arrays, for code that keeps its own buffers
// (the simulated transmitter, tests).
namespace Frame {
void AppendEscaped(QByteArray& out, uint8_t value);
void AppendWord(QByteArray& out, uint16_t value);
void AppendLong(QByteArray& out, uint32_t value);
void AppendSingle(QByteArray& out, float value);
// STX, the escaped body (code and fields), ETX.
QByteArray Encode(const QByteArray& decodedBody);
// The unescaping rule: 10 and the next byte's one's complement; a trailing 10
// is dropped.
QByteArray Unescape(const QByteArray& escapedBody);
// Readers over a decoded body; a read past its end gives 0.
struct Reader {
    const QByteArray& Data;
    int Pos = 1;
    uint8_t Byte();
    uint16_t Word();
    uint32_t Long();
    float Single();
};
} // namespace Frame
