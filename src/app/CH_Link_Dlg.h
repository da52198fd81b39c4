// The channel-link dialog: which channel of each speaker pair keeps its settings when the pairs are linked.
#pragma once

#include "control/ModelEditor.h"

#include <QDialog>
#include <QPixmap>

#include <span>
#include <vector>

class CBitmapButton;
class CSkinStatic;
class QButtonGroup;

// Two toggles choose the reference: 2420 the first channel of each pair (the left one; pressed at start),
// 2421 the second; pressing one releases the other. OK (2418) accepts with that choice; Cancel (2419),
// Escape and closing the window cancel. The pairs the speaker types form are listed, so that the user sees
// what will be linked; the dialog itself changes nothing.
class CCH_Link_Dlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kId = 370;
    static constexpr int kFirst = 2420;
    static constexpr int kSecond = 2421;
    static constexpr int kOk = 2418;
    static constexpr int kCancel = 2419;

    CCH_Link_Dlg(std::span<const LinkPair> pairs, QWidget* parent = nullptr);

    // 0: the first channel of each pair is the reference; 1: the second.
    int Reference() const;
    CBitmapButton* Button(int id) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    void ShowChoice();
    void RebuildBackground();

    std::vector<LinkPair> m_pairs; // the active ones
    CSkinStatic* m_prompt;
    CSkinStatic* m_pairList;
    CSkinStatic* m_effect; // what the chosen reference does
    CBitmapButton* m_first;
    CBitmapButton* m_second;
    CBitmapButton* m_ok;
    CBitmapButton* m_cancel;
    QButtonGroup* m_choice;
    QPixmap m_background;
};
