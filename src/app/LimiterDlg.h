// The routing matrix window: the level of each input in each output channel, edited as a 6 x 6 matrix.
#pragma once

#include <QDialog>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QPointer>

#include <array>
#include <cstdint>

class CBitmapButton;
class CBitmapSlider;
class CNumEdit;
class CNumSpin;
class CSession;
class CSkinStatic;

// Modeless and without a caption: it is dragged by its top band and closed with its close button, which
// posts UM_ROUTING_WINDOW_CLOSED (wParam = kId) to the owner; the owner destroys it. Each output channel
// CH1..CH6 is a group of vertical faders, one per input 1..6, with the level as a number under each.
// Thin: a cell change hands the channel's whole row of levels to the edit entry point (which stores inputs
// 0..5, marks slice 33 while connected and applies the edit to linked channels); rows are re-read from the
// model when the editor says a channel's mix changed and when Refresh is called (after a device read).
class CLimiterDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kId = 402;
    // Cell ids: family base + 12 x output channel + input, for 12 x 12 cells of which the window shows the
    // 6 x 6 it edits; the others have no device meaning and are not made.
    static constexpr int kSliderBase = 2435;
    static constexpr int kEditBase = 2582;
    static constexpr int kSpinBase = 2730; // hidden: holds the level for the edit
    static constexpr int kStride = 12;
    static constexpr int kShown = 6;
    static constexpr int kClose = 2281;
    static constexpr int kMaxLevel = 100; // percent
    static constexpr int kDragBand = 30;  // the top band of the window drags it

    // `owner` receives UM_ROUTING_WINDOW_CLOSED. The window is a separate top-level window over `parent`.
    CLimiterDlg(CSession& session, QObject* owner, QWidget* parent = nullptr);

    // Every row from the model.
    void Refresh();
    // Marks the group of `channel` (0..5) as the form's current channel.
    void ShowCurrent(int channel);
    int ShownCurrent() const { return m_current; }
    // The editor of the current channel's first input takes the focus.
    void FocusCurrent();

    // Row = output channel 0..5, input 0..5; null outside.
    CBitmapSlider* Slider(int row, int input) const;
    CNumEdit* Edit(int row, int input) const;
    CNumSpin* Spin(int row, int input) const;
    CBitmapButton* CloseButton() const { return m_close; }
    // The controls in their Tab order.
    QList<QWidget*> TabStops() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Cell {
        CBitmapSlider* slider = nullptr;
        CNumEdit* edit = nullptr;
        CNumSpin* spin = nullptr;
        CSkinStatic* label = nullptr;
    };

    const Cell* At(int row, int input) const;
    // The cell whose slider, editor or spin carries `id`, as row * kShown + input; -1 for none.
    static int CellOfId(int id);
    void RefreshRow(int row);
    // The user set cell (row, input) to `level`: the row's levels go to the editor.
    void CellChanged(int row, int input, int level);
    void FocusNextEdit(const CNumEdit* from);
    void RequestClose();
    void Retranslate();
    void RebuildBackground();

    CSession& m_session;
    QPointer<QObject> m_owner;
    std::array<Cell, kShown * kShown> m_cells{};
    std::array<CSkinStatic*, kShown> m_headers{};
    CSkinStatic* m_title;
    CSkinStatic* m_hint;
    CBitmapButton* m_close;
    int m_current = 0;
    QPixmap m_background; // the bands and the group panels, with the current group marked
    bool m_dragging = false;
    QPoint m_dragOffset; // from the window's corner to the mouse
};
