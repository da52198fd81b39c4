// The crossover panel of the main form: high-pass and low-pass corner, family and slope of the current
// channel.
#pragma once

#include "control/ModelEditor.h"

#include <QList>
#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>

class CListButton;
class CNumEdit;
class CNumSpin;
class CSession;
class CSkinStatic;
class CTavelView;

// Sits in the master region's crossover area. Thin: a chosen entry or a typed corner is one call on the edit
// entry point, which copies it to the linked channels and keeps the low-pass corner from ending below the
// high-pass corner; the controls show the current channel's filters again on every selection, every whole-
// window refresh, every crossover change of the current channel and every corner dragged on the graph
// (UM_GRAPH_POINT_MOVED 31 and 32). The lists post UM_LIST_SELECTED to the form, which hands 5514..5517
// back here.
class CCrossoverPanel : public QWidget {
    Q_OBJECT

public:
    // Control ids: the frequency edits with their hidden value holders, the family ("type") and slope lists
    // with the wParam their UM_LIST_SELECTED carries.
    static constexpr int kHighPassEdit = 5500;
    static constexpr int kHighPassSpin = 5501;
    static constexpr int kLowPassEdit = 5502;
    static constexpr int kLowPassSpin = 5503;
    static constexpr int kHighPassType = 5510;
    static constexpr int kHighPassSlope = 5511;
    static constexpr int kLowPassType = 5512;
    static constexpr int kLowPassSlope = 5513;
    static constexpr int kHighPassTypeList = 5514;
    static constexpr int kHighPassSlopeList = 5515;
    static constexpr int kLowPassTypeList = 5516;
    static constexpr int kLowPassSlopeList = 5517;
    static constexpr int kMinFreq = 20; // Hz, the range of both crossover filters
    static constexpr int kMaxFreq = 20000;

    // Places itself at CMasterPanel::kCrossoverArea of `parent` (the master region's host) and subscribes to
    // the form's selection, refresh and control messages.
    CCrossoverPanel(CSession& session, CTavelView& form, QWidget* parent);

    // Loads the current channel's high-pass and low-pass filters into the six controls.
    void RefreshCrossover();

    // The user's choices, handed back by the form from the controls' messages.
    void FamilyChosen(Xover which, int family);
    void SlopeChosen(Xover which, int slope);

    CNumEdit* FreqEdit(Xover which) const { return Side(which).freq; }
    CListButton* TypeList(Xover which) const { return Side(which).type; }
    CListButton* SlopeList(Xover which) const { return Side(which).slope; }
    // High-pass frequency, type, slope, then the same of the low-pass.
    QList<QWidget*> TabStops() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    struct FilterControls {
        CSkinStatic* header = nullptr;
        CNumEdit* freq = nullptr;
        CNumSpin* spin = nullptr;
        CListButton* type = nullptr;
        CListButton* slope = nullptr;
    };

    const FilterControls& Side(Xover which) const;
    void Build(Xover which, QObject* messageTarget);
    void Retranslate();
    void OnListSelected(std::intptr_t listId, int index);
    void FreqEdited(Xover which, int freq);
    CFilter& Filter(Xover which) const;

    CSession& m_session;
    CTavelView& m_form;
    CSkinStatic* m_title;
    std::array<CSkinStatic*, 3> m_rowLabels{}; // frequency, type, slope
    std::array<FilterControls, 2> m_sides{};   // high-pass, low-pass
};
