// The desktop program's command line: which device, which interface language, and the debug screenshot.
#pragma once

#include "control/DeviceOption.h"

#include <QString>
#include <QStringList>

#include <optional>

struct AppOptions {
    // What the command line asks for: start the window, or print a text and end.
    enum class Outcome { Run, Help, Version, Error };

    Outcome outcome = Outcome::Run;
    QString text; // the help or version text, or the reason the line was refused
    DeviceOption device;
    std::optional<int> language; // 0 English, 1 Chinese; nothing = from the system locale
    QString screenshot; // write the window to this image once the start-up link has settled, then end
    // Options the line names that are not ours. Before the application object has taken Qt's own options
    // (-platform, -display, ...) out of the line, these may still be Qt's.
    QStringList unknownOptions;

    // Exit code of a line that was refused.
    static constexpr int kUsageExit = 2;

    // arguments as QCoreApplication::arguments() gives them (the program first).
    static AppOptions Parse(const QStringList& arguments);
};
