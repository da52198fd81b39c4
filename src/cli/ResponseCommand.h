// The "response" sub-command of the companion: a channel's summed frequency response as CSV.
#pragma once

#include <QStringList>
#include <QTextStream>

// Returns the process exit code.
int RunResponseCommand(const QStringList& args, QTextStream& out, QTextStream& err);
