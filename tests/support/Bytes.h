#pragma once
// Byte strings written as hexadecimal, "02 10 FD 03", for readable expectations.
#include <QByteArray>
#include <QString>

inline QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
inline QString ToHex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
