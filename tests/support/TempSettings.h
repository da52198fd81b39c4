// Points every per-user QSettings of the test process at a fresh temporary folder.
#pragma once

#include <QString>
#include <QTemporaryDir>

// Create one before the first QSettings object of a test case; the real user's settings are never read or
// written. Destroying it removes the folder (QSettings objects must be gone by then).
class CTempSettings {
public:
    CTempSettings();
    ~CTempSettings();
    CTempSettings(const CTempSettings&) = delete;
    CTempSettings& operator=(const CTempSettings&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    // Where QSettings keeps the per-user key "Software\<maker>\<product>".
    QString fileOf(const QString& maker, const QString& product) const;

private:
    QTemporaryDir m_dir;
};
