// The time alignment dialog: each shown channel's speaker distance in, the delays that align them out.
#pragma once

#include "control/TimeAlignment.h"

#include <QDialog>

#include <array>

class CSession;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// A window of the frame, modal in it and opened with open(). An empty distance leaves its channel out (its
// delay stays); Apply plans and sets the delays through the core and shows what it did, or the core's
// refusal with nothing changed. The dialog stays open for the next try; Close or Escape ends it.
class CTimeAlignDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kChannels = 6;        // CH1..CH6, the channels the window shows
    static constexpr int kDistanceBase = 4700; // distance edit of CH1; + channel
    static constexpr int kCm = 4710;
    static constexpr int kInch = 4711;
    static constexpr int kResult = 4712;
    static constexpr int kApply = 4713;
    static constexpr int kClose = 4714;

    CTimeAlignDlg(CSession& session, QWidget* parent);

    QLineEdit* DistanceEdit(int channel) const { return m_edits[static_cast<std::size_t>(channel)]; }
    CTimeAlignment::Unit Unit() const;
    void SetUnit(CTimeAlignment::Unit unit);
    // What Apply did last: the plan and the text shown.
    const TimeAlignmentPlan& LastPlan() const { return m_plan; }
    QString ResultText() const;

    void Apply();

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Retranslate();
    void ShowResult();

    CSession& m_session;
    std::array<QLabel*, kChannels> m_names{};
    std::array<QLineEdit*, kChannels> m_edits{};
    QLabel* m_distanceTitle;
    QLabel* m_hint;
    QRadioButton* m_cm;
    QRadioButton* m_inch;
    QButtonGroup* m_units;
    QLabel* m_result;
    QPushButton* m_apply;
    QPushButton* m_close;
    TimeAlignmentPlan m_plan;
    bool m_applied = false;
};
