// The companion's sub-commands that talk to a device through the controller.
#pragma once

#include "cli/CliOptions.h"

#include <QStringList>
#include <QTextStream>

// Each returns the process exit code (CliExit).
int RunInfoCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
int RunReadCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
int RunBackupCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
int RunLoadCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
int RunPresetCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
int RunSetCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
int RunFactoryResetCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
int RunDevicesCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err);
