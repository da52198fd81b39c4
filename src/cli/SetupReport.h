// Readable and JSON forms of a model: system values, preset names and channels, for info and show.
#pragma once

#include "model/KTV_Data.h"
#include "model/ModelGlobals.h"

#include <QJsonObject>
#include <QTextStream>

namespace SetupReport {
// Device presets whose names are listed: the ones the connection read brings in.
inline constexpr int kNamedPresets = 6;

// {"source", "master_volume", "master_output", "noise_gate", "speaker_types", "source_volumes",
//  "current_preset"}; texts in the given language.
QJsonObject SystemJson(ModelGlobals& g, int language);
// {"presets": [{"preset": p, "name": ...}], "channels": [...]}; channels only with withChannels.
QJsonObject ModelJson(ModelGlobals& g, const CKTV_Data& data, int language, int presetCount,
                      bool withChannels);
// The same content as text; the system values only with withSystem (a setup file carries none).
void PrintText(QTextStream& out, ModelGlobals& g, const CKTV_Data& data, int language, int presetCount,
               bool withChannels, bool withSystem = true);
} // namespace SetupReport
