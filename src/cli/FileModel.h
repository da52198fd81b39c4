// A setup or all-data file decoded into a model of its own, for the commands that only inspect files.
#pragma once

#include "model/TavelDoc.h"

#include <QString>
#include <QTextStream>

// A document at start-up values, then the file's blocks; nothing talks to a device.
class CFileModel {
public:
    // CliExit::kOk, or kFile with the reason printed.
    int Load(const QString& path, QTextStream& err, int language);
    bool AllData() const { return m_allData; }

    ModelGlobals& G() { return m_doc.Globals(); }
    CKTV_Data& Data() { return m_doc.Data(); }

private:
    CTavelDoc m_doc;
    bool m_allData = false;
};
