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
    static constexpr char kProgramName[] = "TALMO-QR-PRO";

    // `kind` and `description` name the device the link talks to, for the connection field.
    CTitleBar(DeviceOption::Kind kind, const QString& description, QWidget* parent = nullptr);

    // One of the five buttons by its control number; nullptr for another number.
    CTitleButton* Button(int id) const;
    // The Connect button's look and the connection field: the link is open or closed.
    void SetLinkOpen(bool open);
    bool LinkOpen() const { return m_linkOpen; }
    // The text of the connection field.
    QString ConnectionText() const;

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
    QLabel* m_field;
    QPixmap m_background; // band, hairline, mark and name: drawn once per size
};
