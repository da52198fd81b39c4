// Automatic backups of the device's data before destructive steps, as all-data files in the user's folder.
#include "control/DeviceBackup.h"

#include "control/DeviceController.h"
#include "control/PresetMemories.h"
#include "control/Session.h"
#include "presets/PresetFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr char kStampFormat[] = "yyyy-MM-dd_HH-mm-ss";

struct ReasonNameEntry {
    CDeviceBackup::Reason reason;
    const char* name;
};

constexpr std::array<ReasonNameEntry, 4> kReasonNames{{
    {CDeviceBackup::Reason::FactoryReset, "factory-reset"},
    {CDeviceBackup::Reason::FirmwareUpdate, "firmware-update"},
    {CDeviceBackup::Reason::LoadAllData, "load-all-data"},
    {CDeviceBackup::Reason::StorePreset, "store-preset"},
}};

const QRegularExpression& NamePattern() {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2})_(factory-reset|firmware-update|load-all-"
                       "data|store-preset)"
                       "(?:-([1-9]\\d{0,3}))?\\.dspa$"));
    return pattern;
}

} // namespace

CDeviceBackup::CDeviceBackup(CSession& session, QObject* parent)
    : QObject(parent), m_session(session), m_folder(DefaultFolder()) {
    connect(&session, &CSession::transferFinished, this, &CDeviceBackup::TransferEnded);
    connect(&session, &CSession::linkStateChanged, this, &CDeviceBackup::LinkChanged);
}

CDeviceBackup::~CDeviceBackup() {
    if (m_stage == Stage::Reading)
        m_session.Presets().CancelAllDataSave();
}

QString CDeviceBackup::DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/') +
           QLatin1String(kFolderName);
}

QString CDeviceBackup::ReasonName(Reason reason) {
    for (const ReasonNameEntry& entry : kReasonNames)
        if (entry.reason == reason)
            return QLatin1String(entry.name);
    return {};
}

QString CDeviceBackup::FileName(const QDateTime& time, Reason reason, int sequence) {
    QString name = time.toString(QLatin1String(kStampFormat)) + QLatin1Char('_') + ReasonName(reason);
    if (sequence > 0)
        name += QLatin1Char('-') + QString::number(sequence);
    return name + QLatin1Char('.') + QLatin1String(PresetFileFormat::kAllSuffix);
}

std::optional<BackupEntry> CDeviceBackup::Parse(const QString& path) {
    const QRegularExpressionMatch match = NamePattern().match(QFileInfo(path).fileName());
    if (!match.hasMatch())
        return std::nullopt;
    BackupEntry entry;
    entry.path = path;
    entry.time = QDateTime::fromString(match.captured(1), QLatin1String(kStampFormat));
    if (!entry.time.isValid())
        return std::nullopt; // e.g. month 13
    entry.reason = match.captured(2);
    entry.sequence = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
    return entry;
}

QList<BackupEntry> CDeviceBackup::Backups() const {
    QList<BackupEntry> entries;
    const QDir dir(m_folder);
    const QStringList filter{QStringLiteral("*.") + QLatin1String(PresetFileFormat::kAllSuffix)};
    for (const QFileInfo& info : dir.entryInfoList(filter, QDir::Files))
        if (auto entry = Parse(info.absoluteFilePath()))
            entries.append(*entry);
    std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
        if (a.time != b.time)
            return a.time > b.time;
        return a.sequence > b.sequence;
    });
    return entries;
}

QString CDeviceBackup::FreePath(Reason reason) const {
    const QDateTime now = QDateTime::currentDateTime();
    const QDir dir(m_folder);
    // Backups of one second keep apart and in order, whatever their reasons: the sequence is the second's
    // own count.
    for (int sequence = 0;; ++sequence) {
        const bool taken =
            std::any_of(kReasonNames.begin(), kReasonNames.end(), [&](const ReasonNameEntry& e) {
                return QFileInfo::exists(dir.filePath(FileName(now, e.reason, sequence)));
            });
        if (!taken)
            return dir.filePath(FileName(now, reason, sequence));
    }
}

CDeviceBackup::Start CDeviceBackup::Run(Reason reason, Step step) {
    CDeviceController& controller = m_session.Controller();
    // A second window (a preset dialog) stays usable meanwhile; the all-data save of Source Save waits for
    // the same read, whose file would be lost if the backup took its place.
    const bool saving = controller.LinkOpen() && !m_session.Presets().PendingAllDataPath().isEmpty();
    if (Running() || (m_enabled && saving)) {
        controller.ShowMessage(kBusy);
        return Start::Refused;
    }
    if (!m_enabled || !controller.LinkOpen() || controller.FirmwareUpdating()) {
        if (step)
            step();
        return Start::Skipped;
    }
    m_step = std::move(step);
    m_stage = Stage::Reading;
    if (!QDir().mkpath(m_folder) || !QFileInfo(m_folder).isWritable()) {
        // Said from the event loop like every other outcome: the caller's own call returns first.
        QTimer::singleShot(0, this, [this] { Fail(kFolderError); });
        return Start::Running;
    }
    m_path = FreePath(reason);
    m_session.Presets().SaveAllData(m_path, [this](const Status& written) { FileWritten(written); });
    return Start::Running;
}

void CDeviceBackup::FileWritten(const Status& written) {
    if (m_stage != Stage::Reading)
        return;
    if (!written) {
        m_stage = Stage::Finishing;
        QTimer::singleShot(0, this, [this] { Fail(kFileError); });
        return;
    }
    // The read's transfer ends with the master output switched back; the step queues after that.
    m_stage = Stage::Ending;
}

void CDeviceBackup::TransferEnded() {
    if (m_stage != Stage::Ending)
        return;
    m_stage = Stage::Finishing;
    QTimer::singleShot(0, this, [this] { Finish(); });
}

void CDeviceBackup::LinkChanged(bool open) {
    if (open)
        return;
    if (m_stage == Stage::Idle) {
        // A read lost with the link never ends (the next link starts with an empty queue): an all-data
        // save still waiting for it would refuse every backup from now on.
        m_session.Presets().CancelAllDataSave();
        return;
    }
    if (m_stage == Stage::Reading) {
        m_session.Presets().CancelAllDataSave();
        m_stage = Stage::Finishing;
        QTimer::singleShot(0, this, [this] { Fail(kLinkLost); });
    } else if (m_stage == Stage::Ending) {
        // The file is complete; the step meets the closed link itself and says so.
        TransferEnded();
    }
}

void CDeviceBackup::Finish() {
    m_stage = Stage::Idle;
    const QString path = std::exchange(m_path, QString());
    Step step = std::exchange(m_step, nullptr);
    emit backupWritten(path);
    if (step)
        step();
    // After the step, which may be loading one of the files that pruning removes (a restore of the oldest).
    Prune();
}

void CDeviceBackup::Fail(const SysText& reason) {
    m_stage = Stage::Idle;
    m_path.clear(); // the temporary file of a failed write is gone with it; the target was never made
    Step step = std::exchange(m_step, nullptr);
    emit backupFailed(reason);
    if (!m_asker)
        return; // nobody to ask: the step stays undone
    m_asker(reason, [step](bool goOn) {
        if (goOn && step)
            step();
    });
}

void CDeviceBackup::Prune() {
    const QList<BackupEntry> entries = Backups();
    for (qsizetype i = kKept; i < entries.size(); ++i)
        QFile::remove(entries[i].path);
}
