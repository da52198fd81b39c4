// The stored firmware location: created on first start, read back after a restart, failures silent; the
// backup switch.
#include "link/SettingsStore.h"
#include "support/TempSettings.h"

#include <QFile>
#include <QSettings>
#include <QTest>

#include <memory>

class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartCreatesKey();
    void restartShowsChosenFile_data();
    void restartShowsChosenFile();
    void missingValueKeepsMemory();
    void saveNeedsExistingKey();
    void unwritableStoreIsSilent();
    void backupSwitchSurvivesRestart_data();
    void backupSwitchSurvivesRestart();

private:
    QString StoreFile() const {
        return m_settings->fileOf(QStringLiteral("SELVANO-PRO.exe"), QStringLiteral("USB"));
    }

    std::unique_ptr<CTempSettings> m_settings;
};

void TestSettingsStore::init() {
    m_settings = std::make_unique<CTempSettings>();
    QVERIFY(m_settings->isValid());
}

void TestSettingsStore::cleanup() {
    m_settings.reset();
}

void TestSettingsStore::firstStartCreatesKey() {
    QVERIFY(!QFile::exists(StoreFile()));
    CSettingsStore store(QStringLiteral("/opt/selvano"));
    store.LoadFirmwareLocation();
    QCOMPARE(store.FirmwareFile(), QString());
    QCOMPARE(store.DialogPath(), QStringLiteral("/opt/selvano"));

    // "Software\SELVANO-PRO.exe\USB" is the file SELVANO-PRO.exe/USB.conf, its values at the top level.
    QVERIFY2(QFile::exists(StoreFile()), qPrintable(StoreFile()));
    QSettings stored(StoreFile(), QSettings::IniFormat);
    QCOMPARE(stored.childGroups(), QStringList());
    QCOMPARE(stored.value("Name"), QVariant(QString()));
    QCOMPARE(stored.value("Path"), QVariant(QStringLiteral("/opt/selvano")));
}

void TestSettingsStore::restartShowsChosenFile_data() {
    QTest::addColumn<QString>("firmwareFile");
    QTest::addColumn<QString>("dialogPath");
    QTest::newRow("plain paths") << QStringLiteral("/home/ana/fw/dsp_v31.MVA")
                                 << QStringLiteral("/home/ana/DataFile/*.bin");
    QTest::newRow("spaces and Chinese") << QStringLiteral("/home/ana/固件 更新/主控 v2.contr")
                                        << QStringLiteral("/home/ana/固件 更新/DataFile/*.bin");
    QTest::newRow("backslashes and quotes")
        << QStringLiteral("C:\\fw\\\"new\"\\dsp.MVA") << QStringLiteral("C:\\fw\\DataFile\\*.bin");
    // Longer than the 300 and 260 bytes the values once had to fit into: kept whole.
    QTest::newRow("long paths") << QStringLiteral("/m/") + QString(400, u'f') + QStringLiteral(".MVA")
                                << QStringLiteral("/m/") + QString(300, u'd') +
                                       QStringLiteral("/DataFile/*.bin");
}

void TestSettingsStore::restartShowsChosenFile() {
    QFETCH(QString, firmwareFile);
    QFETCH(QString, dialogPath);
    {
        CSettingsStore first(QStringLiteral("/opt/selvano"));
        first.LoadFirmwareLocation();
        first.SetFirmwareFile(firmwareFile);
        first.SetDialogPath(dialogPath);
        first.SaveFirmwareLocation();
    }
    CSettingsStore next(QStringLiteral("/opt/selvano"));
    next.LoadFirmwareLocation();
    QCOMPARE(next.FirmwareFile(), firmwareFile);
    QCOMPARE(next.DialogPath(), dialogPath);
}

void TestSettingsStore::missingValueKeepsMemory() {
    {
        QSettings stored(StoreFile(), QSettings::IniFormat);
        stored.setValue("Name", QStringLiteral("/fw/a.MVA"));
    }
    CSettingsStore store(QStringLiteral("/opt/selvano"));
    store.LoadFirmwareLocation();
    QCOMPARE(store.FirmwareFile(), QStringLiteral("/fw/a.MVA"));
    QCOMPARE(store.DialogPath(), QStringLiteral("/opt/selvano"));
    // An existing key is only read at start-up, never completed.
    QSettings stored(StoreFile(), QSettings::IniFormat);
    QVERIFY(!stored.contains("Path"));
}

void TestSettingsStore::saveNeedsExistingKey() {
    CSettingsStore store(QStringLiteral("/opt/selvano"));
    store.SetFirmwareFile(QStringLiteral("/fw/b.MVA"));
    store.SaveFirmwareLocation();
    QVERIFY(!QFile::exists(StoreFile()));
}

void TestSettingsStore::unwritableStoreIsSilent() {
    // A folder below a device file can never be created, not even by root.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null/settings"));
    CSettingsStore store(QStringLiteral("/opt/selvano"));
    store.LoadFirmwareLocation();
    QCOMPARE(store.FirmwareFile(), QString());
    QCOMPARE(store.DialogPath(), QStringLiteral("/opt/selvano"));
    store.SetFirmwareFile(QStringLiteral("/fw/c.MVA"));
    store.SaveFirmwareLocation();
    QCOMPARE(store.FirmwareFile(), QStringLiteral("/fw/c.MVA"));
}

void TestSettingsStore::backupSwitchSurvivesRestart_data() {
    QTest::addColumn<QVariant>("stored"); // what the store holds before the start; invalid: nothing
    QTest::addColumn<bool>("on");
    QTest::newRow("never set: on") << QVariant() << true;
    QTest::newRow("off") << QVariant(0) << false;
    QTest::newRow("on") << QVariant(1) << true;
    QTest::newRow("unreadable: on") << QVariant(QStringLiteral("maybe")) << true;
    QTest::newRow("out of range: on") << QVariant(7) << true;
}

void TestSettingsStore::backupSwitchSurvivesRestart() {
    QFETCH(QVariant, stored);
    QFETCH(bool, on);
    if (stored.isValid()) {
        QSettings file(StoreFile(), QSettings::IniFormat);
        file.setValue(CSettingsStore::kAutoBackupValue, stored);
    }
    CSettingsStore store;
    store.LoadAutoBackup();
    QCOMPARE(store.AutoBackup(), on);

    store.SaveAutoBackup(!on);
    CSettingsStore restarted;
    restarted.LoadAutoBackup();
    QCOMPARE(restarted.AutoBackup(), !on);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
