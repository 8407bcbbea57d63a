// Placeholder until the simulated transmitter is built.
#include "Transmitter.h"
TTransmitter::TTransmitter(TClock* clock) : Clock(clock) {}
void TTransmitter::Receive(const QByteArray&) {}
QByteArray TTransmitter::Transmit() { return {}; }
bool TTransmitter::Busy() const { return false; }
void TTransmitter::PowerCycle() {}
float TTransmitter::RawReading() const { return 0; }
float TTransmitter::EngReading() const { return 0; }
uint16_t TTransmitter::PresentDacCode() const { return 0; }
