// The colours of the program's dark skin, shared by every window and custom control.
#pragma once

#include <QColor>
#include <QPalette>

class CSkinPalette {
public:
    static QColor Background() { return {0x1c, 0x20, 0x26}; }
    static QColor Panel() { return {0x26, 0x2b, 0x33}; }
    static QColor GraphBackground() { return {0x12, 0x15, 0x1a}; }
    static QColor GridLine() { return {0x33, 0x3a, 0x44}; }
    static QColor Text() { return {0xdc, 0xe1, 0xe8}; }
    static QColor DimText() { return {0x8a, 0x94, 0xa3}; }
    static QColor Accent() { return {0x3d, 0xa5, 0xf4}; }

    // A QPalette for plain Qt widgets so that they sit calmly inside the skinned form.
    static QPalette Palette();
};
