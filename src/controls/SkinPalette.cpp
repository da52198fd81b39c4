// The colours of the program's dark skin, shared by every window and custom control.
#include "controls/SkinPalette.h"

QPalette CSkinPalette::Palette() {
    QPalette p;
    p.setColor(QPalette::Window, Background());
    p.setColor(QPalette::Base, Panel());
    p.setColor(QPalette::AlternateBase, Background());
    p.setColor(QPalette::Button, Panel());
    p.setColor(QPalette::WindowText, Text());
    p.setColor(QPalette::Text, Text());
    p.setColor(QPalette::ButtonText, Text());
    p.setColor(QPalette::Highlight, Accent());
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::WindowText, DimText());
    p.setColor(QPalette::Disabled, QPalette::Text, DimText());
    p.setColor(QPalette::Disabled, QPalette::ButtonText, DimText());
    return p;
}
