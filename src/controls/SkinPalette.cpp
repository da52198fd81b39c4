// The colours of the program's dark skin, shared by every window and custom control.
#include "controls/SkinPalette.h"

QPalette CSkinPalette::Palette() {
    QPalette p;
    p.setColor(QPalette::Window, Background());
    p.setColor(QPalette::Base, Panel());
    p.setColor(QPalette::AlternateBase, Background());
    p.setColor(QPalette::Button, Panel());
    p.setColor(QPalette::Light, EdgeLight());
    p.setColor(QPalette::Midlight, Edge());
    p.setColor(QPalette::Mid, Edge());
    p.setColor(QPalette::Dark, Groove());
    p.setColor(QPalette::Shadow, Groove());
    p.setColor(QPalette::WindowText, Text());
    p.setColor(QPalette::Text, Text());
    p.setColor(QPalette::ButtonText, Text());
    p.setColor(QPalette::PlaceholderText, DimText());
    p.setColor(QPalette::Highlight, Accent());
    p.setColor(QPalette::HighlightedText, AccentText());
    p.setColor(QPalette::ToolTipBase, Panel());
    p.setColor(QPalette::ToolTipText, Text());
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, DisabledText());
    p.setColor(QPalette::Disabled, QPalette::Highlight, AccentDim());
    return p;
}
