// Setup and all-data files: exact bytes, round trips, and damaged files that must change nothing.
#include "model/SystemSettings.h"
#include "presets/PresetFile.h"
#include "support/GoldenImage.h"
#include "support/ModelFixture.h"
#include "support/TestFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kTagBytes = QByteArray("\x10") + "ORVEN-XT-PRO-1.0";

QByteArray Raw(const void* data, std::size_t size) {
    return QByteArray(static_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Every process-wide block and every object value.
QByteArray Snapshot(ModelFixture& m) {
    QByteArray all = ImageBytes(m.g->liveImage);
    for (const ParamImage& preset : m.g->presets)
        all += ImageBytes(preset);
    all += Raw(m.g->systemBlock.data(), m.g->systemBlock.size());
    all += Raw(m.g->sourceVolumes.data(), m.g->sourceVolumes.size());
    all += Raw(m.g->positionDelays.data(), m.g->positionDelays.size());
    for (const auto& record : m.g->effectRecords)
        all += Raw(record.data(), record.size());
    all += Fingerprint(*m.data);
    return all;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A model with something in every block, so that loads have something to change.
void Populate(ModelFixture& m) {
    m.Channel(1).SetChannelGain(22);
    m.Channel(1).Band(17).SetGainCode(330);
    m.Channel(6).LowPass().SetFreq(9000, 1);
    (void)m.Channel(3).SetName(QStringLiteral("Door"));
    std::memcpy(m.g->presets[0].name, "Rock\0", 5);
    m.g->presets[19].outputs[5].gainCode = 7;
    CSystemSettings system(*m.g);
    system.SelectSource(3);
    system.SetMasterVolume(33);
    m.g->systemBlock[8] = 6;
    m.g->positionDelays[2] = 0x40;
    m.g->positionDelays[48] = 2;
}

} // namespace

class TestPresetFile : public QObject {
    Q_OBJECT

private slots:
    // ---- Formats
    // ---------------------------------------------------------------------------------------------

    void setupFileBytes() {
        ModelFixture m;
        m.Channel(0).SetChannelGain(40);
        const QByteArray file = CPresetFile(*m.g, *m.data).SerializeSetup();

        QByteArray image = Golden::CollectedFactoryImage();
        Golden::PutU16(image, Golden::Out(0, 250), 40);
        Golden::PutU8(image, Golden::kMarker, 1);
        const QByteArray expected = kTagBytes + image;
        QCOMPARE(file.size(), 2809);
        QVERIFY2(file == expected, Golden::FirstDifference(file, expected).constData());
        QCOMPARE(ImageBytes(m.g->liveImage), image); // the live image was collected and marked
    }

    void allDataFileBytes() {
        ModelFixture m;
        std::memcpy(m.g->presets[0].name, "Rock\0", 5);
        m.g->presets[19].outputs[5].gainCode = 7;
        m.g->systemBlock[4] = 3;
        m.g->positionDelays[12] = 0x60; // position 1, delay 0
        m.g->positionDelays[48] = 1;
        m.g->positionDelays[49] = 0xC3;
        const QByteArray file = CPresetFile(*m.g, *m.data).SerializeAll();

        QByteArray system = Golden::StartupSystemBlock();
        Golden::PutU8(system, 4, 3);
        QByteArray expected = kTagBytes + system;
        for (int p = 0; p < 20; ++p) {
            QByteArray preset = Golden::EmptyPreset();
            Golden::PutU8(preset, Golden::kMarker, 1); // also in memories that were never used
            if (p == 0)
                preset.replace(0, 5, QByteArray("Rock\0", 5));
            if (p == 19)
                Golden::PutU16(preset, Golden::Out(5, 250), 7);
            expected += preset;
        }
        QByteArray live = Golden::CollectedFactoryImage();
        Golden::PutU8(live, Golden::kMarker, 1);
        expected += live;
        QByteArray positions(50, '\0');
        Golden::PutU8(positions, 12, 0x60);
        Golden::PutU8(positions, 48, 1);
        Golden::PutU8(positions, 49, 0xC3);
        expected += positions;

        QCOMPARE(file.size(), 58731);
        QVERIFY2(file == expected, Golden::FirstDifference(file, expected).constData());
    }

    void archiveStringForms_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("prefix");
        QTest::newRow("empty") << 0 << QByteArray("\x00", 1);
        QTest::newRow("the tag") << 16 << QByteArray("\x10");
        QTest::newRow("254") << 254 << QByteArray("\xFE");
        QTest::newRow("255") << 255 << QByteArray("\xFF\xFF\x00", 3);
        QTest::newRow("0xFFFD") << 0xFFFD << QByteArray("\xFF\xFD\xFF");
        QTest::newRow("0xFFFE") << 0xFFFE << QByteArray("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7);
        QTest::newRow("0x10000") << 0x10000 << QByteArray("\xFF\xFF\xFF\x00\x00\x01\x00", 7);
    }

    void archiveStringForms() {
        QFETCH(int, length);
        QFETCH(QByteArray, prefix);
        const QByteArray text(length, 'x');
        const QByteArray encoded = ArchiveString(text);
        QCOMPARE(encoded, prefix + text);

        std::size_t consumed = 0;
        const std::optional<QByteArray> decoded = ReadArchiveString(encoded + "tail", &consumed);
        QVERIFY(decoded.has_value());
        QCOMPARE(*decoded, text);
        QCOMPARE(consumed, static_cast<std::size_t>(encoded.size()));
        QVERIFY(!ReadArchiveString(encoded.left(encoded.size() - 1)).has_value());
    }

    void kindOfPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("kind");
        QTest::newRow("setup") << "/tmp/a.dsps" << int(CPresetFile::FileKind::Setup);
        QTest::newRow("all data") << "x.dspa" << int(CPresetFile::FileKind::All);
        QTest::newRow("appended twice") << "x.dspa.dspa" << int(CPresetFile::FileKind::All);
        QTest::newRow("upper case is ignored") << "setup.DSPS" << int(CPresetFile::FileKind::Other);
        QTest::newRow("no extension") << "setup" << int(CPresetFile::FileKind::Other);
        QTest::newRow("dot in the folder only") << "/tmp/a.dsps/file" << int(CPresetFile::FileKind::Other);
    }

    void kindOfPath() {
        QFETCH(QString, path);
        QFETCH(int, kind);
        QCOMPARE(int(CPresetFile::KindOfPath(path)), kind);
    }

    // ---- Round trips
    // -----------------------------------------------------------------------------------------

    void saveThenLoadGivesTheSameBytes_data() {
        QTest::addColumn<bool>("allData");
        QTest::newRow("setup file") << false;
        QTest::newRow("all-data file") << true;
    }

    void saveThenLoadGivesTheSameBytes() {
        QFETCH(bool, allData);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(allData ? "x.dspa" : "abc.dsps");

        ModelFixture saved;
        Populate(saved);
        CPresetFile savedFile(*saved.g, *saved.data);
        QVERIFY(allData ? savedFile.SaveAllFile(path).ok() : savedFile.SaveSetupFile(path).ok());
        const QByteArray bytes = ReadFile(path);
        QCOMPARE(bytes.size(), allData ? 58731 : 2809);

        ModelFixture loaded;
        CPresetFile loadedFile(*loaded.g, *loaded.data);
        QVERIFY(allData ? loadedFile.LoadAllFile(path).ok() : loadedFile.LoadSetupFile(path).ok());
        QCOMPARE(ImageBytes(loaded.g->liveImage), ImageBytes(saved.g->liveImage));
        QCOMPARE(loaded.Channel(1).GetChannelGain(), 22);
        QCOMPARE(loaded.Channel(1).Band(17).GetGainCode(), 330);
        QCOMPARE(loaded.Channel(6).LowPass().GetFreq(), 9000);
        QCOMPARE(loaded.Channel(3).GetName(), QStringLiteral("Door"));
        if (allData) {
            QCOMPARE(Raw(loaded.g->systemBlock.data(), 32), Raw(saved.g->systemBlock.data(), 32));
            for (int p = 0; p < 20; ++p)
                QCOMPARE(ImageBytes(loaded.g->presets[p]), ImageBytes(saved.g->presets[p]));
            QCOMPARE(Raw(loaded.g->positionDelays.data(), 50), Raw(saved.g->positionDelays.data(), 50));
            // The source volumes are not part of any file.
            QCOMPARE(int(loaded.g->sourceVolumes[3]), 50);
        } else {
            QCOMPARE(Raw(loaded.g->systemBlock.data(), 32), Golden::StartupSystemBlock());
        }

        const QString again = dir.filePath("again");
        QVERIFY(allData ? loadedFile.SaveAllFile(again).ok() : loadedFile.SaveSetupFile(again).ok());
        QCOMPARE(ReadFile(again), bytes);
    }

    // Loading a file writes nothing to the device by itself and leaves no mark, even while connected.
    void loadingLeavesNothingPending() {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.dsps");
        ModelFixture saved;
        Populate(saved);
        QVERIFY(CPresetFile(*saved.g, *saved.data).SaveSetupFile(path).ok());
        ModelFixture loaded;
        loaded.g->connected = 1;
        QVERIFY(CPresetFile(*loaded.g, *loaded.data).LoadSetupFile(path).ok());
        for (int c = 0; c < 8; ++c) {
            QCOMPARE(loaded.Channel(c).FirstPendingBand(), -1);
            QVERIFY(!loaded.Channel(c).XoverPending());
        }
    }

    void loadingNeverChangesTheEffectObject() {
        ModelFixture m;
        CPresetFile files(*m.g, *m.data);
        QByteArray setup = files.SerializeSetup();
        setup[17 + 32 + 128] = 77;                                      // first effect parameter
        setup.replace(17 + 32 + 144, 8, QByteArray("Hall\0\0\0\0", 8)); // effect name
        const QString effectName = m.data->Effect().Name();
        const int effectParam = m.data->Effect().Param(0);
        QVERIFY(files.SerializeSetup(setup).ok());
        QCOMPARE(m.data->Effect().Param(0), effectParam);
        QCOMPARE(m.data->Effect().Name(), effectName);
        QCOMPARE(int(m.g->liveImage.effect[128]), 77); // the image takes the file's bytes
    }

    void allDataLoadLimitsThePositionIndex() {
        ModelFixture m;
        CPresetFile files(*m.g, *m.data);
        QByteArray all = files.SerializeAll();
        all[58681 + 48] = 7;
        QVERIFY(files.SerializeAll(all).ok());
        QCOMPARE(int(m.g->positionDelays[48]), 3);
    }

    // ---- Damaged files
    // ---------------------------------------------------------------------------------------

    void damagedFilesChangeNothing_data() {
        QTest::addColumn<bool>("allData");
        QTest::addColumn<QString>("damage");
        for (bool allData : {false, true}) {
            const QByteArray kind = allData ? "all-data: " : "setup: ";
            for (const char* damage : {"wrong tag", "lower-case tag", "truncated by one byte",
                                       "one byte too long", "empty", "missing", "the other kind"})
                QTest::newRow(kind + damage) << allData << QString::fromLatin1(damage);
        }
    }

    void damagedFilesChangeNothing() {
        QFETCH(bool, allData);
        QFETCH(QString, damage);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());

        // A good file from a different setup, then damaged.
        ModelFixture other;
        Populate(other);
        CPresetFile otherFiles(*other.g, *other.data);
        QByteArray bytes = allData ? otherFiles.SerializeAll() : otherFiles.SerializeSetup();
        if (damage == "wrong tag")
            bytes.replace(1, 5, "AAAAA");
        else if (damage == "lower-case tag")
            bytes.replace(1, 16, "orven-xt-pro-1.0");
        else if (damage == "truncated by one byte")
            bytes.chop(1);
        else if (damage == "one byte too long")
            bytes.append('\0');
        else if (damage == "empty")
            bytes.clear();
        else if (damage == "the other kind")
            bytes = allData ? otherFiles.SerializeSetup() : otherFiles.SerializeAll();
        const QString path = dir.filePath("damaged");
        if (damage != "missing")
            QVERIFY(WriteFile(path, bytes));

        ModelFixture m;
        m.Channel(2).SetDelay(123);
        m.g->positionDelays[48] = 9;
        const QByteArray before = Snapshot(m);
        CPresetFile files(*m.g, *m.data);
        const Status status = allData ? files.LoadAllFile(path) : files.LoadSetupFile(path);
        QVERIFY(!status.ok());
        if (allData) {
            QCOMPARE(QByteArray(status.error().en), QByteArray("Read all MusicFile Error"));
            QCOMPARE(status.error().In(1), QString::fromUtf8("读所有音乐文件错误!"));
        } else {
            QCOMPARE(QByteArray(status.error().en), QByteArray("error for file!"));
            QCOMPARE(status.error().In(1), QString::fromUtf8("文件错误!"));
        }
        QVERIFY(Snapshot(m) == before);
    }

    // ---- Saving
    // ----------------------------------------------------------------------------------------------

    void saveErrors_data() {
        QTest::addColumn<bool>("allData");
        QTest::newRow("setup") << false;
        QTest::newRow("all data") << true;
    }

    void saveErrors() {
        QFETCH(bool, allData);
        QTemporaryDir dir;
        ModelFixture m;
        CPresetFile files(*m.g, *m.data);
        const QString path = dir.filePath("no such folder/file");
        const Status status = allData ? files.SaveAllFile(path) : files.SaveSetupFile(path);
        QVERIFY(!status.ok());
        QCOMPARE(QByteArray(status.error().en),
                 allData ? QByteArray("save File Error!") : QByteArray("Save MusicFile Error!"));
        QCOMPARE(status.error().In(1), QString::fromUtf8(allData ? "保存文件错误!" : "保存音乐文件错误!"));
    }

    // Saving replaces a file as a whole: the old contents until the new ones are complete.
    void saveReplacesAnExistingFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.dsps");
        QVERIFY(WriteFile(path, QByteArray(5000, 'z')));
        ModelFixture m;
        QVERIFY(CPresetFile(*m.g, *m.data).SaveSetupFile(path).ok());
        QCOMPARE(ReadFile(path).size(), 2809);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.dsps"});
    }
};

QTEST_GUILESS_MAIN(TestPresetFile)
#include "tst_presetfile.moc"
