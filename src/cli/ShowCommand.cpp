// The "show" sub-command of the companion: a setup or all-data file as text or JSON.
#include "cli/ShowCommand.h"

#include "cli/FileModel.h"
#include "cli/SetupReport.h"

#include <QJsonDocument>

int RunShowCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 1) {
        err << "usage: selvano-ctl show FILE.dsps|FILE.dspa [--json]\n";
        return CliExit::kUsage;
    }
    CFileModel model;
    if (const int rc = model.Load(args[0], err, o.language))
        return rc;
    // A setup file carries no system block or preset names: only the all-data file's are shown.
    const int presets = model.AllData() ? ModelGlobals::kPresetMemories : 0;
    if (o.json) {
        QJsonObject j = SetupReport::ModelJson(model.G(), model.Data(), o.language, presets, true);
        j.insert(QStringLiteral("kind"),
                 model.AllData() ? QStringLiteral("all-data") : QStringLiteral("setup"));
        if (!model.AllData())
            j.remove(QStringLiteral("system"));
        out << QJsonDocument(j).toJson();
    } else {
        out << "file: " << args[0] << (model.AllData() ? " (all data)\n" : " (setup)\n");
        SetupReport::PrintText(out, model.G(), model.Data(), o.language, presets, true, model.AllData());
    }
    return CliExit::kOk;
}
