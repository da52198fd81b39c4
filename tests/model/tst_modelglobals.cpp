// Start-up values of the process-wide model state, byte for byte.
#include "model/ModelGlobals.h"
#include "support/GoldenImage.h"

#include <QTest>

#include <memory>

namespace {

QByteArray Bytes(const ParamImage& image) {
    return QByteArray(reinterpret_cast<const char*>(image.Bytes()), static_cast<qsizetype>(sizeof image));
}

template <std::size_t N> QByteArray Bytes(const std::array<std::uint8_t, N>& block) {
    return QByteArray(reinterpret_cast<const char*>(block.data()), static_cast<qsizetype>(N));
}

void Scribble(ModelGlobals& g) {
    std::memset(g.liveImage.Bytes(), 0x5A, sizeof g.liveImage);
    for (ParamImage& preset : g.presets)
        std::memset(preset.Bytes(), 0xA5, sizeof preset);
    for (auto& record : g.effectRecords)
        record.fill(0x33);
    g.systemBlock.fill(0x77);
    g.sourceVolumes.fill(0x11);
    g.positionDelays.fill(0x22);
    g.currentPreset = 4;
    g.systemPending = 1;
}

} // namespace

class TestModelGlobals : public QObject {
    Q_OBJECT

private slots:
    void resetGivesStartupValues_data() {
        QTest::addColumn<bool>("dirty");
        QTest::newRow("fresh") << false;
        QTest::newRow("after every block was overwritten") << true;
    }

    void resetGivesStartupValues() {
        QFETCH(bool, dirty);
        auto g = std::make_unique<ModelGlobals>();
        if (dirty)
            Scribble(*g);
        ResetModelGlobals(*g);

        const QByteArray live = Bytes(g->liveImage);
        const QByteArray factory = Golden::FactoryImage();
        QVERIFY2(live == factory, Golden::FirstDifference(live, factory).constData());

        const QByteArray emptyPreset = Golden::EmptyPreset();
        for (const ParamImage& preset : g->presets) {
            const QByteArray bytes = Bytes(preset);
            QVERIFY2(bytes == emptyPreset, Golden::FirstDifference(bytes, emptyPreset).constData());
        }
        for (const auto& record : g->effectRecords)
            QCOMPARE(Bytes(record), QByteArray(168, '\0'));

        QCOMPARE(Bytes(g->systemBlock), Golden::StartupSystemBlock());
        QCOMPARE(Bytes(g->sourceVolumes), QByteArray("\x32\x32\x32\x32\x32\0\0\0", 8));
        QCOMPARE(Bytes(g->positionDelays), QByteArray(50, '\0'));
        QCOMPARE(g->currentPreset, 0);
        QCOMPARE(g->systemPending.load(), 0);
    }

    // The document and the locale own these; a reset must not undo them.
    void resetLeavesLinksAndFlags() {
        auto g = std::make_unique<ModelGlobals>();
        g->g_linkGroup = {0, 0, 2, 2, 4, 5, 6, 6};
        g->connected = 1;
        g->language = 1;
        ResetModelGlobals(*g);
        QCOMPARE(g->g_linkGroup, (std::array<int, 8>{0, 0, 2, 2, 4, 5, 6, 6}));
        QCOMPARE(g->connected.load(), 1);
        QCOMPARE(g->language.load(), 1);
    }
};

QTEST_APPLESS_MAIN(TestModelGlobals)
#include "tst_modelglobals.moc"
