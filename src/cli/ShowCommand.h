// The "show" sub-command of the companion: a setup or all-data file as text or JSON.
#pragma once

#include "cli/CliOptions.h"

#include <QStringList>
#include <QTextStream>

int RunShowCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
