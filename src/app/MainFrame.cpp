// The program's one window: frameless, 1284 x 702 pixels, holding the main form.
#include "app/MainFrame.h"

#include "app/AppArt.h"
#include "app/TavelView.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

CMainFrame::CMainFrame(CSession& session, CInterfaceLanguage& language)
    : QMainWindow(nullptr, Qt::Window | Qt::FramelessWindowHint),
      m_view(new CTavelView(session, language, this)) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setWindowIcon(CAppArt::WindowIcon());
    setCentralWidget(m_view);
    setFixedSize(CTavelView::kSize);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this] { OnDisplayChange(); });
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::ShowCentred() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect free = screen->availableGeometry();
        move(free.center() - QPoint(width() / 2, height() / 2));
    }
    show();
}

void CMainFrame::OnDisplayChange() {
    setGeometry(QRect(QPoint(0, 0), CTavelView::kSize));
    show();
}

void CMainFrame::FollowScreen(QScreen* screen) {
    if (m_screen == screen)
        return;
    if (m_screen)
        disconnect(m_screen, nullptr, this, nullptr);
    m_screen = screen;
    if (!screen)
        return;
    connect(screen, &QScreen::geometryChanged, this, [this] { OnDisplayChange(); });
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (QWindow* handle = windowHandle()) {
        FollowScreen(handle->screen());
        connect(handle, &QWindow::screenChanged, this, &CMainFrame::FollowScreen, Qt::UniqueConnection);
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    m_view->ShutDownLink();
    QMainWindow::closeEvent(event);
}
