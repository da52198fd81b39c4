// The companion's time alignment: channel delays from the speakers' distances to the listening position.
#include "cli/AlignCommand.h"

#include "cli/EditTarget.h"
#include "control/TimeAlignment.h"

#include <QRegularExpression>

#include <optional>
#include <vector>

namespace {

constexpr char kUsage[] = "align [--file SETUP.dsps|SETUP.dspa [-o OUT]] [--unit cm|inch] [--dry-run] "
                          "CH=DIST[cm|inch]...\n"
                          "  (CH = 1..8; every distance in cm or inch, by its suffix or by --unit)";

int Usage(QTextStream& err) {
    err << "usage: selvano-ctl " << kUsage << "\n";
    return CliExit::kUsage;
}

std::optional<CTimeAlignment::Unit> UnitOf(const QString& text) {
    if (text == QLatin1String("cm"))
        return CTimeAlignment::Unit::Cm;
    if (text == QLatin1String("inch"))
        return CTimeAlignment::Unit::Inch;
    return std::nullopt;
}

} // namespace

int RunAlignCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err) {
    static const QRegularExpression speaker(QStringLiteral(R"(^(\d+)=(\d+(?:[.,]\d*)?|[.,]\d+)(cm|inch)?$)"));
    QString file;
    QString output;
    bool dryRun = false;
    std::optional<CTimeAlignment::Unit> unit;
    struct Given {
        int channel;
        double distance;
        std::optional<CTimeAlignment::Unit> unit;
    };
    std::vector<Given> given;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& w = args[i];
        const bool hasValue = i + 1 < args.size();
        if (w == QLatin1String("--file") && hasValue) {
            file = args[++i];
        } else if (w == QLatin1String("-o") && hasValue) {
            output = args[++i];
        } else if (w == QLatin1String("--unit") && hasValue) {
            unit = UnitOf(args[++i]);
            if (!unit)
                return Usage(err);
        } else if (w == QLatin1String("--dry-run")) {
            dryRun = true;
        } else if (const QRegularExpressionMatch m = speaker.match(w); m.hasMatch()) {
            QString number = m.captured(2);
            number.replace(u',', u'.');
            // The channel as written: a number beyond 8 is the plan's to refuse, with its own text.
            given.push_back({m.captured(1).toInt(), number.toDouble(), UnitOf(m.captured(3))});
        } else {
            return Usage(err);
        }
    }
    if (given.empty() || (!output.isEmpty() && file.isEmpty()) || (dryRun && !output.isEmpty()))
        return Usage(err);
    std::vector<SpeakerDistance> speakers;
    for (const Given& g : given) {
        const auto u = g.unit ? g.unit : unit;
        if (!u) {
            err << "selvano-ctl: align: give each distance its unit (212cm, 83.5inch) or --unit cm|inch\n";
            return CliExit::kUsage;
        }
        speakers.push_back({g.channel - 1, CTimeAlignment::Metres(g.distance, *u)});
    }
    // Distances are shown in --unit, else in the unit of the first one.
    const CTimeAlignment::Unit shown = unit ? *unit : given.front().unit.value_or(CTimeAlignment::Unit::Cm);

    if (dryRun) {
        const TimeAlignmentPlan plan = CTimeAlignment::Plan(speakers);
        if (!plan.Ok()) {
            err << "selvano-ctl: " << CTimeAlignment::RefusalText(plan, shown, o.language) << "\n";
            return CliExit::kUsage;
        }
        for (const QString& line : CTimeAlignment::Report(plan, shown, o.language))
            out << line << "\n";
        return CliExit::kOk;
    }
    // The plan is checked before anything is opened, so a refused alignment never connects or writes.
    if (const TimeAlignmentPlan check = CTimeAlignment::Plan(speakers); !check.Ok()) {
        err << "selvano-ctl: " << CTimeAlignment::RefusalText(check, shown, o.language) << "\n";
        return CliExit::kUsage;
    }
    CEditTarget target(o, err);
    if (const int rc = target.Open(file, output))
        return rc;
    const TimeAlignmentPlan plan = CTimeAlignment::Align(target.Editor(), target.Data(), speakers);
    for (const QString& line : CTimeAlignment::Report(plan, shown, o.language))
        out << line << "\n";
    out.flush();
    return target.Finish();
}
