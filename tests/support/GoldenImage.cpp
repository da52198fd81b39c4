// Expected image and block bytes written out by hand from the layout tables, for byte-for-byte checks.
#include "support/GoldenImage.h"

#include <cstring>

namespace Golden {

void PutU8(QByteArray& bytes, int offset, int value) {
    bytes[offset] = static_cast<char>(value & 0xFF);
}

void PutU16(QByteArray& bytes, int offset, int value) {
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void PutBand(QByteArray& bytes, int offset, int freq, int gainField, int qIndex, int slope, int kind) {
    PutU16(bytes, offset, freq);
    PutU16(bytes, offset + 2, gainField);
    PutU16(bytes, offset + 4, qIndex);
    PutU8(bytes, offset + 6, slope);
    PutU8(bytes, offset + 7, kind);
}

void PutText(QByteArray& bytes, int offset, const char* text) {
    for (std::size_t i = 0; i < std::strlen(text); ++i)
        bytes[offset + static_cast<int>(i)] = text[i];
}

QByteArray FactoryImage() {
    QByteArray image(kImageSize, '\0');
    for (int k = 0; k < 9; ++k) {
        PutBand(image, kInputA + 8 * k, 1000, 600, 0, 0, 0);
        PutBand(image, kInputB + 8 * k, 1000, 600, 0, 0, 0);
    }
    for (int k = 0; k < 8; ++k)
        PutBand(image, kEffect + 8 * k, 1000, 600, 0, 0, 0);
    for (int c = 0; c < 8; ++c) {
        for (int k = 0; k < 31; ++k)
            PutBand(image, Out(c, 8 * k), kFactoryFreqs[static_cast<std::size_t>(k)], 600, 15, 0, 0);
        PutU8(image, Out(c, 248), 1);   // output on
        PutU8(image, Out(c, 249), 0);   // polarity
        PutU16(image, Out(c, 250), 60); // gain 0 dB
        PutU16(image, Out(c, 252), 0);  // delay
        PutU8(image, Out(c, 254), 0);   // PEQ
        PutU8(image, Out(c, 255), 0);
        PutU16(image, Out(c, 256), 20); // high-pass
        PutU8(image, Out(c, 258), 2);
        PutU8(image, Out(c, 259), 2);
        PutU16(image, Out(c, 260), 20000); // low-pass
        PutU8(image, Out(c, 262), 2);
        PutU8(image, Out(c, 263), 2);
        PutU8(image, Out(c, 264), 100); // input 0 at 100 %, the other eleven 0
        PutU16(image, Out(c, 282), 360);
        PutU8(image, Out(c, 284), 106);
        PutU8(image, Out(c, 285), 5);
        PutText(image, Out(c, 290), "      ");
    }
    return image;
}

QByteArray CollectedFactoryImage() {
    QByteArray image = FactoryImage();
    for (int k = 0; k < 9; ++k) {
        PutU16(image, kInputA + 8 * k + 4, 4);
        PutU16(image, kInputB + 8 * k + 4, 4);
    }
    for (int k = 0; k < 3; ++k)
        PutU16(image, kEffect + 8 * k + 4, 4);
    for (int c = 0; c < 8; ++c)
        for (int i = 290; i < 298; ++i)
            PutU8(image, Out(c, i), 0);
    return image;
}

QByteArray EmptyPreset() {
    QByteArray image(kImageSize, '\0');
    PutText(image, 0, "               ");
    PutText(image, 16, "                ");
    return image;
}

QByteArray StartupSystemBlock() {
    QByteArray block(32, '\0');
    PutU8(block, 0, 0);
    PutU16(block, 2, 60);
    PutU8(block, 4, 0);
    PutU8(block, 5, 1);
    PutU8(block, 7, 0);
    const int types[12] = {1, 7, 5, 11, 15, 18, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 12; ++i)
        PutU8(block, 8 + i, types[i]);
    PutU16(block, 24, 200);
    PutU16(block, 26, 200);
    PutU16(block, 28, 200);
    return block;
}

QByteArray FirstDifference(const QByteArray& actual, const QByteArray& expected) {
    if (actual.size() != expected.size())
        return "size " + QByteArray::number(actual.size()) + " instead of " +
               QByteArray::number(expected.size());
    for (int i = 0; i < actual.size(); ++i)
        if (actual[i] != expected[i])
            return "byte " + QByteArray::number(i) + " is " +
                   QByteArray::number(static_cast<quint8>(actual[i])) + " instead of " +
                   QByteArray::number(static_cast<quint8>(expected[i]));
    return {};
}

} // namespace Golden
