// The companion's filter-text commands: equaliser text onto a channel's bands and back out.
#pragma once

#include "cli/CliOptions.h"

#include <QStringList>
#include <QTextStream>

// Each returns the process exit code (CliExit).
int RunEqImportCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
int RunEqExportCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
