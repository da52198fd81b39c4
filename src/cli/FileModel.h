// A setup or all-data file decoded into a model of its own, for the commands that only inspect files.
#pragma once

#include "model/KTV_Data.h"
#include "model/ModelGlobals.h"

#include <QString>
#include <QTextStream>

#include <memory>

// Start-up values, then the file's blocks; nothing talks to a device.
class CFileModel {
public:
    CFileModel();
    ~CFileModel();
    CFileModel(const CFileModel&) = delete;
    CFileModel& operator=(const CFileModel&) = delete;

    // CliExit::kOk, or kFile with the reason printed.
    int Load(const QString& path, QTextStream& err, int language);
    bool AllData() const { return m_allData; }

    ModelGlobals& G() { return *m_g; }
    CKTV_Data& Data() { return *m_data; }

private:
    std::unique_ptr<ModelGlobals> m_g;
    std::unique_ptr<CKTV_Data> m_data;
    bool m_allData = false;
};
