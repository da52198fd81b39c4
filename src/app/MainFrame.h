// The program's one window: frameless, 1284 x 702 pixels, holding the main form.
#pragma once

#include <QMainWindow>
#include <QPointer>

class CInterfaceLanguage;
class CSession;
class CTavelView;
class QScreen;

// Centred when first shown; back at (0, 0) in its own size whenever the display it is on changes. Closing
// it, by the form's close button or any other way, shuts the link down first.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    static constexpr char kTitle[] = "TALMO-QR-PRO";

    CMainFrame(CSession& session, CInterfaceLanguage& language);
    ~CMainFrame() override;

    CTavelView& View() const { return *m_view; }

    // Shows the window in the middle of its screen's free area.
    void ShowCentred();
    // The display changed (resolution, arrangement, another screen): the window goes back to (0, 0).
    void OnDisplayChange();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FollowScreen(QScreen* screen);

    CTavelView* m_view;
    QPointer<QScreen> m_screen; // whose geometry signals are followed
};
