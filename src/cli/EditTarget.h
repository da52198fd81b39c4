// Where an editing command of the companion works: a setup or all-data file, or the device.
#pragma once

#include "cli/CliOptions.h"
#include "presets/PresetFile.h"

#include <QString>
#include <QTextStream>

#include <memory>

class CDeviceSession;
class CKTV_Data;
class CModelEditor;
class CSession;

// With a file, a session of its own that never opens its link holds the file's setup: edits go through the
// edit entry point as on a device (nothing is marked for sending), and the file is written back whole or
// not at all. Without one, the device is connected and the edits are sent.
class CEditTarget {
public:
    CEditTarget(const CliOptions& options, QTextStream& err);
    ~CEditTarget();
    CEditTarget(const CEditTarget&) = delete;
    CEditTarget& operator=(const CEditTarget&) = delete;

    // `file` empty: the device. `output` (files only; empty: the file itself) must be of the file's kind.
    // CliExit::kOk, or the exit code with the reason printed.
    int Open(const QString& file, const QString& output = {});
    bool OnDevice() const { return m_device != nullptr; }
    CModelEditor& Editor();
    CKTV_Data& Data();
    // The file written, or every edit acknowledged by the device; CliExit.
    int Finish();

private:
    const CliOptions& m_options;
    QTextStream& m_err;
    QString m_output;
    CPresetFile::FileKind m_kind = CPresetFile::FileKind::Other;
    std::unique_ptr<CDeviceSession> m_device;
    std::unique_ptr<CSession> m_offline;
};
