// The main window on the in-process simulated device with a chosen timing profile, for the form's tests.
#pragma once

#include "app/DisplayDlg.h"
#include "app/InterfaceLanguage.h"
#include "app/MainFrame.h"
#include "app/MsgBox.h"
#include "app/TavelView.h"
#include "control/DeviceBackup.h"
#include "control/DeviceController.h"
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "sim/SimDevice.h"
#include "support/TempSettings.h"

#include <QApplication>
#include <QMessageBox>
#include <QtTest>

#include <memory>

// Built the way the program builds its window, but with the profile the test asks for: the fast one
// answers at once, the device's own has the box's pauses (slider tests count messages against it).
// Connects with the Connect button's operation, which the controller keeps public.
struct FormRig {
    static constexpr int kLimit = 15000; // generous; the fast profile needs a fraction of it

    CTempSettings settings;
    std::unique_ptr<CSession> session;
    CInterfaceLanguage language;
    std::unique_ptr<CMainFrame> frame;

    explicit FormRig(int lang = 0, const TimingProfile& timing = TimingProfile::Fast()) {
        SessionOptions o;
        o.device = DeviceOption{DeviceOption::Kind::Sim, {}};
        o.timing = timing;
        o.language = lang;
        session = std::make_unique<CSession>(o);
        language.Apply(lang);
        frame = std::make_unique<CMainFrame>(*session, language);
        // Automatic backups go to the temporary folder, never to the user's data folder.
        View().Backup().SetFolder(BackupFolder());
        frame->move(0, 0);
        frame->show();
    }
    ~FormRig() {
        frame.reset(); // the form shuts the link down before the session goes
        session.reset();
    }
    FormRig(const FormRig&) = delete;
    FormRig& operator=(const FormRig&) = delete;

    CTavelView& View() { return frame->View(); }
    QString BackupFolder() const { return settings.path() + QStringLiteral("/backups"); }
    CDeviceController& Controller() { return session->Controller(); }
    CModelEditor& Editor() { return session->Editor(); }
    ModelGlobals& G() { return session->Globals(); }
    CSimDevice& Sim() { return *session->Sim(); }
    template <typename T> T* Find(int id) { return View().findChild<T*>(QString::number(id)); }

    bool Connect() {
        if (!Controller().LinkOpen() && !Controller().ToggleConnection())
            return false;
        return QTest::qWaitFor(
            [this] { return Controller().Connected() && !View().TransferPopup().isVisible(); }, kLimit);
    }
    bool WaitForPolls(int n) {
        const int until = Sim().Counters().statusPolls + n;
        return QTest::qWaitFor([&] { return Sim().Counters().statusPolls >= until; }, kLimit);
    }
    // Status replies are compared with the window's values only from the 100th poll after a local
    // master-volume change (or 20 polls after the connection).
    bool WaitUntilPollsCompared() { return WaitForPolls(KTVCommand::kPollCompareFull + 5); }
};

// Message boxes on screen, as the user sees them: windows of the application.
inline QList<QMessageBox*> VisibleBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            boxes << box;
    return boxes;
}

inline QMessageBox* BoxSaying(const QString& text) {
    for (QMessageBox* box : VisibleBoxes())
        if (box->text() == text)
            return box;
    return nullptr;
}
