#pragma once
// The packet collector. It watches the bytes that ComPort receives and cuts out one
// STX ... ETX packet at a time, handing the body (without STX and ETX) to OnPacket.
//
// States: disabled, waiting for STX, collecting. After a packet, and after its own
// time-out of 50 ticks from the STX, it disables itself until it is enabled again.
// Bytes that arrive while it is disabled, or while it waits and are not STX, are
// dropped. Enabling it from inside OnPacket takes effect once the delivered packet
// has been removed; it then looks for an STX among the bytes after that packet.
//
// The store is bounded: a body keeps counting past MaxStored bytes but only the
// first MaxStored are kept, so OnPacket's size may exceed what data points to only
// for bodies longer than MaxStored (far beyond anything the request cycle takes).
#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <functional>

class TComPort;

class TDataPacket : public QObject {
    Q_OBJECT
public:
    static constexpr uint16_t TimeOutTicks = 50;
    static constexpr int MaxStored = 1024;
    enum class TState { Disabled, Waiting, Collecting };

    explicit TDataPacket(TComPort* port, QObject* parent = nullptr);
    void Enable();
    void Disable();
    // Drops every byte received so far, also those behind a packet being
    // delivered; the state stays.
    void Flush();
    bool Enabled() const { return State != TState::Disabled; }
    TState CurrentState() const { return State; }

    std::function<void(const uint8_t* data, int size)> OnPacket;

private:
    void Receive(const QByteArray& bytes);
    void Process();
    void HandleTimer(uint16_t handle);
    TComPort* Port;
    uint16_t TimerHandle;
    TState State = TState::Disabled;
    QByteArray Pending;  // received bytes not yet examined
    QByteArray Body;     // the packet being collected
    qint64 BodySize = 0; // its full size, also past MaxStored
    bool Delivering = false;
    bool EnableAfterDelivery = false;
    bool FlushAfterDelivery = false;
};
