#pragma once
// The program's own error type. A failed number conversion, a port that will not
// open or a request that would outgrow the transmit buffer raise it; the connect
// wrapper of the main window catches it and shows the general error box.
#include <QString>
#include <stdexcept>

class EMrtError : public std::runtime_error {
public:
    explicit EMrtError(const QString& message)
        : std::runtime_error(message.toStdString()), Message(message) {}
    QString Message;
};
