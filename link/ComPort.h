#pragma once
// The serial port: a numbered port with fixed line settings (9600 baud, 8N1, no
// flow control, DTR and RTS raised), block writes, and one-shot timers counted in
// ticks of 55 ms. Every timer, whoever armed it, is reported through TriggerTimer
// with its 16-bit handle.
#include <QByteArray>
#include <QMap>
#include <QObject>
#include <cstdint>

class TClock;
class TTransport;

class TComPort : public QObject {
    Q_OBJECT
public:
    static constexpr int TickMs = 55;
    static constexpr int Baud = 9600;
    static constexpr int DataBits = 8;
    static constexpr int StopBits = 1;
    static constexpr int InSize = 4096;
    static constexpr int OutSize = 4096;

    TComPort(TTransport* transport, TClock* clock, QObject* parent = nullptr);

    int ComNumber() const { return Number; }
    void SetComNumber(int number) { Number = number; }
    // A device path to open instead of the COM number's device (the companion's
    // -p /dev/...); empty: the COM number's.
    void SetDevicePath(const QString& device) { DevicePath = device; }
    // The port as messages name it: "COM3 (/dev/ttyUSB0)" with the real device
    // the number resolves to, or the device path as it was given.
    QString DisplayName() const;
    // On a closed port these only record the levels, applied when it opens.
    void SetDTR(bool level);
    void SetRTS(bool level);
    // Opens the device that names ComNumber; raises EMrtError with the system's
    // text when it cannot be opened, and the port stays closed.
    void Open();
    void Close();
    bool Connected() const;

    uint16_t AddTimer();
    // Arms (activate true: counts ticks from now, 0 keeps the stored count) or
    // disarms (activate false: the tick count is ignored) a timer.
    void SetTimer(uint16_t handle, uint16_t ticks, bool activate);
    bool TimerActive(uint16_t handle) const;
    // Every clock tick looks at each timer, armed or not.
    int TimerCount() const { return static_cast<int>(Timers.size()); }
    // Queues the block whole; raises EMrtError when it does not fit into the free
    // room of the transmit buffer.
    void PutBlock(const uint8_t* data, int length);
    qint64 OutQueue() const;
    // Drops the bytes queued and not yet written.
    void DropOutput();
    // Why a request did not leave: "COM1 (/dev/ttyUSB0) is not taking data: ...".
    QString NotTakingDataText() const;
    qint64 InQueue() const;
    qint64 CurrentTick() const;
    TClock* ClockSource() const { return Clock; }
    // Reads and drops whatever the device has received and not yet delivered.
    void DiscardInput();

signals:
    void TriggerTimer(uint16_t handle);
    void DataReceived(const QByteArray& bytes);
    void TxNotEmpty();
    void Opened();
    void Closed();
    // The open device failed; the port has been closed already.
    void Failed(const QString& message);

private:
    struct TTimer {
        uint16_t Ticks = 0;
        qint64 StartTick = 0;
        bool Active = false;
    };
    void CheckTimers();
    void ReadIncoming();
    TTransport* Transport;
    TClock* Clock;
    int Number = 1;
    QString DevicePath;
    bool Dtr = false;
    bool Rts = false;
    uint16_t NextHandle = 1;
    QMap<uint16_t, TTimer> Timers;
};
