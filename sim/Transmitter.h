#pragma once
// The simulated MRT9-DX transmitter: bytes in, bytes out, timed by a clock.
//
// It frames, escapes and decodes as the tool does, keeps the state of a real
// transmitter (programmed and active input range with span, moving readings,
// calibration flags, output ranges with DAC codes, alarm, RUN/CAL mode, version)
// and answers every command with the layout the tool reads. It can be told to
// misbehave for the tests.
//
// Receive() takes the bytes the host wrote; Transmit() gives the bytes whose time
// has come by the clock: an answer is due ReplyDelayMs after the request's ETX and,
// with PaceBaud set, its bytes leave one by one at 10 bits a byte.
#include <QByteArray>
#include <QString>
#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>

class TClock;

struct TSimFaults {
    bool Silent = false;     // answer nothing
    int ExtraDelayMs = 0;    // answer this much later
    bool StatusZero = false; // refuse everything: reports (and the 51 answer) carry status 0
    int RefuseCode = -1;     // >= 0: refuse this command code: nothing changes, a status reads 0
    int TruncateTo = -1;     // >= 0: cut the escaped body to this many bytes, ETX kept
    bool DropEtx = false;    // send the frame without its ETX
    int CorruptIndex = -1;   // >= 0: flip every bit of this byte of the frame on the wire
    QByteArray NoiseBefore;  // bytes sent before the frame
    QByteArray NoiseAfter;   // bytes sent after the frame
    bool Twice = false;      // send the frame twice
    int UnknownCode = -1;    // >= 0: answer with this response code instead
    bool Once = false;       // the faults apply to the next answer only
};

struct TSimOutputRange {
    uint16_t ZeroCode = 0;
    uint16_t FullCode = 0;
};

class TTransmitter {
public:
    explicit TTransmitter(TClock* clock);

    void Receive(const QByteArray& bytes);
    QByteArray Transmit();
    // True while answer bytes are waiting for their time.
    bool Busy() const;

    // Power cycle: the programmed input and output ranges become active.
    void PowerCycle();

    // ---- Settings ----
    int ReplyDelayMs = 20;
    int PaceBaud = 0; // 0: no pacing; 9600: 10 bits a byte at 9600 baud
    TSimFaults Faults;
    QString VersionText = QStringLiteral("MRT9-DX V2.10");
    // Not NaN: both readings of the input report stay at this value.
    float FixedReading = std::numeric_limits<float>::quiet_NaN();
    // Each frame received and sent, decoded, with its meaning; for mrt9dx-sim.
    std::function<void(const QString& line)> Log;

    // ---- State, readable and settable by tests ----
    int PermInCode = 3;   // programmed input range code
    int ActiveInCode = 3; // active input range code
    std::array<float, 40> EuMinByCode{};
    std::array<float, 40> EuMaxByCode{};
    uint64_t ZeroCalFlags = 0; // bit n = range code n
    uint64_t FullCalFlags = 0;
    float LastCalFullValue = 0;
    int PermOutRange = 0;
    int ActiveOutRange = 0;
    std::array<TSimOutputRange, 2> OutCodes{};
    std::array<bool, 2> Invert{};
    std::array<float, 2> OutMin{};
    std::array<float, 2> OutMax{};
    uint16_t OutZeroCalFlags = 0;
    uint16_t OutFullCalFlags = 0;
    int TrimCode = -1; // the code of the last cmdSetDac, -1 when the output follows the reading
    float AlarmLimit = 500;
    float DeadBand = 10;
    uint8_t AlarmFlags = 0; // bit 0 enabled, bit 1 low alarm
    bool AlarmActive = false;
    uint8_t Mode = 0; // 0 RUN, 1 CAL
    uint8_t ToolkitVersion = 0;
    float Ta = 24.5f;
    float TCal = 23.0f;
    int RequestsReceived = 0;
    uint8_t LastCommand = 0;

    // ---- A signal on the input and a meter on the output, for calibrations ----
    // Until a signal is applied the readings drift on their own. Once one is, the
    // input reads it through a sensor with its own error (SensorGain times the
    // raw signal plus SensorOffset, in the range's RawUnit), corrected by the
    // calibration of zero and full scale; the readings settle on a new signal with
    // the time constant SettleMs and carry a little noise. In this mode the unit
    // refuses input calibration in RUN mode.
    // The raw signal of a range runs in a straight line from 0 at the row's EuMin
    // to RawFullScale at its EuMax.
    void ApplySignal(double eng);    // in the active range's EngUnit
    void ApplyRawSignal(double raw); // in its RawUnit
    bool SignalApplied() const { return !std::isnan(SignalTo); }
    double SensorOffset = 0;
    double SensorGain = 1;
    double SettleMs = 150;
    // The DAC: a code gives DacGain times the signal the factory codes assign to
    // it, plus DacOffset (in the range's Unit). The factory codes are 1000 and
    // 61000 for ±10 V, 0 and 60000 for 0-20 mA.
    double DacOffset = 0;
    double DacGain = 1;
    // What a meter on the output terminals reads now, in the active range's Unit.
    double MeterReading() const;
    // The input correction of each range code: raw = (measured - zero) * gain.
    std::array<double, 40> CalZeroRaw{};
    std::array<double, 40> CalGain{};

    // The readings of the active range now (raw in RawUnit, engineering in EngUnit).
    float RawReading() const;
    float EngReading() const;
    uint16_t PresentDacCode() const;

private:
    struct TAnswer {
        qint64 DueMs;
        QByteArray Bytes;
        int Sent;
    };
    void HandleFrame(const QByteArray& escapedBody);
    // The decoded answer to a request; empty for no answer.
    QByteArray Answer(const QByteArray& request, bool statusZero);
    QByteArray InputReport(uint8_t code, bool ok, int rangeCode) const;
    QByteArray OutputReport(uint8_t code, bool ok, int range) const;
    void UpdateAlarm();
    // The applied signal now, settling from SignalFrom to SignalTo (engineering units).
    double AppliedEng() const;
    // The raw signal the sensor measures now, before the correction.
    double MeasuredRaw() const;
    // A small noise between -1 and 1 that changes every 100 ms.
    double Noise(int salt) const;
    double SignalFrom = std::numeric_limits<double>::quiet_NaN();
    double SignalTo = std::numeric_limits<double>::quiet_NaN();
    qint64 SignalSetMs = 0;
    TClock* Clock;
    QByteArray Collecting;
    bool InFrame = false;
    qint64 FrameStartMs = 0;
    std::deque<TAnswer> Pending; // answers waiting for their time, in order
};
