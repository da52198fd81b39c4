// The window's title bar: the program's name, the Connect button, what the window is connected to, the
// settings and preset menu buttons, minimise and close.
#pragma once

#include "control/DeviceOption.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

class CTitleButton;
class QLabel;

// Shows; the form (CTavelView) connects the buttons to the commands. A press on the bar itself, off every
// button, is left to the form, which drags the window with it.
class CTitleBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 40;
    static constexpr int kConnect = 1413;
    static constexpr int kSettingsMenu = 2065;
    static constexpr int kPresetMenu = 3415;
    static constexpr int kMinimise = 2282;
    static constexpr int kClose = 2281;
    static constexpr int kUndo = 3420;
    static constexpr int kRedo = 3421;
    static constexpr int kSlotA = 3422;  // A/B: slot A live
    static constexpr int kSlotB = 3423;  // A/B: slot B live
    static constexpr int kAbCopy = 3424; // A/B: the copy menu
    static constexpr char kProgramName[] = "TALMO-QR-PRO";

    // `kind` and `description` name the device the link talks to, for the connection field.
    CTitleBar(DeviceOption::Kind kind, const QString& description, QWidget* parent = nullptr);

    // One of the buttons by its control number; nullptr for another number.
    CTitleButton* Button(int id) const;
    // The Connect button's look and the connection field: the link is open or closed.
    void SetLinkOpen(bool open);
    bool LinkOpen() const { return m_linkOpen; }
    // The text of the connection field.
    QString ConnectionText() const;
    // The Undo and Redo buttons: whether each can act, and what it would change (their tool tips).
    void SetHistory(bool canUndo, const QString& undoText, bool canRedo, const QString& redoText);
    // The A/B buttons: the live slot is lit.
    void SetLiveSlot(int slot);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    void RebuildBackground();

    DeviceOption::Kind m_kind;
    QString m_description;
    bool m_linkOpen = false;
    CTitleButton* m_connect;
    CTitleButton* m_settings;
    CTitleButton* m_presets;
    CTitleButton* m_minimise;
    CTitleButton* m_close;
    CTitleButton* m_undo;
    CTitleButton* m_redo;
    CTitleButton* m_slotA;
    CTitleButton* m_slotB;
    CTitleButton* m_abCopy;
    QString m_undoText;
    QString m_redoText;
    QLabel* m_field;
    QPixmap m_background; // band, hairline, mark and name: drawn once per size
};
