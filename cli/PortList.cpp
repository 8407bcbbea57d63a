// The `ports` command: exactly the COM numbers the window's port dialog offers,
// by the same port rules.
#include "../link/PortRules.h"
#include "CliRun.h"

QStringList PortLines() {
    QStringList lines;
    for (const TPortOffer& offer : OfferedPorts())
        lines << QStringLiteral("COM%1\t%2\t%3\t%4")
                     .arg(offer.Number)
                     .arg(offer.Device, offer.Description.isEmpty() ? QStringLiteral("-") : offer.Description,
                          PortStateText(offer.State));
    return lines;
}
