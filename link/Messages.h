#pragma once
// The transmitter's messages as plain records, one place per message, without a
// window: a decoder per report and an encoder per request payload for the tool
// and the companion, and the opposite directions (report encoders, the request
// decoder) for the simulated transmitter.
//
// A body is a decoded frame without STX and ETX: the code, then the fields, with
// words, longs and singles least significant byte first. Decoders read 0 for the
// bytes a short body lacks and ignore bytes past the layout. Frame::Encode turns
// a body into the bytes on the line; PacketPut puts it into TxBuf.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace Msg {

// The input report, the answer to codes 1 to 7: 49 bytes.
struct TInputReport {
    uint8_t Code = 0;
    uint8_t Status = 0; // 0: the transmitter failed the operation
    uint8_t RangeCode = 0;
    uint8_t RangeFlag = 0; // 0: the range's texts are shown red
    float Raw = 0;
    float Eng = 0;
    float Seebeck = 0;
    float EuMin = 0;
    float EuMax = 0;
    uint32_t CalFlags[4] = {}; // zero low, zero high, full low, full high
    float Ta = 0;
    float TCal = 0;
    uint8_t Mode = 0; // 0 RUN, else CAL
};

constexpr uint8_t AlarmEnabledBit = 0x01;
constexpr uint8_t AlarmLowBit = 0x02;

// What cmdSetPermOut, cmdWriteOutZero and cmdWriteOutFull program.
struct TOutSettings {
    uint8_t Range = 0;
    bool Invert = false;
    float OutMin = 0;
    float OutMax = 0;
    float AlarmLimit = 0;
    float DeadBand = 0;
    uint8_t AlarmFlags = 0; // AlarmEnabledBit, AlarmLowBit
};

// The output report, the answer to codes 17 to 23: 43 bytes.
struct TOutputReport {
    uint8_t Code = 0;
    uint8_t Status = 0;
    uint8_t Range = 0;
    uint8_t RangeFlag = 0;
    uint16_t ZeroCode = 0;
    uint16_t FullCode = 0;
    uint8_t Invert = 0;
    uint16_t ZeroCalFlags = 0;
    uint16_t FullCalFlags = 0;
    float OutMin = 0;
    float OutMax = 0;
    uint16_t DacCode = 0; // the code driving the output now
    float Ta = 0;
    float TCal = 0;
    uint8_t Mode = 0;
    float AlarmLimit = 0;
    float DeadBand = 0;
    uint8_t AlarmFlags = 0;
    uint8_t AlarmState = 0;    // not 0: the alarm is active
    uint8_t AlarmReadBack = 0; // level of the open collector: 0 means active
};

// ---- Reports: decoders ----
TInputReport DecodeInputReport(const QByteArray& body);
TOutputReport DecodeOutputReport(const QByteArray& body);
// The mode byte of the answers to cmdSetMode and cmdQueryMode (no status byte).
uint8_t DecodeMode(const QByteArray& body);
// The product version: 50 characters, trailing blanks and control bytes removed.
QString DecodeVersion(const QByteArray& body);
// (The status byte of a report or of the answer to cmdSetToolkitVer is judged
// by the request cycle alone: TRequestCycle::Judge, link/Cycle.h.)

// ---- Reports: encoders, for the simulated transmitter ----
QByteArray EncodeInputReport(const TInputReport& report);
QByteArray EncodeOutputReport(const TOutputReport& report);
QByteArray EncodeMode(uint8_t code, uint8_t mode);
QByteArray EncodeVersion(const QString& text);
QByteArray EncodeOpResult(bool ok);
QByteArray EncodeDacDone();

// ---- Requests: encoders, one per command ----
QByteArray CalZero(uint8_t rangeCode);
QByteArray CalFull(uint8_t rangeCode, float fullScale);
QByteArray ReadActiveIn(uint8_t rangeCode);
QByteArray ReadPermIn();
QByteArray ClearInCal();
QByteArray SetTempIn(uint8_t rangeCode);
QByteArray SetPermIn(uint8_t rangeCode, float euMin, float euMax);
QByteArray SetDac(uint8_t range, uint16_t dacCode);
QByteArray WriteOutZero(uint16_t dacCode, const TOutSettings& settings);
QByteArray WriteOutFull(uint16_t dacCode, const TOutSettings& settings);
QByteArray ReadActiveOut(uint8_t range);
QByteArray ReadPermOut();
QByteArray ClearOutCal();
QByteArray SetTempOut(uint8_t range);
QByteArray SetPermOut(const TOutSettings& settings);
QByteArray SetMode(uint8_t mode);
QByteArray QueryMode(uint8_t mode);
QByteArray ReadVersion();
QByteArray SetToolkitVer(uint8_t version);

// ---- Requests: the decoder, for the simulated transmitter ----
struct TRequest {
    uint8_t Code = 0;
    // The body holds every byte of its command's layout.
    bool Complete = false;
    // The range code of an input command, the output range of an output command.
    uint8_t Range = 0;
    float EuMin = 0;
    float EuMax = 0;
    float FullScale = 0;  // cmdCalFull
    uint16_t DacCode = 0; // cmdSetDac, cmdWriteOutZero, cmdWriteOutFull
    TOutSettings Out;     // cmdSetPermOut, cmdWriteOutZero, cmdWriteOutFull
    uint8_t Value = 0;    // the mode of cmdSetMode/cmdQueryMode, the toolkit version
};
TRequest DecodeRequest(const QByteArray& body);
// The decoded size of a request with this code (code and payload); 1 for codes
// the protocol does not know.
int RequestSize(uint8_t code);

} // namespace Msg

// The name of a command code ("cmdSetPermIn"), for messages and logs.
QString CommandName(uint8_t code);
