// Points every per-user QSettings of the test process at a fresh temporary folder.
#include "support/TempSettings.h"

#include <QSettings>
#include <QStandardPaths>

CTempSettings::CTempSettings() {
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
}

CTempSettings::~CTempSettings() {
    // Anything created after this point fails to write instead of reaching the real user's folder.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStringLiteral("/dev/null/no-settings"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("/dev/null/no-settings"));
}

QString CTempSettings::fileOf(const QString& maker, const QString& product) const {
    return m_dir.path() + u'/' + maker + u'/' + product + QStringLiteral(".conf");
}
