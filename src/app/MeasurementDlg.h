// The measurement dialog: the current channel's measured response file, its smoothing and its 0 dB level.
#pragma once

#include <QDialog>

class CMeasuredResponse;
class CTavelView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Modeless, so that the EQ can be edited while the graph shows the prediction; it follows the current
// channel. A file is read by the core; a refused one changes nothing and is shown in the window's message
// box. Every change goes to the channel's measurement and then to the graph through the form.
class CMeasurementDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kChannelName = 4750;
    static constexpr int kFileName = 4751;
    static constexpr int kLoad = 4752;
    static constexpr int kClear = 4753;
    static constexpr int kSmoothing = 4754;
    static constexpr int kLevelOn = 4755;
    static constexpr int kLevelHz = 4756;
    static constexpr int kClose = 4757;

    CMeasurementDlg(CTavelView& view, QWidget* parent);

    int Channel() const { return m_channel; }
    // Asks for a file and reads it onto the channel.
    void Load();
    void Clear();
    // Reads `path` onto the channel, or shows why not (nothing changed).
    void ReadFile(const QString& path);

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void FollowChannel(int channel);
    CMeasuredResponse& Measurement() const;
    void SmoothingChosen(int index);
    void LevelChanged();
    void ShowState();
    void Retranslate();

    CTavelView& m_view;
    int m_channel = 0;
    QLabel* m_channelName;
    QLabel* m_fileTitle;
    QLabel* m_fileName;
    QPushButton* m_load;
    QPushButton* m_clear;
    QLabel* m_smoothingTitle;
    QComboBox* m_smoothing;
    QCheckBox* m_levelOn;
    QLineEdit* m_levelHz;
    QLabel* m_hz;
    QLabel* m_hint;
    QPushButton* m_close;
};
