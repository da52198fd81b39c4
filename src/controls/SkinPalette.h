// The colours of the program's dark skin, shared by every window and custom control.
#pragma once

#include <QColor>
#include <QPalette>

// A calm, neutral dark grey skin around the response graph's colours; the accent is the only saturated
// colour and marks the selection (checked buttons, filled slider tracks, chosen entries) and the focus.
class CSkinPalette {
public:
    static QColor Background() { return {28, 28, 30}; } // the form and the graph
    static QColor GraphBackground() { return {28, 28, 30}; }
    static QColor GridLine() { return {62, 62, 65}; }
    static QColor GraphLabel() { return {100, 100, 100}; }

    static QColor Panel() { return {40, 40, 43}; }      // a control's face at rest
    static QColor PanelHover() { return {50, 50, 54}; } // under the mouse
    static QColor PanelDown() { return {33, 33, 36}; }  // held down
    static QColor Edge() { return {62, 62, 65}; }       // a control's outline
    static QColor EdgeLight() { return {84, 84, 88}; }  // the outline under the mouse
    static QColor Groove() { return {18, 18, 20}; }     // slider and progress tracks

    static QColor Text() { return {224, 224, 228}; }
    static QColor DimText() { return {150, 150, 155}; } // labels of controls: readable, not loud
    static QColor DisabledText() { return {88, 88, 92}; }

    static QColor Accent() { return {61, 165, 244}; }
    static QColor AccentFace() { return {40, 126, 196}; }  // a checked face: white text reads well on it
    static QColor AccentText() { return {255, 255, 255}; } // text on an accent face
    static QColor AccentDim() { return {30, 72, 104}; }    // the accent on a disabled control

    // A QPalette for plain Qt widgets so that they sit calmly inside the skinned form.
    static QPalette Palette();
};
