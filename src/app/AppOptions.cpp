// The desktop program's command line: which device, which interface language, and the debug screenshot.
#include "app/AppOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <array>

namespace {

struct LanguageName {
    const char* name;
    int language;
};
constexpr std::array<LanguageName, 2> kLanguages{{{"en", 0}, {"zh", 1}}};

std::optional<int> LanguageOf(const QString& name) {
    for (const LanguageName& l : kLanguages)
        if (name == QLatin1String(l.name))
            return l.language;
    return std::nullopt;
}

} // namespace

AppOptions AppOptions::Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tuning tool for the car-audio DSP box."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the program's version and end."));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("The device: usb (the box, default), sim (a simulated "
                                                   "device in this program) or socket:PATH."),
                                    QStringLiteral("device"), QStringLiteral("usb"));
    const QCommandLineOption lang(QStringLiteral("lang"),
                                  QStringLiteral("Interface language en or zh instead of the system's."),
                                  QStringLiteral("language"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Write the window to FILE (PNG) once the start-up "
                                                       "connection has settled, then end."),
                                        QStringLiteral("FILE"));
    parser.addOptions({help, version, device, lang, screenshot});

    AppOptions o;
    if (!parser.parse(arguments)) {
        o.outcome = Outcome::Error;
        o.text = parser.errorText();
        o.unknownOptions = parser.unknownOptionNames();
        return o;
    }
    if (parser.isSet(help)) {
        o.outcome = Outcome::Help;
        o.text = parser.helpText();
        return o;
    }
    if (parser.isSet(version)) {
        o.outcome = Outcome::Version;
        o.text = QStringLiteral("selvano %1\n").arg(QCoreApplication::applicationVersion());
        return o;
    }
    if (!parser.positionalArguments().isEmpty()) {
        o.outcome = Outcome::Error;
        o.text = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
        return o;
    }
    const std::optional<DeviceOption> chosen = DeviceOption::Parse(parser.value(device).toStdString());
    if (!chosen) {
        o.outcome = Outcome::Error;
        o.text =
            QStringLiteral("Unknown device '%1': use usb, sim or socket:PATH.").arg(parser.value(device));
        return o;
    }
    o.device = *chosen;
    if (parser.isSet(lang)) {
        o.language = LanguageOf(parser.value(lang));
        if (!o.language) {
            o.outcome = Outcome::Error;
            o.text = QStringLiteral("Unknown language '%1': use en or zh.").arg(parser.value(lang));
            return o;
        }
    }
    o.screenshot = parser.value(screenshot);
    return o;
}
