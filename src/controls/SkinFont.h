// The skin's fonts: sized in pixels (the form is laid out for 96 dots per inch) and able to show Chinese.
#pragma once

#include <QFont>

class CSkinFont {
public:
    static constexpr int kNormalPixels = 12;

    // The CJK-capable family first; the others stand in on machines without it.
    static QFont Pixel(int pixelSize = kNormalPixels, QFont::Weight weight = QFont::Normal);
};
