// The "simulate" sub-command of the companion: serves the simulated device on a socket until interrupted.
#pragma once

#include <QStringList>
#include <QTextStream>

// simulate --listen PATH [--load FILE] [--trace]. Returns the process exit code.
int RunSimulateCommand(const QStringList& args, QTextStream& out, QTextStream& err);
