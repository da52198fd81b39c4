// Setup and all-data files written out by hand, for the tests that load them.
#pragma once

#include "support/GoldenImage.h"

#include <QByteArray>

namespace PresetFileContent {

inline constexpr int kGainAt = 250;                 // output block: u16 gain code
inline constexpr int kOutputOnAt = 248;             // output block: sound switch
inline constexpr int kLiveAt = 17 + 32 + 20 * 2792; // all-data file: the live image
inline constexpr int kPresetsAt = 17 + 32;          // all-data file: memory 0

// A setup file: tag, then the factory image with channel 2's gain at 21 and the name "FromFile".
inline QByteArray SetupFile(const QByteArray& tag = "ORVEN-XT-PRO-1.0") {
    QByteArray file;
    file.append(char(tag.size()));
    file.append(tag);
    QByteArray image = Golden::FactoryImage();
    Golden::PutU16(image, Golden::Out(2, kGainAt), 21);
    Golden::PutText(image, 0, "FromFile");
    return file + image;
}

// An all-data file: tag, system block, presets 1..20 (preset p's gains 30 + c, its name "File<p>"), the
// live image (channel 5's gain 9), position delays with the current position 7.
inline QByteArray AllDataFile() {
    QByteArray file;
    file.append(char(16));
    file.append("ORVEN-XT-PRO-1.0");
    file += Golden::StartupSystemBlock();
    for (int m = 0; m < 20; ++m) {
        QByteArray preset = Golden::EmptyPreset();
        Golden::PutText(preset, 0, QByteArray("File").append(char('1' + m % 9)).constData());
        for (int c = 0; c < 8; ++c)
            Golden::PutU16(preset, Golden::Out(c, kGainAt), 30 + c);
        Golden::PutU8(preset, Golden::Out(0, kOutputOnAt), 1);
        file += preset;
    }
    QByteArray live = Golden::FactoryImage();
    Golden::PutU16(live, Golden::Out(5, kGainAt), 9);
    file += live;
    QByteArray positions(50, '\0');
    positions[48] = 7;
    file += positions;
    return file;
}

} // namespace PresetFileContent
