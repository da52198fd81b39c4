// The response graph out of the window: a picture of it, or the curves it draws as a table.
#pragma once

#include <QString>

#include <span>

class CKTV_Data;
class QWidget;

// A path ending in .csv (any case) gets the table, any other the picture as PNG.
class CGraphExport {
public:
    // One row per point of the response grid (241): the frequency in Hz, then the summed response in dB of
    // each of `channels` (0..7), as the graph draws it; a header row names the columns. Comma separated,
    // decimal points whatever the locale.
    static QString Csv(CKTV_Data& data, std::span<const int> channels);
    static bool IsCsv(const QString& path);
    // Writes the table or the graph's picture; false when the file cannot be written.
    static bool Save(const QString& path, QWidget& graph, CKTV_Data& data, std::span<const int> channels);
};
