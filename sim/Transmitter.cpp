#include "Transmitter.h"

#include "../link/Clock.h"
#include "../link/Codec.h"
#include "../link/Commands.h"
#include "../link/Messages.h"
#include "../ranges/InRanges.h"
#include "../ranges/OutRanges.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int MaxRequestBody = 1024;

QString HexText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString RangeText(int code) {
    int wiring = 0;
    const IRange& row = InRanges[CodeToRange(static_cast<unsigned>(code), wiring)];
    return row.HasWiring ? QStringLiteral("%1 %2").arg(row.Name, WiringNames[wiring]) : row.Name;
}

bool IsInputReport(uint8_t code) {
    return code >= cmdCalZero && code <= cmdSetPermIn;
}
bool IsOutputReport(uint8_t code) {
    return code >= cmdWriteOutZero && code <= cmdSetPermOut;
}
} // namespace

TTransmitter::TTransmitter(TClock* clock) : Clock(clock) {
    for (int code = 0; code < RangeCodeCount; ++code) {
        int wiring = 0;
        const IRange& row = InRanges[CodeToRange(static_cast<unsigned>(code), wiring)];
        EuMinByCode[code] = row.EuMin;
        EuMaxByCode[code] = row.EuMax;
    }
    OutCodes = {{{1000, 61000}, {0, 60000}}};
    CalGain.fill(1.0);
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
            meaning +=
                QStringLiteral(" code %1 %2").arg(uint8_t(request[1])).arg(RangeText(uint8_t(request[1])));
        if (LastCommand == cmdSetPermIn && request.size() >= Msg::RequestSize(cmdSetPermIn)) {
            const Msg::TRequest span = Msg::DecodeRequest(request);
            meaning += QStringLiteral(" %1 .. %2").arg(span.EuMin).arg(span.EuMax);
        }
        Log(QStringLiteral("RX %1  %2").arg(HexText(Frame::Encode(request)), meaning));
    }

    const TSimFaults faults = Faults;
    if (faults.Once) Faults = TSimFaults{};
    if (faults.Silent) {
        if (Log) Log(QStringLiteral("   (silent)"));
        return;
    }
    QByteArray answer =
        Answer(request, faults.StatusZero || (faults.RefuseCode >= 0 && LastCommand == faults.RefuseCode));
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

// Long as the command table: one short case per command code, in code order.
QByteArray TTransmitter::Answer(const QByteArray& request, bool statusZero) {
    if (request.isEmpty()) return {};
    const Msg::TRequest in = Msg::DecodeRequest(request);
    const uint8_t code = in.Code;
    const auto inputReport = [&](bool valid, bool programmed) {
        return InputReport(code, valid && !statusZero, programmed ? PermInCode : ActiveInCode);
    };
    const auto outputReport = [&](bool valid, int range) {
        UpdateAlarm();
        return OutputReport(code, valid && !statusZero, range);
    };
    const auto storeOutSettings = [&](const Msg::TOutSettings& s) {
        Invert[s.Range] = s.Invert;
        OutMin[s.Range] = s.OutMin;
        OutMax[s.Range] = s.OutMax;
        AlarmLimit = s.AlarmLimit;
        DeadBand = s.DeadBand;
        AlarmFlags = s.AlarmFlags & (Msg::AlarmEnabledBit | Msg::AlarmLowBit);
    };
    const bool inCode = in.Complete && in.Range < RangeCodeCount;
    const bool outRange = in.Complete && in.Range < OutRangeCount;

    switch (code) {
    case cmdCalZero: {
        // With a signal on the input the unit calibrates only in CAL mode.
        const bool valid = inCode && !(SignalApplied() && Mode == 0);
        if (valid && !statusZero) {
            ZeroCalFlags |= uint64_t(1) << in.Range;
            if (SignalApplied()) CalZeroRaw[in.Range] = MeasuredRaw();
        }
        return inputReport(valid, false);
    }
    case cmdCalFull: {
        const double above = SignalApplied() && inCode ? MeasuredRaw() - CalZeroRaw[in.Range] : 1.0;
        const bool valid = inCode && !(SignalApplied() && (Mode == 0 || above <= 0 || !(in.FullScale > 0)));
        if (valid && !statusZero) {
            FullCalFlags |= uint64_t(1) << in.Range;
            LastCalFullValue = in.FullScale;
            if (SignalApplied()) CalGain[in.Range] = in.FullScale / above;
        }
        return inputReport(valid, false);
    }
    case cmdReadActiveIn:
        return inputReport(inCode, false);
    case cmdReadPermIn:
        return inputReport(true, true);
    case cmdClearInCal:
        if (!statusZero) ZeroCalFlags = FullCalFlags = 0;
        return inputReport(true, false);
    case cmdSetTempIn:
        if (inCode && !statusZero) ActiveInCode = in.Range;
        return inputReport(inCode, false);
    case cmdSetPermIn: {
        const bool valid = inCode && in.EuMin < in.EuMax;
        if (valid && !statusZero) {
            PermInCode = in.Range;
            EuMinByCode[in.Range] = in.EuMin;
            EuMaxByCode[in.Range] = in.EuMax;
        }
        return inputReport(valid, true);
    }
    case cmdSetDac:
        // Its answer carries no status: a refused code leaves the DAC as it was.
        if (!outRange) return {};
        if (!statusZero) TrimCode = in.DacCode;
        return Msg::EncodeDacDone();
    case cmdWriteOutZero:
    case cmdWriteOutFull:
        if (outRange && !statusZero) {
            if (code == cmdWriteOutZero) {
                OutCodes[in.Range].ZeroCode = in.DacCode;
                OutZeroCalFlags |= uint16_t(1u << in.Range);
            } else {
                OutCodes[in.Range].FullCode = in.DacCode;
                OutFullCalFlags |= uint16_t(1u << in.Range);
            }
            storeOutSettings(in.Out);
            TrimCode = -1;
        }
        return outputReport(outRange, outRange ? in.Range : ActiveOutRange);
    case cmdReadActiveOut:
        return outputReport(outRange, outRange ? in.Range : ActiveOutRange);
    case cmdReadPermOut:
        return outputReport(true, PermOutRange);
    case cmdClearOutCal:
        if (!statusZero) OutZeroCalFlags = OutFullCalFlags = 0;
        return outputReport(true, ActiveOutRange);
    case cmdSetTempOut:
        if (outRange && !statusZero) {
            ActiveOutRange = in.Range;
            TrimCode = -1;
        }
        return outputReport(outRange, outRange ? in.Range : ActiveOutRange);
    case cmdSetPermOut:
        if (outRange && !statusZero) {
            PermOutRange = in.Range;
            storeOutSettings(in.Out);
        }
        return outputReport(outRange, outRange ? in.Range : ActiveOutRange);
    case cmdSetMode:
        // A refused switch answers the mode the unit stays in.
        if (in.Complete && !statusZero) Mode = in.Value ? 1 : 0;
        return Msg::EncodeMode(cmdSetMode, Mode);
    case cmdQueryMode:
        return Msg::EncodeMode(cmdQueryMode, Mode);
    case cmdReadVersion:
        return Msg::EncodeVersion(VersionText);
    case cmdSetToolkitVer:
        if (!in.Complete) return {};
        if (!statusZero) ToolkitVersion = in.Value;
        return Msg::EncodeOpResult(!statusZero);
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

void TTransmitter::ApplySignal(double eng) {
    SignalFrom = SignalApplied() ? AppliedEng() : eng;
    SignalTo = eng;
    SignalSetMs = Clock->NowMs();
}

void TTransmitter::ApplyRawSignal(double raw) {
    int wiring = 0;
    const IRange& row = InRanges[CodeToRange(static_cast<unsigned>(ActiveInCode), wiring)];
    ApplySignal(row.EuMin + (double(row.EuMax) - row.EuMin) * raw / row.RawFullScale);
}

double TTransmitter::AppliedEng() const {
    const double t = double(Clock->NowMs() - SignalSetMs);
    return SignalTo + (SignalFrom - SignalTo) * std::exp(-t / std::max(1.0, SettleMs));
}

double TTransmitter::Noise(int salt) const {
    // A hash of the 100 ms slot: reads within one slot agree, as a filtered input does.
    uint32_t x = uint32_t(Clock->NowMs() / 100) * 2654435761u + uint32_t(salt) * 40503u;
    x ^= x >> 13;
    x *= 0x5bd1e995u;
    x ^= x >> 15;
    return (x % 20001) / 10000.0 - 1.0;
}

double TTransmitter::MeasuredRaw() const {
    int wiring = 0;
    const IRange& row = InRanges[CodeToRange(static_cast<unsigned>(ActiveInCode), wiring)];
    const double trueRaw =
        (AppliedEng() - row.EuMin) / std::max(1e-9, double(row.EuMax) - row.EuMin) * row.RawFullScale;
    return SensorGain * trueRaw + SensorOffset + 1e-5 * row.RawFullScale * Noise(1);
}

double TTransmitter::MeterReading() const {
    const int range = ActiveOutRange;
    const ORange& row = OutRanges[range];
    const double factoryZero = range == 0 ? 1000 : 0, factoryFull = range == 0 ? 61000 : 60000;
    const double ideal = row.ZeroScale + (PresentDacCode() - factoryZero) / (factoryFull - factoryZero) *
                                             (row.FullScale - row.ZeroScale);
    return DacGain * ideal + DacOffset + 1e-5 * (row.FullScale - row.ZeroScale) * Noise(2);
}

float TTransmitter::EngReading() const {
    if (!std::isnan(FixedReading)) return FixedReading;
    if (SignalApplied()) {
        int wiring = 0;
        const IRange& row = InRanges[CodeToRange(static_cast<unsigned>(ActiveInCode), wiring)];
        return static_cast<float>(row.EuMin +
                                  (double(row.EuMax) - row.EuMin) * RawReading() / row.RawFullScale);
    }
    const float lo = EuMinByCode[ActiveInCode], hi = EuMaxByCode[ActiveInCode];
    return static_cast<float>(lo + (hi - lo) * (0.3 + 0.1 * Drift(Clock->NowMs(), 40)));
}

float TTransmitter::RawReading() const {
    if (!std::isnan(FixedReading)) return FixedReading;
    if (SignalApplied())
        return static_cast<float>((MeasuredRaw() - CalZeroRaw[ActiveInCode]) * CalGain[ActiveInCode]);
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
    const double code =
        OutCodes[range].ZeroCode + (signal - row.ZeroScale) / (row.FullScale - row.ZeroScale) *
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
        if (value > AlarmLimit)
            AlarmActive = true;
        else if (value < AlarmLimit - DeadBand)
            AlarmActive = false;
    } else {
        if (value < AlarmLimit)
            AlarmActive = true;
        else if (value > AlarmLimit + DeadBand)
            AlarmActive = false;
    }
}

QByteArray TTransmitter::InputReport(uint8_t code, bool ok, int rangeCode) const {
    int wiring = 0;
    const bool thermocouple = CodeToRange(static_cast<unsigned>(ActiveInCode), wiring) <= 10;
    const qint64 now = Clock->NowMs();
    Msg::TInputReport r;
    r.Code = code;
    r.Status = ok ? 1 : 0;
    r.RangeCode = static_cast<uint8_t>(rangeCode);
    r.RangeFlag = 1;
    r.Raw = RawReading();
    r.Eng = EngReading();
    r.Seebeck = thermocouple ? static_cast<float>(980 + 40 * Drift(now, 25, 1)) : 0.0f;
    // A range code the tables lack (a test may set one) reports no span.
    const bool known = rangeCode >= 0 && rangeCode < int(EuMinByCode.size());
    r.EuMin = known ? EuMinByCode[rangeCode] : 0.0f;
    r.EuMax = known ? EuMaxByCode[rangeCode] : 0.0f;
    r.CalFlags[0] = static_cast<uint32_t>(ZeroCalFlags & 0xFFFFFFFFu);
    r.CalFlags[1] = static_cast<uint32_t>((ZeroCalFlags >> 32) & 0xFFu);
    r.CalFlags[2] = static_cast<uint32_t>(FullCalFlags & 0xFFFFFFFFu);
    r.CalFlags[3] = static_cast<uint32_t>((FullCalFlags >> 32) & 0xFFu);
    r.Ta = static_cast<float>(Ta + 0.4 * Drift(now, 60, 2));
    r.TCal = TCal;
    r.Mode = Mode;
    return Msg::EncodeInputReport(r);
}

QByteArray TTransmitter::OutputReport(uint8_t code, bool ok, int range) const {
    Msg::TOutputReport r;
    r.Code = code;
    r.Status = ok ? 1 : 0;
    r.Range = static_cast<uint8_t>(range);
    r.RangeFlag = 1;
    r.ZeroCode = OutCodes[range].ZeroCode;
    r.FullCode = OutCodes[range].FullCode;
    r.Invert = Invert[range] ? 1 : 0;
    r.ZeroCalFlags = OutZeroCalFlags;
    r.FullCalFlags = OutFullCalFlags;
    r.OutMin = OutMin[range];
    r.OutMax = OutMax[range];
    r.DacCode = range == ActiveOutRange ? PresentDacCode() : OutCodes[range].ZeroCode;
    r.Ta = static_cast<float>(Ta + 0.4 * Drift(Clock->NowMs(), 60, 2));
    r.TCal = TCal;
    r.Mode = Mode;
    r.AlarmLimit = AlarmLimit;
    r.DeadBand = DeadBand;
    r.AlarmFlags = AlarmFlags;
    r.AlarmState = AlarmActive ? 1 : 0;
    r.AlarmReadBack = AlarmActive ? 0 : 1; // the open collector reads back low when active
    return Msg::EncodeOutputReport(r);
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

bool TTransmitter::Busy() const {
    return !Pending.empty();
}
