// The firmware update dialog: choose a DSP or hand-controller firmware file and send it to the device.
#include "app/UpgradeDlg.h"

#include "app/AppFont.h"
#include "app/DialogLook.h"
#include "app/FileChooser.h"
#include "app/MsgBox.h"
#include "control/DeviceBackup.h"
#include "control/DeviceController.h"
#include "control/Session.h"
#include "controls/BitmapButton.h"
#include "controls/SkinPalette.h"
#include "controls/SkinProgress.h"
#include "controls/SkinStatic.h"
#include "link/Notifier.h"
#include "link/SettingsStore.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>

#include <utility>

namespace {

constexpr QSize kSize{520, 246};
constexpr QRect kHintRect{CDialogLook::kMargin, 14, 480, 40};
constexpr QRect kPathLabelRect{CDialogLook::kMargin, 60, 480, 18};
constexpr QRect kPathRect{CDialogLook::kMargin, 80, 372, 32};
constexpr QRect kBrowseRect{400, 80, 100, 32};
constexpr QRect kProgressRect{CDialogLook::kMargin, 128, 480, 10};
constexpr QRect kStatusRect{CDialogLook::kMargin, 146, 480, 20};
constexpr int kRuleY = 182;
constexpr QRect kStartRect{284, 194, CDialogLook::kBottomButtonWidth, CDialogLook::kButtonHeight};
constexpr QRect kCloseRect{392, 194, CDialogLook::kBottomButtonWidth, CDialogLook::kButtonHeight};

// Where the file dialog starts: the remembered file's folder, else the remembered dialog folder (the data
// folder pattern's folder, or the folder it would be in).
QString StartFolder(const CSettingsStore& settings) {
    const QFileInfo file(settings.FirmwareFile());
    if (!settings.FirmwareFile().isEmpty() && file.absoluteDir().exists())
        return file.absolutePath();
    QString folder = QFileInfo(QDir::fromNativeSeparators(settings.DialogPath())).absolutePath();
    while (!QDir(folder).exists()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            return QDir::homePath();
        folder = parent;
    }
    return folder;
}

} // namespace

CUpgradeDlg::CUpgradeDlg(CSession& session, CSettingsStore& settings, CMsgBox& msgBox, CFileChooser& files,
                         QWidget* parent)
    : QDialog(parent), m_session(session), m_settings(settings), m_msgBox(msgBox), m_files(files),
      m_update(session.Controller().FirmwareHost(), settings, session.Options().timing),
      m_hint(new CSkinStatic(this)), m_pathLabel(new CSkinStatic(this)), m_path(new QLineEdit(this)),
      m_browse(new CBitmapButton(this)), m_progress(new CSkinProgress(this)), m_status(new CSkinStatic(this)),
      m_start(new CBitmapButton(this)), m_close(new CBitmapButton(this)) {
    setObjectName(QString::number(kId));
    setFixedSize(kSize);

    m_hint->setGeometry(kHintRect);
    m_hint->SetPixelSize(CAppFont::kSmall);
    m_hint->SetWordWrap(true);
    m_pathLabel->setGeometry(kPathLabelRect);
    m_pathLabel->SetPixelSize(CAppFont::kSmall, QFont::DemiBold);
    m_path->setObjectName(QString::number(kPath));
    m_path->setGeometry(kPathRect);
    m_path->setFont(CAppFont::Pixels(CAppFont::kBody));
    m_path->setStyleSheet(CDialogLook::FieldStyle());
    m_path->setText(settings.FirmwareFile());
    m_browse->setObjectName(QString::number(kBrowse));
    m_browse->setGeometry(kBrowseRect);
    m_progress->setObjectName(QString::number(kProgress));
    m_progress->setGeometry(kProgressRect);
    m_progress->SetRange(0, 0);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setGeometry(kStatusRect);
    m_status->SetPixelSize(CAppFont::kSmall);
    m_start->setObjectName(QString::number(kStart));
    m_start->setGeometry(kStartRect);
    m_close->setObjectName(QStringLiteral("close"));
    m_close->setGeometry(kCloseRect);

    connect(m_browse, &QAbstractButton::clicked, this, &CUpgradeDlg::Browse);
    connect(m_start, &QAbstractButton::clicked, this, &CUpgradeDlg::Start);
    connect(m_close, &QAbstractButton::clicked, this, &CUpgradeDlg::reject);
    setTabOrder(m_path, m_browse);
    setTabOrder(m_browse, m_start);
    setTabOrder(m_start, m_close);

    // The controller acts on a notification after the dialog has seen it: the state is read once it has.
    m_stateTimer.setSingleShot(true);
    m_stateTimer.setInterval(0);
    connect(&m_stateTimer, &QTimer::timeout, this, &CUpgradeDlg::ShowState);
    connect(&session, &CSession::linkStateChanged, this, &CUpgradeDlg::ShowState);
    connect(&session, &CSession::messageShown, this, &CUpgradeDlg::ShowState);

    CDeviceController& controller = session.Controller();
    controller.SetFirmwareUpdate(&m_update);
    controller.SetMessageObserver([this](int message, std::intptr_t wParam, std::intptr_t lParam) {
        Observe(message, wParam, lParam);
    });
    Retranslate();
    ShowState();
}

CUpgradeDlg::~CUpgradeDlg() {
    CDeviceController& controller = m_session.Controller();
    // Only the program's end takes the dialog away during an update (its close is refused): the worker must
    // have left the update's cycle before the update goes.
    if (m_update.InProgress())
        controller.StopForExit();
    controller.SetMessageObserver({});
    controller.SetFirmwareUpdate(nullptr);
}

void CUpgradeDlg::Observe(int message, std::intptr_t wParam, std::intptr_t lParam) {
    if (message == UM_FIRMWARE_PROGRESS) {
        m_progress->SetPosition(static_cast<int>(wParam));
        emit progressMoved(m_progress->Position(), m_progress->Maximum());
    } else if (message == UM_FIRMWARE_STATUS && lParam == CFirmwareUpdate::kStatusFinished &&
               m_update.InProgress()) {
        // The frame count is an upper bound of the frames sent: the bar fills once the device has them all.
        m_finished = true;
        m_progress->SetPosition(m_progress->Maximum());
        emit progressMoved(m_progress->Position(), m_progress->Maximum());
    }
    m_stateTimer.start();
}

void CUpgradeDlg::Browse() {
    if (m_update.RefuseWhileUpdating())
        return;
    FileRequest request;
    request.mode = FileRequest::Mode::Open;
    request.title = tr("Choose a firmware file");
    request.filters = QStringList{tr("Firmware files (*.MVA *.contr)"), tr("All files (*)")};
    request.directory = StartFolder(m_settings);
    request.fileName = QFileInfo(m_settings.FirmwareFile()).fileName();
    QPointer<CUpgradeDlg> self(this);
    m_files.Choose(this, request, [self](const QString& path) {
        if (!self || path.isEmpty())
            return;
        if (self->m_update.BrowseFirmware(path)) // stores and saves the location
            self->m_path->setText(self->m_settings.FirmwareFile());
    });
}

void CUpgradeDlg::SetBackup(CDeviceBackup* backup) {
    if (m_backup)
        disconnect(m_backup, nullptr, this, nullptr);
    m_backup = backup;
    if (!m_backup)
        return;
    // A failed backup asks the user; the update starts on a yes through the step, a no leaves the dialog
    // ready for another try.
    connect(m_backup, &CDeviceBackup::backupFailed, this, [this] {
        if (!std::exchange(m_backingUp, false))
            return;
        ShowState();
    });
}

void CUpgradeDlg::Start() {
    if (Busy() || m_backingUp)
        return;
    m_settings.SetFirmwareFile(m_path->text().trimmed());
    const FirmwareLoad load = m_update.LoadFirmware();
    CDeviceController& controller = m_session.Controller();
    if (!load.status) {
        controller.ShowMessage(load.status.error());
        m_path->setText(m_settings.FirmwareFile()); // cleared when the file could not be read
        return;
    }
    if (!load.notice) {
        BeginUpdate();
        return;
    }
    // The hand controller's warning asks the user to act before the update: it goes ahead on OK only.
    QPointer<CUpgradeDlg> self(this);
    m_msgBox.Ask(
        load.notice->In(m_session.Globals().language.load()),
        [self](bool ok) {
            if (self && ok)
                self->BeginUpdate();
        },
        CMsgBox::Choice::OkCancel);
}

void CUpgradeDlg::BeginUpdate() {
    if (Busy() || m_backingUp)
        return;
    if (!m_backup) {
        StartLoadedUpdate();
        return;
    }
    QPointer<CUpgradeDlg> self(this);
    m_backingUp = true;
    const CDeviceBackup::Start start = m_backup->Run(CDeviceBackup::Reason::FirmwareUpdate, [self] {
        if (!self)
            return; // the dialog was closed meanwhile: no update
        self->m_backingUp = false;
        self->StartLoadedUpdate();
    });
    if (start != CDeviceBackup::Start::Running)
        m_backingUp = false;
    ShowState();
}

void CUpgradeDlg::StartLoadedUpdate() {
    if (Busy())
        return;
    m_finished = false;
    m_outcome = Outcome::None;
    if (m_update.StartLoadedUpdate()) {
        m_progress->SetRange(0, m_update.ProgressRange());
        m_progress->SetPosition(0);
    }
    ShowState();
}

void CUpgradeDlg::ShowState() {
    const bool busy = Busy();
    if (m_wasBusy && !busy) {
        m_outcome = m_finished ? Outcome::Succeeded : Outcome::Failed;
        emit updateEnded(m_finished);
    }
    m_wasBusy = busy;
    m_start->setEnabled(!busy && !m_backingUp);
    m_path->setReadOnly(busy || m_backingUp);

    QString text;
    QColor colour = CSkinPalette::DimText();
    if (m_backingUp) {
        text = tr("Saving a backup of the device first...");
    } else if (m_update.Starting()) {
        text = tr("Waiting for the device...");
    } else if (busy) {
        text = tr("Updating. Keep the device connected and switched on.");
        colour = QColor(232, 170, 72);
    } else if (m_outcome == Outcome::Succeeded) {
        text = CFirmwareUpdate::kUpdateDone.In(m_session.Globals().language.load());
        colour = QColor(110, 200, 120);
    } else if (m_outcome == Outcome::Failed) {
        text = tr("The update did not finish.");
        colour = QColor(230, 110, 100);
    }
    m_status->SetText({text, {}});
    m_status->SetColour(colour);
}

void CUpgradeDlg::reject() {
    if (m_update.RefuseWhileUpdating())
        return;
    QDialog::reject();
}

void CUpgradeDlg::Retranslate() {
    setWindowTitle(tr("Device Firmware Update"));
    m_hint->SetText({tr("Choose the firmware file: .MVA for the DSP, .contr for the hand controller. The "
                        "update takes over the connection; keep the device connected until it has finished."),
                     {}});
    m_pathLabel->SetText({tr("Firmware file"), {}});
    m_path->setAccessibleName(tr("Firmware file"));
    m_path->setPlaceholderText(tr("No file chosen"));
    m_browse->SetText({tr("Browse..."), {}});
    m_browse->SetAccessibleText({tr("Choose a firmware file"), {}});
    m_progress->SetAccessibleText({tr("Update progress"), {}});
    m_start->SetText({tr("Start"), {}});
    m_start->SetAccessibleText({tr("Start the firmware update"), {}});
    m_close->SetText({tr("Close"), {}});
    ShowState();
}

void CUpgradeDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    CDialogLook::PaintFace(p, rect());
    CDialogLook::PaintRule(p, kRuleY, width());
}

void CUpgradeDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}
