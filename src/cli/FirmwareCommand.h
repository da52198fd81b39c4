// The "firmware" sub-command of the companion: the staged firmware update from a file, with progress.
#pragma once

#include "cli/CliOptions.h"

#include <QStringList>
#include <QTextStream>

int RunFirmwareCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
