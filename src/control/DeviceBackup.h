// Automatic backups of the device's data before destructive steps, as all-data files in the user's folder.
#pragma once

#include "base/Status.h"
#include "base/SysText.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class CSession;

// One backup file of the folder, as its name tells it.
struct BackupEntry {
    QString path;
    QDateTime time;   // local time, to the second
    QString reason;   // "factory-reset", "firmware-update", "load-all-data" or "store-preset"
    int sequence = 0; // 0, or n for the n-th further backup of the same second ("...-n.dspa")
};

// Lives on the UI thread on top of the session's preset memories. Run reads presets 1..6 from the device
// (the all-data save's own read, with its transfer popup) and writes the all-data file through a temporary
// file that replaces the target only when complete; the destructive step runs once the file is written and
// the read's transfer has ended. Nothing here waits: each stage is a notification of the controller, and the
// step and the question are called from the event loop, never from inside a notification handler.
//
// A backup that fails (the folder cannot be made or written, the link is lost during the read) hands the
// reason to the asker, which the window implements with a question box; the step runs on its yes only. No
// asker counts as a no. Without a linked device or with backups off the step runs at once, as without this
// class. After every written backup only the newest kKept backup files of the folder are kept; other files
// there are never touched.
class CDeviceBackup : public QObject {
    Q_OBJECT

public:
    enum class Reason { FactoryReset, FirmwareUpdate, LoadAllData, StorePreset };
    // What Run did at once: a backup is running (the step follows later), the step already ran (no device
    // or backups off), or the request was refused because a backup or an all-data save is reading the
    // device (the step never runs; the user is told kBusy through the controller).
    enum class Start { Running, Skipped, Refused };

    static constexpr int kKept = 20;
    static constexpr char kFolderName[] = "backups";

    static constexpr SysText kGoOnQuestion{"The backup could not be written. Go on without a backup?",
                                           "备份无法写入。不备份继续吗?"};
    static constexpr SysText kFolderError{"The backup folder cannot be written.", "备份文件夹无法写入。"};
    static constexpr SysText kFileError{"The backup file cannot be written.", "备份文件无法写入。"};
    static constexpr SysText kBusy{"The device's data is being read. Try again when it is done.",
                                   "正在读取设备数据，请完成后再试。"};
    static constexpr SysText kLinkLost{"The device was lost while its data was read for the backup.",
                                       "读取备份数据时设备断开。"};

    using Step = std::function<void()>;
    using Answer = std::function<void(bool goOn)>;
    // Asks the user whether to go on without a backup; `reason` says why it failed.
    using Asker = std::function<void(const SysText& reason, Answer answer)>;

    explicit CDeviceBackup(CSession& session, QObject* parent = nullptr);
    ~CDeviceBackup() override;

    // QStandardPaths::AppDataLocation + "/backups".
    static QString DefaultFolder();
    void SetFolder(const QString& folder) { m_folder = folder; }
    const QString& Folder() const { return m_folder; }
    // Backups on (the default) or off.
    void SetEnabled(bool on) { m_enabled = on; }
    bool Enabled() const { return m_enabled; }
    void SetAsker(Asker asker) { m_asker = std::move(asker); }

    // Takes a backup, then runs `step`; see the class comment.
    Start Run(Reason reason, Step step);
    bool Running() const { return m_stage != Stage::Idle; }

    static QString ReasonName(Reason reason);
    // "yyyy-MM-dd_HH-mm-ss_<reason>.dspa", with "-n" before the suffix for sequence n > 0.
    static QString FileName(const QDateTime& time, Reason reason, int sequence = 0);
    // Names of that form only; anything else in the folder is not a backup.
    static std::optional<BackupEntry> Parse(const QString& path);
    // The backup files of the folder, newest first.
    QList<BackupEntry> Backups() const;

signals:
    void backupWritten(const QString& path);
    void backupFailed(const SysText& reason);

private:
    enum class Stage { Idle, Reading, Ending, Finishing };

    QString FreePath(Reason reason) const;
    void FileWritten(const Status& written);
    void TransferEnded();
    void LinkChanged(bool open);
    void Finish();
    void Fail(const SysText& reason);
    void Prune();

    CSession& m_session;
    QString m_folder;
    bool m_enabled = true;
    Asker m_asker;
    Stage m_stage = Stage::Idle;
    Step m_step;
    QString m_path; // the file being written
};
