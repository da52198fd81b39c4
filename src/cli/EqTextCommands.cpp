// The companion's filter-text commands: equaliser text onto a channel's bands and back out.
#include "cli/EqTextCommands.h"

#include "cli/DeviceSession.h"
#include "cli/EditTarget.h"
#include "cli/FileModel.h"
#include "control/FilterText.h"
#include "model/KTV_Data.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <cstdio>
#include <optional>

namespace {

constexpr qint64 kMaxTextBytes = 1 << 20; // far beyond any filter set; a wrong file is not read whole

constexpr char kImportUsage[] =
    "eq-import --channel N [--file SETUP.dsps|SETUP.dspa [-o OUT]] [--dry-run] TEXT|-";
constexpr char kExportUsage[] = "eq-export --channel N [--file SETUP.dsps|SETUP.dspa] [-o TEXT]";

int Usage(QTextStream& err, const char* usage) {
    err << "usage: selvano-ctl " << usage << "\n";
    return CliExit::kUsage;
}

struct EqArgs {
    int channel = -1; // 0..7
    QString file;
    QString output;
    QString text; // the filter text's path, "-" for stdin
    bool dryRun = false;
};

// The options both commands know; false on anything else or a value out of range.
bool Parse(const QStringList& args, bool importing, EqArgs& a) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& w = args[i];
        const bool hasValue = i + 1 < args.size();
        if (w == QLatin1String("--channel") && hasValue) {
            bool ok = false;
            a.channel = args[++i].toInt(&ok) - 1;
            if (!ok || a.channel < 0 || a.channel >= Layout::kChannels)
                return false;
        } else if (w == QLatin1String("--file") && hasValue) {
            a.file = args[++i];
        } else if (w == QLatin1String("-o") && hasValue) {
            a.output = args[++i];
        } else if (importing && w == QLatin1String("--dry-run")) {
            a.dryRun = true;
        } else if (importing && a.text.isEmpty() && (w == QLatin1String("-") || !w.startsWith(u'-'))) {
            a.text = w;
        } else {
            return false;
        }
    }
    if (a.channel < 0)
        return false;
    if (importing)
        return !a.text.isEmpty() && (a.output.isEmpty() || !a.file.isEmpty()) &&
               (!a.dryRun || a.output.isEmpty());
    return true;
}

// The text of a file or of stdin, in the encoding its byte-order mark names (UTF-8 without one).
std::optional<QString> ReadText(const QString& path, QTextStream& err) {
    QFile f;
    const bool opened = path == QLatin1String("-") ? f.open(stdin, QIODevice::ReadOnly)
                                                   : (f.setFileName(path), f.open(QIODevice::ReadOnly));
    if (!opened) {
        err << "selvano-ctl: " << path << ": cannot be read\n";
        return std::nullopt;
    }
    const QByteArray bytes = f.read(kMaxTextBytes + 1);
    if (bytes.size() > kMaxTextBytes) {
        err << "selvano-ctl: " << path << ": more than 1 MB, not a filter text\n";
        return std::nullopt;
    }
    const auto encoding = QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8);
    QStringDecoder decode(encoding, QStringConverter::Flag::Stateless);
    QString text = decode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

void PrintReport(QTextStream& out, const FilterTextReading& r, int language) {
    for (const QString& line : CFilterText::Report(r, language))
        out << line << "\n";
    out.flush();
}

} // namespace

int RunEqImportCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err) {
    EqArgs a;
    if (!Parse(args, true, a))
        return Usage(err, kImportUsage);
    const auto text = ReadText(a.text, err);
    if (!text)
        return CliExit::kFile;
    if (a.dryRun) {
        const FilterTextReading r = CFilterText::Read(*text);
        PrintReport(out, r, o.language);
        if (!r.Usable()) {
            err << "selvano-ctl: " << CFilterText::kNothingUsable.In(o.language) << "\n";
            return CliExit::kFile;
        }
        return CliExit::kOk;
    }
    CEditTarget target(o, err);
    if (const int rc = target.Open(a.file, a.output))
        return rc;
    FilterTextReading r;
    const Status imported = CFilterText::Import(target.Editor(), target.Data().Channel(a.channel), *text, &r);
    PrintReport(out, r, o.language);
    if (!imported) {
        err << "selvano-ctl: " << imported.error().In(o.language) << "\n";
        // A text with nothing to take is the text's fault; a channel in graphic mode is a refused request.
        return imported.error() == CFilterText::kNothingUsable ? CliExit::kFile : CliExit::kUsage;
    }
    return target.Finish();
}

int RunEqExportCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err) {
    EqArgs a;
    if (!Parse(args, false, a))
        return Usage(err, kExportUsage);
    QString text;
    if (a.file.isEmpty()) {
        CDeviceSession s(o, err);
        if (const int rc = s.Connect())
            return rc;
        text = CFilterText::Export(s.Data().Channel(a.channel));
    } else {
        CFileModel model;
        if (const int rc = model.Load(a.file, err, o.language))
            return rc;
        text = CFilterText::Export(model.Data().Channel(a.channel));
    }
    if (a.output.isEmpty()) {
        out << text;
        return CliExit::kOk;
    }
    QSaveFile f(a.output);
    const QByteArray bytes = text.toUtf8();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        err << "selvano-ctl: " << a.output << ": not written\n";
        return CliExit::kFile;
    }
    return CliExit::kOk;
}
