// The Source Volume dialog: the master volume remembered for each input-source group.
#pragma once

#include <QDialog>
#include <QList>
#include <QPixmap>
#include <QtGlobal>

#include <array>

class CBitmapButton;
class CBitmapSlider;
class CNumEdit;
class CNumSpin;
class CSession;
class CSkinStatic;

// Modal over its parent window, opened without a nested event loop. Five columns, one per volume group
// (High level, RCA, Bluetooth, Digit = optical and coaxial, Player), each a label, a vertical fader and the
// value as a number, 0..100. Every change is one call on the edit entry point, which stores the entry and
// sends message 48 while the link is open; the dialog keeps no state beyond its controls. Enter in a value
// moves to the next column's value; Enter and Escape elsewhere only bring the focus back to the dialog.
class CSvolumeDLG : public QDialog {
    Q_OBJECT

public:
    static constexpr int kId = 784;
    static constexpr int kClose = 1; // the dialog's own button: every change is already stored
    static constexpr int kMaxVolume = 100;

    struct Column {
        int slider;
        int edit;
        int spin; // hidden: holds the value for the edit
        int group;
        const char* label;
    };
    // Left to right; the labels are the groups' names.
    static constexpr std::array<Column, 5> kColumns{{
        {2590, 2591, 2597, 0, QT_TRANSLATE_NOOP("CSvolumeDLG", "High level")},
        {8651, 8631, 8611, 1, QT_TRANSLATE_NOOP("CSvolumeDLG", "RCA")},
        {8652, 8632, 8612, 2, QT_TRANSLATE_NOOP("CSvolumeDLG", "Bluetooth")},
        {8653, 8633, 8613, 3, QT_TRANSLATE_NOOP("CSvolumeDLG", "Digit")},
        {8654, 8634, 8614, 4, QT_TRANSLATE_NOOP("CSvolumeDLG", "Player")},
    }};

    CSvolumeDLG(CSession& session, QWidget* parent = nullptr);

    // A new dialog over `parent`, shown window-modal; it deletes itself when it closes.
    static CSvolumeDLG* Open(CSession& session, QWidget* parent);

    // Every column from the source-volume block.
    void Refresh();

    CBitmapSlider* Slider(int column) const;
    CNumEdit* Edit(int column) const;
    CNumSpin* Spin(int column) const;
    CSkinStatic* Label(int column) const;
    CBitmapButton* CloseButton() const { return m_close; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Controls {
        CSkinStatic* label = nullptr;
        CBitmapSlider* slider = nullptr;
        CNumEdit* edit = nullptr;
        CNumSpin* spin = nullptr;
    };

    int ColumnOfSlider(int id) const;
    void Store(int column, int value);
    void Retranslate();
    void RebuildBackground();

    CSession& m_session;
    std::array<Controls, kColumns.size()> m_controls{};
    CSkinStatic* m_hint;
    CBitmapButton* m_close;
    QPixmap m_background;
};
