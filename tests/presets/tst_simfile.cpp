// Setting the simulated device up from setup and all-data files.
#include "presets/SimFile.h"
#include "sim/SimDevice.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {

constexpr int kImage = 2792;

// The files' tag in its length-prefixed form: one length byte, then the 16 characters.
QByteArray Tag() {
    return QByteArray(1, '\x10') + QByteArray("ORVEN-XT-PRO-1.0");
}

QByteArray Pattern(int n, int seed) {
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<char>(seed + 13 * i + i / 251);
    return b;
}

// Setup file: tag, live image. All-data file: tag, 32-byte system block, 20 preset memories, live image,
// 50-byte position-delay block.
QByteArray SetupFile() {
    return Tag() + Pattern(kImage, 1);
}
QByteArray AllFile() {
    QByteArray f = Tag() + Pattern(32, 2);
    for (int m = 0; m < 20; ++m)
        f += Pattern(kImage, 10 + m);
    return f + Pattern(kImage, 3) + Pattern(50, 4);
}

QByteArray ImageBytes(const ParamImage& image) {
    return QByteArray(reinterpret_cast<const char*>(image.Bytes()), kImage);
}

bool SameState(const SimState& a, const SimState& b) {
    return std::memcmp(&a.live, &b.live, sizeof a.live) == 0 &&
           std::memcmp(&a.presets, &b.presets, sizeof a.presets) == 0 && a.system == b.system &&
           a.sourceVolumes == b.sourceVolumes && a.currentPreset == b.currentPreset;
}

} // namespace

class TestSimFile : public QObject {
    Q_OBJECT

private slots:
    void loadsSetupIntoTheLiveSettings();
    void loadsAllDataIntoSystemPresetsAndLive();
    void refusesDamagedFiles_data();
    void refusesDamagedFiles();

private:
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    }
    QTemporaryDir m_dir;
};

void TestSimFile::loadsSetupIntoTheLiveSettings() {
    CSimDevice device;
    const SimState before = device.State();
    QVERIFY(SimFile::Load(device, Write("a.dsps", SetupFile())).ok());
    const SimState after = device.State();
    QCOMPARE(ImageBytes(after.live), Pattern(kImage, 1));
    QVERIFY(std::memcmp(&after.presets, &before.presets, sizeof before.presets) == 0);
    QCOMPARE(after.system, before.system);
}

void TestSimFile::loadsAllDataIntoSystemPresetsAndLive() {
    CSimDevice device;
    QVERIFY(SimFile::Load(device, Write("a.dspa", AllFile())).ok());
    const SimState s = device.State();
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(s.system.data()), 32), Pattern(32, 2));
    for (int p = 1; p <= 20; ++p)
        QCOMPARE(ImageBytes(s.Preset(p)), Pattern(kImage, 10 + p - 1));
    QCOMPARE(ImageBytes(s.live), Pattern(kImage, 3));
}

void TestSimFile::refusesDamagedFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    QByteArray badTag = SetupFile();
    badTag[5] = 'x';
    QByteArray lowerTag = AllFile();
    lowerTag[1] = 'o';
    QTest::newRow("setup one byte short") << "a.dsps" << SetupFile().chopped(1) << "error for file!";
    QTest::newRow("setup one byte long") << "a.dsps" << SetupFile() + '\0' << "error for file!";
    QTest::newRow("setup with another tag") << "a.dsps" << badTag << "error for file!";
    QTest::newRow("all-data with a setup's size") << "a.dspa" << SetupFile() << "Read all MusicFile Error";
    QTest::newRow("all-data with a lower-case tag") << "a.dspa" << lowerTag << "Read all MusicFile Error";
    QTest::newRow("empty all-data") << "a.dspa" << QByteArray() << "Read all MusicFile Error";
    QTest::newRow("other suffix") << "a.bin" << SetupFile() << "error for file!";
    QTest::newRow("suffix in capitals") << "a.DSPS" << SetupFile() << "error for file!";
    QTest::newRow("missing file") << "" << QByteArray() << "error for file!";
}

void TestSimFile::refusesDamagedFiles() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    CSimDevice device;
    const SimState before = device.State();
    const QString path = name.isEmpty() ? m_dir.filePath("none.dsps") : Write(name, bytes);
    const Status status = SimFile::Load(device, path);
    QVERIFY(!status.ok());
    QCOMPARE(QString::fromUtf8(status.error().en), error);
    QVERIFY(SameState(device.State(), before));
}

QTEST_GUILESS_MAIN(TestSimFile)
#include "tst_simfile.moc"
