// The fonts of the window, sized in pixels so that the layout is the same at every screen resolution.
#pragma once

#include <QFont>

class CAppFont {
public:
    static constexpr int kBody = 13;  // menus, message texts, fields
    static constexpr int kSmall = 12; // secondary lines
    static constexpr int kTitle = 15; // the program name in the title bar

    // A font that holds Latin and Chinese glyphs alike (a CJK family first where one is installed).
    static QFont Pixels(int pixels, QFont::Weight weight = QFont::Normal);
};
