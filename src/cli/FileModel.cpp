// A setup or all-data file decoded into a model of its own, for the commands that only inspect files.
#include "cli/FileModel.h"

#include "cli/CliOptions.h"
#include "presets/PresetFile.h"

#include <QFileInfo>

int CFileModel::Load(const QString& path, QTextStream& err, int language) {
    const CPresetFile::FileKind kind = CPresetFile::KindOfPath(path);
    if (kind == CPresetFile::FileKind::Other) {
        err << "selvano-ctl: " << path << ": neither a .dsps nor a .dspa file\n";
        return CliExit::kFile;
    }
    if (!QFileInfo(path).isFile()) {
        err << "selvano-ctl: " << path << ": no such file\n";
        return CliExit::kFile;
    }
    CPresetFile file(G(), Data());
    m_allData = kind == CPresetFile::FileKind::All;
    const Status loaded = m_allData ? file.LoadAllFile(path) : file.LoadSetupFile(path);
    if (!loaded) {
        err << "selvano-ctl: " << path << ": " << loaded.error().In(language) << "\n";
        return CliExit::kFile;
    }
    return CliExit::kOk;
}
