#include "Transmitter.h"

#include "../link/Clock.h"
#include "../link/Codec.h"
#include "../link/Commands.h"
#include "../ranges/InRanges.h"
#include "../ranges/OutRanges.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int MaxRequestBody = 1024;

QString HexText(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

QString CommandName(uint8_t code) {
    switch (code) {
    case cmdCalZero: return QStringLiteral("cmdCalZero");
    case cmdCalFull: return QStringLiteral("cmdCalFull");
    case cmdReadActiveIn: return QStringLiteral("cmdReadActiveIn");
    case cmdReadPermIn: return QStringLiteral("cmdReadPermIn");
    case cmdClearInCal: return QStringLiteral("cmdClearInCal");
    case cmdSetTempIn: return QStringLiteral("cmdSetTempIn");
    case cmdSetPermIn: return QStringLiteral("cmdSetPermIn");
    case cmdSetDac: return QStringLiteral("cmdSetDac");
    case cmdWriteOutZero: return QStringLiteral("cmdWriteOutZero");
    case cmdWriteOutFull: return QStringLiteral("cmdWriteOutFull");
    case cmdReadActiveOut: return QStringLiteral("cmdReadActiveOut");
    case cmdReadPermOut: return QStringLiteral("cmdReadPermOut");
    case cmdClearOutCal: return QStringLiteral("cmdClearOutCal");
    case cmdSetTempOut: return QStringLiteral("cmdSetTempOut");
    case cmdSetPermOut: return QStringLiteral("cmdSetPermOut");
    case cmdSetMode: return QStringLiteral("cmdSetMode");
    case cmdQueryMode: return QStringLiteral("cmdQueryMode");
    case cmdReadVersion: return QStringLiteral("cmdReadVersion");
    case cmdSetToolkitVer: return QStringLiteral("cmdSetToolkitVer");
    default: return QStringLiteral("unknown command %1").arg(code);
    }
}

QString RangeText(int code) {
    int wiring = 0;
    const IRange& row = InRanges[CodeToRange(static_cast<unsigned>(code), wiring)];
    return row.HasWiring ? QStringLiteral("%1 %2").arg(row.Name, WiringNames[wiring]) : row.Name;
}

bool IsInputReport(uint8_t code) { return code >= cmdCalZero && code <= cmdSetPermIn; }
bool IsOutputReport(uint8_t code) { return code >= cmdWriteOutZero && code <= cmdSetPermOut; }
} // namespace

TTransmitter::TTransmitter(TClock* clock) : Clock(clock) {
    for (int code = 0; code < RangeCodeCount; ++code) {
        int wiring = 0;
        const IRange& row = InRanges[CodeToRange(static_cast<unsigned>(code), wiring)];
        EuMinByCode[code] = row.EuMin;
        EuMaxByCode[code] = row.EuMax;
    }
    OutCodes = {{{1000, 61000}, {0, 60000}}};
    for (int r = 0; r < OutRangeCount; ++r) {
        OutMin[r] = OutRanges[r].MinLimit;
        OutMax[r] = OutRanges[r].MaxLimit;
    }
}

void TTransmitter::Receive(const QByteArray& bytes) {
    for (char c : bytes) {
        const uint8_t b = static_cast<uint8_t>(c);
        if (!InFrame) {
            if (b == STX) {
                InFrame = true;
                Collecting.clear();
                FrameStartMs = Clock->NowMs();
            }
            continue;
        }
        if (b == ETX) {
            InFrame = false;
            HandleFrame(Collecting);
            Collecting.clear();
            continue;
        }
        if (Collecting.size() >= MaxRequestBody) {
            // No request is that long: forget it and wait for the next STX.
            InFrame = false;
            Collecting.clear();
            continue;
        }
        Collecting.append(c);
    }
}

void TTransmitter::HandleFrame(const QByteArray& escapedBody) {
    const QByteArray request = Frame::Unescape(escapedBody);
    ++RequestsReceived;
    LastCommand = request.isEmpty() ? 0 : static_cast<uint8_t>(request[0]);
    if (Log) {
        QString meaning = CommandName(LastCommand);
        if (IsInputReport(LastCommand) && LastCommand != cmdReadPermIn && LastCommand != cmdClearInCal &&
            request.size() >= 2 && uint8_t(request[1]) < RangeCodeCount)
            meaning += QStringLiteral(" code %1 %2").arg(uint8_t(request[1])).arg(RangeText(uint8_t(request[1])));
        if (LastCommand == cmdSetPermIn && request.size() >= 10) {
            Frame::Reader span{request, 2};
            const float lo = span.Single();
            meaning += QStringLiteral(" %1 .. %2").arg(lo).arg(span.Single());
        }
        Log(QStringLiteral("RX %1  %2").arg(HexText(Frame::Encode(request)), meaning));
    }

    const TSimFaults faults = Faults;
    if (faults.Once) Faults = TSimFaults{};
    if (faults.Silent) {
        if (Log) Log(QStringLiteral("   (silent)"));
        return;
    }
    QByteArray answer = Answer(request, faults.StatusZero || (faults.RefuseCode >= 0 && LastCommand == faults.RefuseCode));
    if (answer.isEmpty()) {
        if (Log) Log(QStringLiteral("   (no answer)"));
        return;
    }
    if (faults.UnknownCode >= 0) answer[0] = char(faults.UnknownCode & 0xFF);
    QByteArray frame = Frame::Encode(answer);
    if (faults.TruncateTo >= 0 && faults.TruncateTo < frame.size() - 2)
        frame = frame.left(1 + faults.TruncateTo) + char(ETX);
    if (faults.DropEtx) frame.chop(1);
    if (faults.CorruptIndex >= 0 && faults.CorruptIndex < frame.size())
        frame[faults.CorruptIndex] = char(~static_cast<uint8_t>(frame[faults.CorruptIndex]));
    QByteArray wire = faults.NoiseBefore + frame + faults.NoiseAfter;
    if (faults.Twice) wire += frame;
    if (Log) {
        QString meaning = CommandName(static_cast<uint8_t>(answer[0]));
        if (answer.size() > 1 && (IsInputReport(uint8_t(answer[0])) || IsOutputReport(uint8_t(answer[0]))))
            meaning += QStringLiteral(" report, status %1").arg(uint8_t(answer[1]));
        Log(QStringLiteral("TX %1  %2").arg(HexText(wire), meaning));
    }
    Pending.push_back({Clock->NowMs() + ReplyDelayMs + faults.ExtraDelayMs, wire, 0});
}

QByteArray TTransmitter::Answer(const QByteArray& request, bool statusZero) {
    if (request.isEmpty()) return {};
    const uint8_t code = static_cast<uint8_t>(request[0]);
    Frame::Reader in{request};
    const int size = static_cast<int>(request.size());
    const auto inputReport = [&](bool valid, bool programmed) {
        return InputReport(code, valid && !statusZero, programmed ? PermInCode : ActiveInCode);
    };
    const auto outputReport = [&](bool valid, int range) {
        UpdateAlarm();
        return OutputReport(code, valid && !statusZero, range);
    };

    switch (code) {
    case cmdCalZero: {
        const int c = in.Byte();
        const bool valid = size >= 2 && c < RangeCodeCount;
        if (valid && !statusZero) ZeroCalFlags |= uint64_t(1) << c;
        return inputReport(valid, false);
    }
    case cmdCalFull: {
        const int c = in.Byte();
        const float value = in.Single();
        const bool valid = size >= 6 && c < RangeCodeCount;
        if (valid && !statusZero) {
            FullCalFlags |= uint64_t(1) << c;
            LastCalFullValue = value;
        }
        return inputReport(valid, false);
    }
    case cmdReadActiveIn: {
        const int c = in.Byte();
        return inputReport(size >= 2 && c < RangeCodeCount, false);
    }
    case cmdReadPermIn:
        return inputReport(true, true);
    case cmdClearInCal:
        if (!statusZero) ZeroCalFlags = FullCalFlags = 0;
        return inputReport(true, false);
    case cmdSetTempIn: {
        const int c = in.Byte();
        const bool valid = size >= 2 && c < RangeCodeCount;
        if (valid && !statusZero) ActiveInCode = c;
        return inputReport(valid, false);
    }
    case cmdSetPermIn: {
        const int c = in.Byte();
        const float euMin = in.Single();
        const float euMax = in.Single();
        const bool valid = size >= 10 && c < RangeCodeCount && euMin < euMax;
        if (valid && !statusZero) {
            PermInCode = c;
            EuMinByCode[c] = euMin;
            EuMaxByCode[c] = euMax;
        }
        return inputReport(valid, true);
    }
    case cmdSetDac: {
        const int range = in.Byte();
        const uint16_t dac = in.Word();
        if (size < 4 || range >= OutRangeCount) return {};
        TrimCode = dac;
        return QByteArray(1, char(cmdSetDac));
    }
    case cmdWriteOutZero:
    case cmdWriteOutFull: {
        const int range = in.Byte();
        const uint16_t dac = in.Word();
        const bool invert = in.Byte() != 0;
        const float outMin = in.Single(), outMax = in.Single(), alarm = in.Single(), band = in.Single();
        const uint8_t flags = in.Byte();
        const bool valid = size >= 22 && range < OutRangeCount;
        if (valid && !statusZero) {
            if (code == cmdWriteOutZero) {
                OutCodes[range].ZeroCode = dac;
                OutZeroCalFlags |= uint16_t(1u << range);
            } else {
                OutCodes[range].FullCode = dac;
                OutFullCalFlags |= uint16_t(1u << range);
            }
            Invert[range] = invert;
            OutMin[range] = outMin;
            OutMax[range] = outMax;
            AlarmLimit = alarm;
            DeadBand = band;
            AlarmFlags = flags & 3;
            TrimCode = -1;
        }
        return outputReport(valid, valid ? range : ActiveOutRange);
    }
    case cmdReadActiveOut: {
        const int range = in.Byte();
        const bool valid = size >= 2 && range < OutRangeCount;
        return outputReport(valid, valid ? range : ActiveOutRange);
    }
    case cmdReadPermOut:
        return outputReport(true, PermOutRange);
    case cmdClearOutCal:
        if (!statusZero) OutZeroCalFlags = OutFullCalFlags = 0;
        return outputReport(true, ActiveOutRange);
    case cmdSetTempOut: {
        const int range = in.Byte();
        const bool valid = size >= 2 && range < OutRangeCount;
        if (valid && !statusZero) {
            ActiveOutRange = range;
            TrimCode = -1;
        }
        return outputReport(valid, valid ? range : ActiveOutRange);
    }
    case cmdSetPermOut: {
        const int range = in.Byte();
        const bool invert = in.Byte() != 0;
        const float outMin = in.Single(), outMax = in.Single(), alarm = in.Single(), band = in.Single();
        const uint8_t flags = in.Byte();
        const bool valid = size >= 20 && range < OutRangeCount;
        if (valid && !statusZero) {
            PermOutRange = range;
            Invert[range] = invert;
            OutMin[range] = outMin;
            OutMax[range] = outMax;
            AlarmLimit = alarm;
            DeadBand = band;
            AlarmFlags = flags & 3;
        }
        return outputReport(valid, valid ? range : ActiveOutRange);
    }
    case cmdSetMode: {
        const uint8_t mode = in.Byte();
        if (size >= 2) Mode = mode ? 1 : 0;
        QByteArray answer(1, char(cmdSetMode));
        answer.append(char(Mode));
        return answer;
    }
    case cmdQueryMode: {
        QByteArray answer(1, char(cmdQueryMode));
        answer.append(char(Mode));
        return answer;
    }
    case cmdReadVersion: {
        QByteArray answer(1, char(cmdReadVersion));
        answer.append(VersionText.toLatin1().left(VersionTextSize).leftJustified(VersionTextSize, ' '));
        return answer;
    }
    case cmdSetToolkitVer: {
        const uint8_t version = in.Byte();
        if (size < 2) return {};
        if (!statusZero) ToolkitVersion = version;
        QByteArray answer(1, char(cmdSetToolkitVer));
        answer.append(char(statusZero ? 0 : 1));
        return answer;
    }
    default:
        return {};
    }
}

void TTransmitter::PowerCycle() {
    ActiveInCode = PermInCode;
    ActiveOutRange = PermOutRange;
    TrimCode = -1;
}

namespace {
// A slow, smooth drift between 0 and 1 with the time in seconds.
double Drift(qint64 ms, double periodS, double phase = 0) {
    return 0.5 + 0.5 * std::sin(2 * M_PI * (ms / 1000.0) / periodS + phase);
}
} // namespace

float TTransmitter::EngReading() const {
    if (!std::isnan(FixedReading)) return FixedReading;
    const float lo = EuMinByCode[ActiveInCode], hi = EuMaxByCode[ActiveInCode];
    return static_cast<float>(lo + (hi - lo) * (0.3 + 0.1 * Drift(Clock->NowMs(), 40)));
}

float TTransmitter::RawReading() const {
    if (!std::isnan(FixedReading)) return FixedReading;
    int wiring = 0;
    const IRange& row = InRanges[CodeToRange(static_cast<unsigned>(ActiveInCode), wiring)];
    const double fraction = (EngReading() - row.EuMin) / std::max(1.0f, row.EuMax - row.EuMin);
    return static_cast<float>(row.RawFullScale * fraction);
}

uint16_t TTransmitter::PresentDacCode() const {
    if (TrimCode >= 0) return static_cast<uint16_t>(TrimCode);
    const int range = ActiveOutRange;
    const float lo = EuMinByCode[ActiveInCode], hi = EuMaxByCode[ActiveInCode];
    double fraction = (EngReading() - lo) / std::max(1e-6f, hi - lo);
    if (Invert[range]) fraction = 1.0 - fraction;
    const double signal = OutMin[range] + (OutMax[range] - OutMin[range]) * fraction;
    const ORange& row = OutRanges[range];
    const double code = OutCodes[range].ZeroCode + (signal - row.ZeroScale) / (row.FullScale - row.ZeroScale) *
                                                       (double(OutCodes[range].FullCode) - OutCodes[range].ZeroCode);
    return static_cast<uint16_t>(std::clamp(std::lround(code), 0L, 65535L));
}

void TTransmitter::UpdateAlarm() {
    if (!(AlarmFlags & 1)) {
        AlarmActive = false;
        return;
    }
    const float value = EngReading();
    const bool low = AlarmFlags & 2;
    if (!low) {
        if (value > AlarmLimit) AlarmActive = true;
        else if (value < AlarmLimit - DeadBand) AlarmActive = false;
    } else {
        if (value < AlarmLimit) AlarmActive = true;
        else if (value > AlarmLimit + DeadBand) AlarmActive = false;
    }
}

QByteArray TTransmitter::InputReport(uint8_t code, bool ok, int rangeCode) const {
    QByteArray r(1, char(code));
    r.append(char(ok ? 1 : 0));
    r.append(char(rangeCode));
    r.append(char(1));
    int wiring = 0;
    const bool thermocouple = CodeToRange(static_cast<unsigned>(ActiveInCode), wiring) <= 10;
    const qint64 now = Clock->NowMs();
    Frame::AppendSingle(r, RawReading());
    Frame::AppendSingle(r, EngReading());
    Frame::AppendSingle(r, thermocouple ? static_cast<float>(980 + 40 * Drift(now, 25, 1)) : 0.0f);
    Frame::AppendSingle(r, EuMinByCode[rangeCode]);
    Frame::AppendSingle(r, EuMaxByCode[rangeCode]);
    Frame::AppendLong(r, static_cast<uint32_t>(ZeroCalFlags & 0xFFFFFFFFu));
    Frame::AppendLong(r, static_cast<uint32_t>((ZeroCalFlags >> 32) & 0xFFu));
    Frame::AppendLong(r, static_cast<uint32_t>(FullCalFlags & 0xFFFFFFFFu));
    Frame::AppendLong(r, static_cast<uint32_t>((FullCalFlags >> 32) & 0xFFu));
    Frame::AppendSingle(r, static_cast<float>(Ta + 0.4 * Drift(now, 60, 2)));
    Frame::AppendSingle(r, TCal);
    r.append(char(Mode));
    return r;
}

QByteArray TTransmitter::OutputReport(uint8_t code, bool ok, int range) const {
    QByteArray r(1, char(code));
    r.append(char(ok ? 1 : 0));
    r.append(char(range));
    r.append(char(1));
    Frame::AppendWord(r, OutCodes[range].ZeroCode);
    Frame::AppendWord(r, OutCodes[range].FullCode);
    r.append(char(Invert[range] ? 1 : 0));
    Frame::AppendWord(r, OutZeroCalFlags);
    Frame::AppendWord(r, OutFullCalFlags);
    Frame::AppendSingle(r, OutMin[range]);
    Frame::AppendSingle(r, OutMax[range]);
    Frame::AppendWord(r, range == ActiveOutRange ? PresentDacCode() : OutCodes[range].ZeroCode);
    Frame::AppendSingle(r, static_cast<float>(Ta + 0.4 * Drift(Clock->NowMs(), 60, 2)));
    Frame::AppendSingle(r, TCal);
    r.append(char(Mode));
    Frame::AppendSingle(r, AlarmLimit);
    Frame::AppendSingle(r, DeadBand);
    r.append(char(AlarmFlags));
    r.append(char(AlarmActive ? 1 : 0));
    r.append(char(AlarmActive ? 0 : 1)); // the open collector reads back low when active
    return r;
}

QByteArray TTransmitter::Transmit() {
    QByteArray out;
    const qint64 now = Clock->NowMs();
    while (!Pending.empty() && Pending.front().DueMs <= now) {
        TAnswer& front = Pending.front();
        if (PaceBaud <= 0) {
            out += front.Bytes;
            Pending.pop_front();
            continue;
        }
        // 10 bits a byte: start bit, 8 data bits, stop bit.
        const qint64 allowed = (now - front.DueMs) * PaceBaud / 10 / 1000 + 1;
        const qint64 count = std::min<qint64>(allowed - front.Sent, front.Bytes.size() - front.Sent);
        if (count > 0) {
            out += front.Bytes.mid(front.Sent, count);
            front.Sent += static_cast<int>(count);
        }
        if (front.Sent < front.Bytes.size()) break;
        const qint64 finished = front.DueMs + (front.Bytes.size() * 10 * 1000) / PaceBaud;
        Pending.pop_front();
        if (!Pending.empty()) Pending.front().DueMs = std::max(Pending.front().DueMs, finished);
    }
    return out;
}

bool TTransmitter::Busy() const { return !Pending.empty(); }
