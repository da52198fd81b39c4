// The device's preset memories seen from the program: store, recall, name and delete them, and the file
// operations of the Source Load and Source Save dialogs.
#pragma once

#include "base/Status.h"
#include "base/SysText.h"

#include <QString>

#include <functional>

class CDeviceController;

// Runs on the UI thread on top of the controller: every transfer is queued under the link lock and shows
// the transfer popup; texts for the user go through the controller. Memory k of the program holds device
// preset k + 1; presets 1..6 are the ones the dialogs manage. Operations return whether they went ahead.
class CPresetMemories {
public:
    static constexpr int kDialogPresets = 6;
    static constexpr std::size_t kNameField = 16; // 15 characters and a terminating zero
    static constexpr int kCaptionChars = 13;

    static constexpr SysText kBlankName{"The name can not be all spaces!", "组名不能全为空格!"};
    static constexpr SysText kBackupReading{
        "The device's data is being read for a backup. Try again when it is done.",
        "正在读取设备数据以备份，请完成后再试。"};

    // Hooks itself to the controller's end of the preset read (UM_PRESETS_READ_DONE) for saving all data.
    explicit CPresetMemories(CDeviceController& controller);
    ~CPresetMemories();
    CPresetMemories(const CPresetMemories&) = delete;
    CPresetMemories& operator=(const CPresetMemories&) = delete;

    // ---- Device preset memories ----
    // The current setup into device preset p (0 = the working setup): with fromObjects the image is first
    // collected from the objects, otherwise the master output is off around the transfer. Not linked: the
    // not-connected report.
    bool WriteSetupToDevice(int p, bool fromObjects);
    // The live image as preset 0 and memories 0..5 as presets 1..6, sound off meanwhile. Not linked: nothing.
    bool WriteAllToDevice();
    // Device preset p into the live image; unless keepOutputs the master output is off during the read. The
    // connected flag stays 0 until the image is applied, so edits made meanwhile are not sent.
    bool RecallPreset(int p, bool keepOutputs);
    // The name of memory p - 1 (at most 15 characters) and of the live image. A blank name is refused.
    bool StorePresetName(int p, const QString& text);
    // An empty name (16 zero bytes) into memory p - 1, sent to the device while linked.
    void DeletePresetName(int p);

    // ---- The dialogs' flows ----
    // Source Load button k: recall with the master output off and make k the current preset; nothing
    // without a device.
    bool RecallFromButton(int k);
    // Source Save, save-with-name for button k: store the name, then the setup into preset k.
    bool SaveWithName(int k, const QString& text);
    // Button label of preset k: its name, or "k" when the name is empty or no device is linked.
    QString PresetLabel(int k) const;
    // Memory k - 1 has a name, as the linked device told it.
    bool Named(int k) const;
    int CurrentPreset() const;

    // ---- Files (paths chosen by the caller) ----
    // ".dsps": load the setup and send it to the working setup; ".dspa": load all data and write it all to
    // the device. The text after the last "." decides, exactly; any other file is left alone.
    bool LoadFile(const QString& path);
    // Appends ".dsps" unless the path already ends with it; shows the file title in the caption.
    bool SaveSetup(const QString& path);
    // Refused with the not-connected report when no device is linked. Appends ".dspa" unless present, reads
    // presets 1..6 from the device (master output off meanwhile) and writes the file once they are in.
    bool SaveAllData(const QString& path);
    // The same, but the outcome of the write goes to `written` instead of the user (a backup's own reports),
    // and the live image stays byte for byte as it was (the file still holds the collected setup). While
    // such a save waits for its read, every further SaveAllData is refused with kBackupReading: it would
    // take the backup's place.
    using AllDataWritten = std::function<void(const Status& written)>;
    bool SaveAllData(const QString& path, AllDataWritten written);
    // Forgets the file SaveAllData is waiting to write (its read was lost with the link).
    void CancelAllDataSave();
    // The file that SaveAllData is waiting to write; empty when none.
    QString PendingAllDataPath() const { return m_allDataPath; }

    // The text a path is saved under: the suffix appended unless the path already ends with "." + suffix.
    static QString WithSuffix(const QString& path, const char* suffix);

private:
    void PresetsReadDone();
    void ReportNotConnected();
    void Show(const SysText& text);
    void SetCaption(const QString& text);
    static bool ValidMemoryPreset(int p);

    CDeviceController& m_controller;
    QString m_allDataPath;
    AllDataWritten m_allDataWritten;
};
