// The per-user settings of the program: where the last firmware file was chosen, whether backups are taken.
#include "link/SettingsStore.h"

#include "link/UserKey.h"

namespace {

void ReadString(const QSettings& key, const char* name, QString& into) {
    const QVariant value = key.value(name);
    if (value.isValid())
        into = value.toString();
}

} // namespace

CSettingsStore::CSettingsStore(QString dialogPath) : m_dialogPath(std::move(dialogPath)) {}

void CSettingsStore::LoadFirmwareLocation() {
    const auto key = UserKey::Open(QString::fromLatin1(kKey));
    if (!UserKey::Exists(*key)) {
        key->setValue(kFirmwareFileValue, m_firmwareFile);
        key->setValue(kDialogPathValue, m_dialogPath);
        key->sync();
        return;
    }
    ReadString(*key, kFirmwareFileValue, m_firmwareFile);
    ReadString(*key, kDialogPathValue, m_dialogPath);
}

void CSettingsStore::SaveFirmwareLocation() {
    const auto key = UserKey::Open(QString::fromLatin1(kKey));
    if (!UserKey::Exists(*key))
        return;
    key->setValue(kFirmwareFileValue, m_firmwareFile);
    key->setValue(kDialogPathValue, m_dialogPath);
    key->sync();
}

void CSettingsStore::LoadAutoBackup() {
    const auto key = UserKey::Open(QString::fromLatin1(kKey));
    const QVariant value = key->value(kAutoBackupValue);
    bool ok = false;
    const int on = value.toInt(&ok);
    if (value.isValid() && ok && (on == 0 || on == 1))
        m_autoBackup = on == 1;
}

void CSettingsStore::SaveAutoBackup(bool on) {
    m_autoBackup = on;
    const auto key = UserKey::Open(QString::fromLatin1(kKey));
    key->setValue(kAutoBackupValue, on ? 1 : 0);
    key->sync();
}
