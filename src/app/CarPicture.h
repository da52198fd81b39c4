// The car picture of the main form: where each channel's speaker sits, its delay, and the delay unit.
#pragma once

#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>

class CBitmapButton;
class CNumEdit;
class CNumSpin;
class CPositionIcon;
class CSession;
class CSkinStatic;
class CTavelView;

// Fills the car region's host: a car seen from above (drawn here), one marker and one delay edit per speaker
// position that a channel's speaker type uses, and the unit buttons below. Thin: a click on a marker selects
// the channel the position stands for; a delay typed or stepped there is one call on the edit entry point
// for that channel (delays stay per channel, never copied to linked ones) and selects it. Delays are stored
// in samples at 48 kHz (0..960); the unit only changes how the edits show them.
class CCarPicture : public QWidget {
    Q_OBJECT

public:
    // Control ids: marker 2700 + m, delay edit 2580 + s with its hidden value holder 2610 + s. Markers
    // 2707 and 2710 and delay slots 7 and 10 belong to no speaker type and are never shown.
    static constexpr int kIconBase = 2700;
    static constexpr int kEditBase = 2580;
    static constexpr int kSpinBase = 2610;
    static constexpr int kSlots = 18;
    static constexpr int kUnitMs = 2285;
    static constexpr int kUnitCm = 2286;
    static constexpr int kUnitInch = 2287;
    static constexpr int kMaxDelay = 960; // samples: 20 ms

    // Delay units, as the unit buttons select them; also the numeric-edit kind the delays are shown with.
    enum Unit : int { Milliseconds = 0, Centimetres = 1, Inches = 2 };

    enum class Side { Left, Right, Centre };
    // One speaker position: its marker and delay slot, the speaker types drawn there (0 ends the list), and
    // where it sits (the marker's centre row; left and right markers at the car's sides with the edit
    // outside, centre markers on the car's middle with the edit below).
    struct Position {
        int icon; // offset from kIconBase
        int slot; // offset from kEditBase and kSpinBase
        std::array<std::uint8_t, 3> types;
        Side side;
        int y;
    };
    static constexpr std::array<Position, 16> kPositions{{
        {0, 0, {1, 4, 0}, Side::Left, 84},       // front left high, mid-high
        {2, 1, {2, 0, 0}, Side::Left, 112},      // front left mid
        {4, 2, {3, 5, 6}, Side::Left, 140},      // front left low, mid-low, full range
        {1, 3, {7, 10, 0}, Side::Right, 84},     // front right high, mid-high
        {3, 4, {8, 0, 0}, Side::Right, 112},     // front right mid
        {5, 5, {9, 11, 12}, Side::Right, 140},   // front right low, mid-low, full range
        {6, 6, {13, 0, 0}, Side::Left, 186},     // rear left high
        {8, 8, {14, 15, 0}, Side::Left, 214},    // rear left low, full range
        {9, 9, {16, 0, 0}, Side::Right, 186},    // rear right high
        {11, 11, {17, 18, 0}, Side::Right, 214}, // rear right low, full range
        {17, 17, {19, 0, 0}, Side::Centre, 146}, // centre high
        {15, 15, {20, 0, 0}, Side::Centre, 194}, // centre low
        {16, 16, {21, 0, 0}, Side::Centre, 98},  // centre full range
        {12, 12, {22, 0, 0}, Side::Left, 270},   // left sub
        {14, 14, {23, 0, 0}, Side::Right, 270},  // right sub
        {13, 13, {24, 0, 0}, Side::Centre, 262}, // sub
    }};

    // The position of speaker type 1..24; -1 for type 0 (unassigned) and anything else.
    static int PositionOfType(int type);
    static QPoint IconCentre(const Position& position);
    static QRect EditRect(const Position& position);

    CCarPicture(CSession& session, CTavelView& form, QWidget* parent);

    // The channel a position stands for: with several types, the lowest channel 0..7 whose type is one of
    // them; with one type, the highest channel 0..7 of that type; -1 when no channel uses it.
    int ChannelAt(int position) const;

    // Shows the markers and delay edits of the positions the speaker types use and hides the others.
    void ShowPositions();
    // Each shown delay edit shows the delay of the channel its position stands for.
    void ShowDelays();
    // The marker of `channel`'s position is highlighted, the others not.
    void ShowSelection(int channel);
    // Presses the unit's button and shows every delay edit in the unit; the stored samples stay.
    void SetDelayUnit(int unit);
    int DelayUnit() const { return m_unit; }

    CPositionIcon* Icon(int position) const;
    CNumEdit* DelayEdit(int position) const;
    CBitmapButton* UnitButton(int unit) const;
    // The shown delay edits from the front of the car to the back, left to right, then the unit buttons.
    QList<QWidget*> TabStops() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void IconClicked(int position);
    void DelayEdited(int position, int samples);
    void Retranslate();
    void NamePositions();
    void RebuildBackground();
    int SpeakerType(int channel) const;

    CSession& m_session;
    CTavelView& m_form;
    CSkinStatic* m_title;
    CSkinStatic* m_unitLabel;
    std::array<CPositionIcon*, kSlots> m_icons{}; // by marker offset
    std::array<CNumEdit*, kSlots> m_edits{};      // by delay slot
    std::array<CNumSpin*, kSlots> m_spins{};
    std::array<CBitmapButton*, 3> m_unitButtons{}; // by unit
    int m_unit = Milliseconds;
    QPixmap m_background; // the car and the leaders from the shown delay edits to their markers
};
