// The per-user settings of the program: where the last firmware file was chosen, whether backups are taken.
#pragma once

#include <QString>

// Key "Software\SELVANO-PRO.exe\USB" (mapped onto QSettings as UserKey describes) with two string values and
// the backup switch.
// Store failures are never reported: a missing key is created from the values in memory, a value that
// cannot be read leaves its in-memory value as it was, a failed write is dropped.
class CSettingsStore {
public:
    static constexpr char kKey[] = "Software\\SELVANO-PRO.exe\\USB";
    // Full path of the last firmware file chosen in the firmware update dialog.
    static constexpr char kFirmwareFileValue[] = "Name";
    // Initial file name of the next firmware file dialog.
    static constexpr char kDialogPathValue[] = "Path";
    // Whether the device's data is backed up before destructive steps: 1 (the default) or 0.
    static constexpr char kAutoBackupValue[] = "AutoBackup";

    // dialogPath is the start-up value of the dialog path: the program folder.
    explicit CSettingsStore(QString dialogPath = {});

    // Once at start-up: reads both values, or creates the key from the values in memory.
    void LoadFirmwareLocation();
    // After the user has picked a firmware file: writes both values when the key exists.
    void SaveFirmwareLocation();

    // Reads the backup switch; a missing or unreadable value leaves it on.
    void LoadAutoBackup();
    // Sets the switch and writes it at once (the key is created when missing).
    void SaveAutoBackup(bool on);
    bool AutoBackup() const { return m_autoBackup; }

    const QString& FirmwareFile() const { return m_firmwareFile; }
    void SetFirmwareFile(const QString& path) { m_firmwareFile = path; }
    const QString& DialogPath() const { return m_dialogPath; }
    void SetDialogPath(const QString& path) { m_dialogPath = path; }

private:
    QString m_firmwareFile;
    QString m_dialogPath;
    bool m_autoBackup = true;
};
