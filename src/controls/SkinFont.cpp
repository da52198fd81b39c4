// The skin's fonts: sized in pixels (the form is laid out for 96 dots per inch) and able to show Chinese.
#include "controls/SkinFont.h"

#include <QStringList>

QFont CSkinFont::Pixel(int pixelSize, QFont::Weight weight) {
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}
