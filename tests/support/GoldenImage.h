// Expected image and block bytes written out by hand from the layout tables, for byte-for-byte checks.
#pragma once

#include <QByteArray>

#include <array>

namespace Golden {

inline constexpr int kImageSize = 2792;
inline constexpr int kEffect = 32;
inline constexpr int kInputA = 184;
inline constexpr int kInputB = 296;
inline constexpr int kOutputs = 408;
inline constexpr int kOutputSize = 298;
inline constexpr int kMarker = 371;

inline constexpr int Out(int channel, int byte) {
    return kOutputs + kOutputSize * channel + byte;
}

// Frequencies of bands 0..30 of the factory output block.
inline constexpr std::array<int, 31> kFactoryFreqs{
    20,  26,   33,   41,   51,   62,   81,   101,  124,  161,  201,  251,   316,   401,   501,  631,
    801, 1001, 1251, 1601, 2001, 2501, 3151, 4001, 5001, 6299, 8001, 10001, 12501, 16001, 20000};

void PutU8(QByteArray& bytes, int offset, int value);
void PutU16(QByteArray& bytes, int offset, int value);
void PutBand(QByteArray& bytes, int offset, int freq, int gainField, int qIndex, int slope, int kind);
void PutText(QByteArray& bytes, int offset, const char* text);

// The live image right after the model reset.
QByteArray FactoryImage();
// The factory image as the object model writes it back after reading it: the carried records' band
// bandwidth index 0 reads as 0.09 octave and comes back as index 4 (nine bands of each input record, the
// three bands of the effect record), and the all-space channel names come back empty.
QByteArray CollectedFactoryImage();
// An empty preset memory: name bytes 0..14 spaces, byte 15 zero, bytes 16..31 spaces, the rest zero.
QByteArray EmptyPreset();
// System block at start-up.
QByteArray StartupSystemBlock();

// Names the first differing byte, for readable failures.
QByteArray FirstDifference(const QByteArray& actual, const QByteArray& expected);

} // namespace Golden
