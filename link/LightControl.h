#pragma once
// The activity lights of the status bar: the transmit light glows while bytes go
// out, the receive light while bytes come in. Each waits one tick before it goes
// dark. The lights handle their own timers and pass every timer event of the port
// on through TriggerTimer.
#include <QObject>
#include <cstdint>
#include <functional>

class TComPort;

class TLightControl : public QObject {
    Q_OBJECT
public:
    explicit TLightControl(TComPort* port, QObject* parent = nullptr);
    // Starts monitoring the port; closing the port darkens both lights and stops.
    void Start();
    bool Monitoring() const { return Active; }
    bool TxLit() const { return TxOn; }
    bool RxLit() const { return RxOn; }

    std::function<void(bool lit)> ShowTx;
    std::function<void(bool lit)> ShowRx;

signals:
    void TriggerTimer(uint16_t handle);

private:
    void SetTx(bool lit);
    void SetRx(bool lit);
    void Stop();
    void HandleTimer(uint16_t handle);
    TComPort* Port;
    uint16_t TxTimer = 0;
    uint16_t RxTimer = 0;
    bool Active = false;
    bool TxOn = false;
    bool RxOn = false;
};
