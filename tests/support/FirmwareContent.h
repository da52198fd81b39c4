// Firmware file contents for tests: bytes that differ from their neighbours and from the 0xFF padding, so a
// shifted or cut chunk shows.
#pragma once

#include <QByteArray>

inline QByteArray FirmwareContent(int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(static_cast<char>((i * 7 + 3) % 251));
    return b;
}

inline QByteArray Fill(int n, unsigned char value) {
    return QByteArray(n, static_cast<char>(value));
}
