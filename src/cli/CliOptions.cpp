// The companion's global options and exit codes, shared by every sub-command.
#include "cli/CliOptions.h"

std::optional<CliOptions> CliOptions::Take(QStringList& args, QString* error) {
    CliOptions o;
    std::optional<bool> timing;
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--json")) {
            o.json = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--device") || a == QLatin1String("--timing") ||
                   a == QLatin1String("--lang")) {
            if (!hasValue) {
                *error = a + QStringLiteral(" needs a value");
                return std::nullopt;
            }
            const QString v = args[++i];
            if (a == QLatin1String("--device")) {
                const auto d = DeviceOption::Parse(v.toStdString());
                if (!d) {
                    *error = QStringLiteral("--device takes usb, sim or socket:PATH, not ") + v;
                    return std::nullopt;
                }
                o.device = *d;
            } else if (a == QLatin1String("--timing")) {
                if (v != QLatin1String("device") && v != QLatin1String("fast")) {
                    *error = QStringLiteral("--timing takes device or fast, not ") + v;
                    return std::nullopt;
                }
                timing = v == QLatin1String("fast");
            } else {
                if (v != QLatin1String("en") && v != QLatin1String("zh")) {
                    *error = QStringLiteral("--lang takes en or zh, not ") + v;
                    return std::nullopt;
                }
                o.language = v == QLatin1String("zh") ? 1 : 0;
            }
        } else {
            rest << a;
        }
    }
    o.fastTiming = timing.value_or(o.device.kind != DeviceOption::Kind::Usb);
    args = rest;
    return o;
}
