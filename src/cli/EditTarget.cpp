// Where an editing command of the companion works: a setup or all-data file, or the device.
#include "cli/EditTarget.h"

#include "cli/DeviceSession.h"
#include "control/ModelEditor.h"
#include "control/Session.h"

#include <QFileInfo>

CEditTarget::CEditTarget(const CliOptions& options, QTextStream& err) : m_options(options), m_err(err) {}

CEditTarget::~CEditTarget() = default;

int CEditTarget::Open(const QString& file, const QString& output) {
    if (file.isEmpty()) {
        m_device = std::make_unique<CDeviceSession>(m_options, m_err);
        return m_device->Connect();
    }
    m_kind = CPresetFile::KindOfPath(file);
    m_output = output.isEmpty() ? file : output;
    if (m_kind == CPresetFile::FileKind::Other) {
        m_err << "selvano-ctl: " << file << ": neither a .dsps nor a .dspa file\n";
        return CliExit::kFile;
    }
    if (CPresetFile::KindOfPath(m_output) != m_kind) {
        m_err << "selvano-ctl: " << m_output << ": not a ." << QFileInfo(file).suffix() << " file like "
              << file << "\n";
        return CliExit::kFile;
    }
    if (!QFileInfo(file).isFile()) {
        m_err << "selvano-ctl: " << file << ": no such file\n";
        return CliExit::kFile;
    }
    SessionOptions options;
    options.device = DeviceOption{DeviceOption::Kind::Sim, {}}; // never opened: no device takes part
    options.timing = TimingProfile::Fast();
    options.language = m_options.language;
    m_offline = std::make_unique<CSession>(options);
    CPresetFile presets(m_offline->Globals(), m_offline->Data());
    const Status loaded =
        m_kind == CPresetFile::FileKind::All ? presets.LoadAllFile(file) : presets.LoadSetupFile(file);
    if (!loaded) {
        m_err << "selvano-ctl: " << file << ": " << loaded.error().In(m_options.language) << "\n";
        return CliExit::kFile;
    }
    return CliExit::kOk;
}

CModelEditor& CEditTarget::Editor() {
    return m_device ? m_device->Editor() : m_offline->Editor();
}

CKTV_Data& CEditTarget::Data() {
    return m_device ? m_device->Data() : m_offline->Data();
}

int CEditTarget::Finish() {
    if (m_device)
        return m_device->WaitSettled();
    CPresetFile presets(m_offline->Globals(), m_offline->Data());
    const Status saved = m_kind == CPresetFile::FileKind::All ? presets.SaveAllFile(m_output)
                                                              : presets.SaveSetupFile(m_output);
    if (!saved) {
        m_err << "selvano-ctl: " << m_output << ": " << saved.error().In(m_options.language) << "\n";
        return CliExit::kFile;
    }
    return CliExit::kOk;
}
