// The device's preset memories seen from the program: store, recall, name and delete them, and the file
// operations of the Source Load and Source Save dialogs.
#include "control/PresetMemories.h"

#include "base/DataDefine.h"
#include "control/DeviceController.h"
#include "model/KTV_Data.h"
#include "presets/PresetFile.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

CPresetMemories::CPresetMemories(CDeviceController& controller) : m_controller(controller) {
    m_controller.SetPresetsReadHandler([this] { PresetsReadDone(); });
}

CPresetMemories::~CPresetMemories() {
    m_controller.SetPresetsReadHandler({});
}

bool CPresetMemories::ValidMemoryPreset(int p) {
    return p >= 1 && p <= ModelGlobals::kPresetMemories;
}

void CPresetMemories::Show(const SysText& text) {
    m_controller.ShowMessage(text);
}

void CPresetMemories::ReportNotConnected() {
    Show(CDeviceController::kNotConnected);
}

void CPresetMemories::SetCaption(const QString& text) {
    m_controller.SetCaption(text.left(kCaptionChars));
}

// ---- Device preset memories
// --------------------------------------------------------------------------------

bool CPresetMemories::WriteSetupToDevice(int p, bool fromObjects) {
    if (p < 0 || p > ModelGlobals::kPresetMemories)
        return false;
    if (!m_controller.LinkOpen()) {
        ReportNotConnected();
        return false;
    }
    std::function<void()> collect;
    if (fromObjects)
        collect = [this] { (void)m_controller.Data().CollectAll(); };
    m_controller.StoreLiveIntoPreset(p, collect);
    return true;
}

bool CPresetMemories::WriteAllToDevice() {
    if (!m_controller.LinkOpen())
        return false;
    m_controller.WriteAll();
    return true;
}

bool CPresetMemories::RecallPreset(int p, bool keepOutputs) {
    if (p < 0 || p > ModelGlobals::kPresetMemories)
        return false;
    // Until the preset's image is applied, edits must neither be queued nor overwrite what arrives.
    m_controller.Globals().connected = 0;
    if (!m_controller.LinkOpen()) {
        ReportNotConnected();
        return false;
    }
    m_controller.ReadPresetIntoLive(p, !keepOutputs);
    return true;
}

bool CPresetMemories::StorePresetName(int p, const QString& text) {
    if (!ValidMemoryPreset(p))
        return false;
    if (IsBlank(text)) {
        Show(kBlankName);
        return false;
    }
    ModelGlobals& g = m_controller.Globals();
    {
        // The worker may be building a name message from these bytes.
        std::lock_guard lock(m_controller.LinkLock());
        std::uint8_t* name = g.Preset(p).name;
        WriteFieldCut(name, kNameField, text);
        std::memcpy(g.liveImage.name, name, kNameField);
    }
    SetCaption(ReadField(g.liveImage.name, kNameField));
    return true;
}

void CPresetMemories::DeletePresetName(int p) {
    if (!ValidMemoryPreset(p))
        return;
    ModelGlobals& g = m_controller.Globals();
    {
        std::lock_guard lock(m_controller.LinkLock());
        std::fill(std::begin(g.Preset(p).name), std::end(g.Preset(p).name), std::uint8_t{0});
    }
    m_controller.SendNow(KTVCommand::kSubPresetName, p);
}

// ---- The dialogs' flows --------------------------------------------------------------------------------

bool CPresetMemories::RecallFromButton(int k) {
    if (!m_controller.LinkOpen())
        return false;
    if (!RecallPreset(k, false))
        return false;
    m_controller.Globals().currentPreset = k;
    return true;
}

bool CPresetMemories::SaveWithName(int k, const QString& text) {
    if (!StorePresetName(k, text))
        return false;
    return WriteSetupToDevice(k, false);
}

QString CPresetMemories::PresetLabel(int k) const {
    const QString number = QString::number(k);
    if (!ValidMemoryPreset(k) || !m_controller.LinkOpen())
        return number;
    const QString name = ReadField(m_controller.Globals().Preset(k).name, kNameField);
    return name.isEmpty() ? number : name;
}

bool CPresetMemories::Named(int k) const {
    return ValidMemoryPreset(k) && m_controller.LinkOpen() &&
           !ReadField(m_controller.Globals().Preset(k).name, kNameField).isEmpty();
}

int CPresetMemories::CurrentPreset() const {
    return m_controller.Globals().currentPreset;
}

// ---- Files
// ---------------------------------------------------------------------------------------------------

QString CPresetMemories::WithSuffix(const QString& path, const char* suffix) {
    const QString ending = QLatin1Char('.') + QLatin1String(suffix);
    return path.endsWith(ending) ? path : path + ending;
}

bool CPresetMemories::LoadFile(const QString& path) {
    CPresetFile file(m_controller.Globals(), m_controller.Data());
    // Loading replaces blocks that the worker reads and writes under the link lock.
    std::unique_lock lock(m_controller.LinkLock(), std::defer_lock);
    switch (CPresetFile::KindOfPath(path)) {
    case CPresetFile::FileKind::Setup: {
        lock.lock();
        const Status loaded = file.LoadSetupFile(path);
        lock.unlock();
        if (!loaded) {
            Show(loaded.error());
            return false;
        }
        WriteSetupToDevice(0, true);
        SetCaption(QFileInfo(path).completeBaseName());
        m_controller.RefreshAll();
        return true;
    }
    case CPresetFile::FileKind::All: {
        lock.lock();
        const Status loaded = file.LoadAllFile(path); // also limits the position index to 3
        lock.unlock();
        if (!loaded) {
            Show(loaded.error());
            return false;
        }
        WriteAllToDevice();
        m_controller.RefreshAll();
        return true;
    }
    case CPresetFile::FileKind::Other:
        break;
    }
    return false;
}

bool CPresetMemories::SaveSetup(const QString& path) {
    const QString target = WithSuffix(path, PresetFileFormat::kSetupSuffix);
    std::unique_lock lock(m_controller.LinkLock()); // saving collects into the live image
    const Status saved = CPresetFile(m_controller.Globals(), m_controller.Data()).SaveSetupFile(target);
    lock.unlock();
    if (!saved) {
        Show(saved.error());
        return false;
    }
    SetCaption(QFileInfo(target).completeBaseName());
    return true;
}

bool CPresetMemories::SaveAllData(const QString& path) {
    return SaveAllData(path, {});
}

bool CPresetMemories::SaveAllData(const QString& path, AllDataWritten written) {
    if (!m_controller.LinkOpen()) {
        ReportNotConnected();
        return false;
    }
    if (m_allDataWritten) {
        Show(kBackupReading);
        return false;
    }
    m_allDataPath = WithSuffix(path, PresetFileFormat::kAllSuffix);
    m_allDataWritten = std::move(written);
    m_controller.ReadForFileSave();
    return true;
}

void CPresetMemories::CancelAllDataSave() {
    m_allDataPath.clear();
    m_allDataWritten = nullptr;
}

void CPresetMemories::PresetsReadDone() {
    if (m_allDataPath.isEmpty())
        return;
    const QString path = std::exchange(m_allDataPath, QString());
    const AllDataWritten written = std::exchange(m_allDataWritten, nullptr);
    ModelGlobals& g = m_controller.Globals();
    std::unique_lock lock(m_controller.LinkLock());
    // Saving collects the objects into the live image, which can rewrite bytes the device holds in another
    // form (a blank channel name of spaces comes back as zeros). A backup leaves the program's image as it
    // was, so that it keeps matching the device byte for byte; the file is the same either way.
    const ParamImage live = g.liveImage;
    const Status saved = CPresetFile(g, m_controller.Data()).SaveAllFile(path);
    if (written)
        g.liveImage = live;
    lock.unlock();
    if (written)
        written(saved);
    else if (!saved)
        Show(saved.error());
}
