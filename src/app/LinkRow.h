// The master panel's bottom row: the routing matrix button and the channel-pair Link button.
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class CBitmapButton;
class CCH_Link_Dlg;
class CLimiterDlg;
class CTavelView;

// Sits in CMasterPanel::kLinkRow of the master region. The routing button opens the routing matrix window
// (one at a time; a second press brings it forward) with the form's current channel marked, and destroys
// it when it reports closing. The Link button asks for the reference channel and links the speaker pairs
// through the edit entry point, or unlinks every channel when the link is on; it shows whether the link is
// on, which a whole-window refresh ends.
class CLinkRow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRouting = 3418;
    static constexpr int kLink = 2247;

    CLinkRow(CTavelView& view, QWidget* parent);

    void OpenRouting();
    void LinkClicked();

    CBitmapButton* RoutingButton() const { return m_routing; }
    CBitmapButton* LinkButton() const { return m_link; }
    CLimiterDlg* RoutingWindow() const; // null while none is open
    CCH_Link_Dlg* LinkDialog() const;
    QList<QWidget*> TabStops() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void Link(int reference);
    void ShowLinkState();
    void Retranslate();

    CTavelView& m_view;
    CBitmapButton* m_routing;
    CBitmapButton* m_link;
    QPointer<CLimiterDlg> m_routingWindow;
    QPointer<CCH_Link_Dlg> m_linkDialog;
};
