// The master panel's bottom row: the routing matrix button and the channel-pair Link button.
#include "app/LinkRow.h"

#include "app/CH_Link_Dlg.h"
#include "app/LimiterDlg.h"
#include "app/MasterPanel.h"
#include "app/MsgBox.h"
#include "app/TavelView.h"
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "controls/BitmapButton.h"
#include "link/Notifier.h"

#include <QEvent>

namespace {

// Row coordinates: two buttons of equal width.
constexpr int kGap = 8;
constexpr int kButtonWidth = (CMasterPanel::kLinkRow.width() - kGap) / 2;

} // namespace

CLinkRow::CLinkRow(CTavelView& view, QWidget* parent)
    : QWidget(parent), m_view(view), m_routing(new CBitmapButton(this)), m_link(new CBitmapButton(this)) {
    setObjectName(QStringLiteral("linkRow"));
    setGeometry(CMasterPanel::kLinkRow);
    m_routing->setObjectName(QString::number(kRouting));
    m_routing->setGeometry(0, 0, kButtonWidth, height());
    m_link->setObjectName(QString::number(kLink));
    m_link->setCheckable(true);
    m_link->setGeometry(width() - kButtonWidth, 0, kButtonWidth, height());

    connect(m_routing, &QAbstractButton::clicked, this, &CLinkRow::OpenRouting);
    connect(m_link, &QAbstractButton::clicked, this, &CLinkRow::LinkClicked);

    CModelEditor& editor = view.Session().Editor();
    connect(&editor, &CModelEditor::linkGroupsChanged, this, &CLinkRow::ShowLinkState);
    // The routing window reports closing to the form, which hands the message here.
    view.RouteMessage(UM_ROUTING_WINDOW_CLOSED, CLimiterDlg::kId, CLimiterDlg::kId,
                      [this](int, std::intptr_t, std::intptr_t) { delete m_routingWindow.data(); });
    connect(&view, &CTavelView::allRefreshed, this, [this] {
        if (m_routingWindow)
            m_routingWindow->Refresh();
    });
    connect(&view, &CTavelView::channelSelected, this, [this](int channel) {
        if (m_routingWindow)
            m_routingWindow->ShowCurrent(channel);
    });

    Retranslate();
    ShowLinkState();
}

CLimiterDlg* CLinkRow::RoutingWindow() const {
    return m_routingWindow;
}

CCH_Link_Dlg* CLinkRow::LinkDialog() const {
    return m_linkDialog;
}

QList<QWidget*> CLinkRow::TabStops() const {
    return {m_routing, m_link};
}

void CLinkRow::OpenRouting() {
    if (!m_routingWindow) {
        // A window of its own over the frame, so that a modal transfer of the form leaves it usable.
        m_routingWindow = new CLimiterDlg(m_view.Session(), &m_view, m_view.window());
        // Over the lower part of the form (the strips and the EQ page), the graph left in view.
        const QPoint form = m_view.mapToGlobal(QPoint(0, 0));
        m_routingWindow->move(form.x() + (m_view.width() - m_routingWindow->width()) / 2,
                              form.y() + m_view.height() - m_routingWindow->height());
    }
    m_routingWindow->ShowCurrent(m_view.CurrentChannel());
    m_routingWindow->show();
    m_routingWindow->raise();
    m_routingWindow->activateWindow();
    m_routingWindow->FocusCurrent();
}

void CLinkRow::LinkClicked() {
    CModelEditor& editor = m_view.Session().Editor();
    if (editor.LinkOn()) {
        editor.Unlink();
        ShowLinkState();
        return;
    }
    // The button shows the link, which only the dialog's OK switches on.
    ShowLinkState();
    if (m_linkDialog) {
        m_linkDialog->raise();
        return;
    }
    editor.BuildPairTable(); // the pairs the dialog lists; linking builds the table again
    m_linkDialog = new CCH_Link_Dlg(editor.Pairs(), m_view.window());
    m_linkDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_linkDialog, &QDialog::accepted, this, [this, dialog = m_linkDialog] {
        if (dialog)
            Link(dialog->Reference());
    });
    m_linkDialog->open();
}

void CLinkRow::Link(int reference) {
    const Status linked = m_view.Session().Editor().LinkPairs(reference);
    if (!linked)
        m_view.MsgBox().Show(linked.error()); // opened without an event loop of its own
    ShowLinkState();
}

void CLinkRow::ShowLinkState() {
    m_link->setChecked(m_view.Session().Editor().LinkOn());
}

void CLinkRow::Retranslate() {
    m_routing->SetText({tr("Routing"), {}});
    m_routing->SetAccessibleText({tr("Open the routing matrix"), {}});
    m_routing->setToolTip(tr("Levels of the inputs in each output channel"));
    m_link->SetText({tr("Link"), {}});
    m_link->SetAccessibleText({tr("Link the channel pairs"), {}});
    m_link->setToolTip(tr("Link the left and right channels of each speaker pair, or unlink them"));
}

void CLinkRow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}
