// The fonts of the window, sized in pixels so that the layout is the same at every screen resolution.
#include "app/AppFont.h"

#include <QStringList>

QFont CAppFont::Pixels(int pixels, QFont::Weight weight) {
    QFont font;
    // Both CJK families carry Latin letters too, so the two interface languages look alike; the last is
    // Debian's default sans, for a machine without either.
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixels);
    font.setWeight(weight);
    font.setStyleHint(QFont::SansSerif);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}
