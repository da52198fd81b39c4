// The companion's time alignment: channel delays from the speakers' distances to the listening position.
#pragma once

#include "cli/CliOptions.h"

#include <QStringList>
#include <QTextStream>

// Returns the process exit code (CliExit).
int RunAlignCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
