// Tables, conversions, graph coordinates and fixed-width text fields of the parameter model.
#include "base/DataDefine.h"

#include <QTest>

#include <array>
#include <cmath>
#include <cstring>

class TestDataDefine : public QObject {
    Q_OBJECT

private slots:
    void gridRows_data();
    void gridRows();
    void gridIsAscendingAndNearTwentyFourthOctave();
    void qTableEntries_data();
    void qTableEntries();
    void qTableFollowsFormula();
    void nearestGridIndex_data();
    void nearestGridIndex();
    void eqGainCode_data();
    void eqGainCode();
    void bandwidthIndex_data();
    void bandwidthIndex();
    void bandwidthIndexRoundTripsEveryStep();
    void qText_data();
    void qText();
    void delayMs_data();
    void delayMs();
    void distanceDelay_data();
    void distanceDelay();
    void limiter_data();
    void limiter();
    void texts_data();
    void texts();
    void graphCoordinates_data();
    void graphCoordinates();
    void gainOfGraphY_data();
    void gainOfGraphY();
    void freqOfGraphX_data();
    void freqOfGraphX();
    void readField_data();
    void readField();
    void writeFieldStrict_data();
    void writeFieldStrict();
    void writeFieldCut_data();
    void writeFieldCut();
    void isBlank_data();
    void isBlank();
};

void TestDataDefine::gridRows_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("hz");
    const std::array<std::pair<int, double>, 17> rows{{{0, 19.7},
                                                       {1, 20.3},
                                                       {12, 27.8},
                                                       {48, 78.7},
                                                       {57, 102.0},
                                                       {76, 179.0},
                                                       {100, 354.0},
                                                       {112, 500.0},
                                                       {136, 1000.0},
                                                       {160, 2000.0},
                                                       {184, 4000.0},
                                                       {192, 5000.0},
                                                       {208, 8000.0},
                                                       {232, 16000.0},
                                                       {239, 19585.0},
                                                       {240, 20000.0},
                                                       {137, 1030.0}}};
    for (const auto& [index, hz] : rows) {
        QTest::addRow("grid[%d]", index) << index << hz;
    }
}

void TestDataDefine::gridRows() {
    QFETCH(int, index);
    QFETCH(double, hz);
    QCOMPARE(g_freqGrid[static_cast<std::size_t>(index)], hz);
}

void TestDataDefine::gridIsAscendingAndNearTwentyFourthOctave() {
    QCOMPARE(g_freqGrid.size(), std::size_t(241));
    for (std::size_t i = 1; i < g_freqGrid.size(); ++i) {
        QVERIFY2(g_freqGrid[i] > g_freqGrid[i - 1], qPrintable(QString::number(i)));
    }
    for (std::size_t i = 0; i < g_freqGrid.size(); ++i) {
        const double ideal = 1000.0 * std::pow(2.0, (static_cast<double>(i) - 136.0) / 24.0);
        QVERIFY2(std::abs(g_freqGrid[i] / ideal - 1.0) < 0.013, qPrintable(QString::number(i)));
    }
}

void TestDataDefine::qTableEntries_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("q");
    QTest::newRow("0 (0.05 oct)") << 0 << 28.852;
    QTest::newRow("1") << 1 << 24.043;
    QTest::newRow("4") << 4 << 16.027;
    QTest::newRow("15 (0.2 oct)") << 15 << 7.208;
    QTest::newRow("95 (1 oct)") << 95 << 1.414;
    QTest::newRow("295 (3 oct)") << 295 << 0.404;
}

void TestDataDefine::qTableEntries() {
    QFETCH(int, index);
    QFETCH(double, q);
    QCOMPARE(g_qTable[static_cast<std::size_t>(index)], q);
    QCOMPARE(QOfBandwidthIndex(index), q);
}

void TestDataDefine::qTableFollowsFormula() {
    QCOMPARE(g_qTable.size(), std::size_t(296));
    for (int i = 0; i < 296; ++i) {
        const double n = 0.05 + 0.01 * i;
        const double q = std::sqrt(std::pow(2.0, n)) / (std::pow(2.0, n) - 1.0);
        QVERIFY2(std::abs(g_qTable[static_cast<std::size_t>(i)] - q) <= 0.0005 + 1e-12,
                 qPrintable(QString::number(i)));
    }
    QCOMPARE(QOfBandwidthIndex(-1), 0.0);
    QCOMPARE(QOfBandwidthIndex(296), 0.0);
}

void TestDataDefine::nearestGridIndex_data() {
    QTest::addColumn<double>("f");
    QTest::addColumn<int>("index");
    QTest::newRow("1010 nearer 1000") << 1010.0 << 136;
    QTest::newRow("1015 tie goes up") << 1015.0 << 137;
    QTest::newRow("1014.9 below the tie") << 1014.9 << 136;
    QTest::newRow("exact 1000") << 1000.0 << 136;
    QTest::newRow("0 Hz") << 0.0 << 0;
    QTest::newRow("19.7") << 19.7 << 0;
    QTest::newRow("20 nearer 20.3") << 20.0 << 1;
    QTest::newRow("19.9 nearer 19.7") << 19.9 << 0;
    QTest::newRow("20000") << 20000.0 << 240;
    QTest::newRow("25000 above grid") << 25000.0 << 240;
    QTest::newRow("178 next to 179") << 178.0 << 76;
    QTest::newRow("5040 nearer 5000") << 5040.0 << 192;
}

void TestDataDefine::nearestGridIndex() {
    QFETCH(double, f);
    QFETCH(int, index);
    QCOMPARE(NearestGridIndex(f), index);
}

void TestDataDefine::eqGainCode_data() {
    QTest::addColumn<double>("db");
    QTest::addColumn<int>("code");
    QTest::newRow("-20 dB") << -20.0 << 0;
    QTest::newRow("+20 dB") << 20.0 << 400;
    QTest::newRow("0.04 dB") << 0.04 << 200;
    QTest::newRow("0.05 dB rounds up") << 0.05 << 201;
    QTest::newRow("-0.05 dB") << -0.05 << 200;
    QTest::newRow("3.5 dB") << 3.5 << 235;
    QTest::newRow("-12.3 dB") << -12.3 << 77;
    QTest::newRow("-20.1 dB, below the range") << -20.1 << -1;
    QTest::newRow("-60 dB, a field of 0") << -60.0 << -400;
}

void TestDataDefine::eqGainCode() {
    QFETCH(double, db);
    QFETCH(int, code);
    QCOMPARE(EqGainCode(db), code);
    QCOMPARE(EqGainCode(EqGainDb(code)), code);
    QCOMPARE(code + kEqGainFieldOffset, 400 + code);
}

void TestDataDefine::bandwidthIndex_data() {
    QTest::addColumn<double>("octaves");
    QTest::addColumn<int>("index");
    QTest::newRow("0.2 oct") << 0.2 << 15;
    QTest::newRow("0.05 oct") << 0.05 << 0;
    QTest::newRow("1.0 oct") << 1.0 << 95;
    QTest::newRow("3.0 oct") << 3.0 << 295;
    QTest::newRow("between steps goes down") << 0.205 << 15;
    QTest::newRow("within 0.0005 below the upper step") << 0.2096 << 16;
    QTest::newRow("just outside 0.0005") << 0.2094 << 15;
}

void TestDataDefine::bandwidthIndex() {
    QFETCH(double, octaves);
    QFETCH(int, index);
    QCOMPARE(BandwidthIndex(octaves), index);
}

void TestDataDefine::bandwidthIndexRoundTripsEveryStep() {
    for (int i = 0; i <= kBandwidthIndexMax; ++i) {
        QCOMPARE(BandwidthIndex(BandwidthOctaves(i)), i);
    }
}

void TestDataDefine::qText_data() {
    QTest::addColumn<double>("q");
    QTest::addColumn<QString>("text");
    QTest::newRow("7.208") << 7.208 << "7.208";
    QTest::newRow("28.852 above 10") << 28.852 << "28.85";
    QTest::newRow("exactly 10") << 10.0 << "10.000";
    QTest::newRow("0.404") << 0.404 << "0.404";
}

void TestDataDefine::qText() {
    QFETCH(double, q);
    QFETCH(QString, text);
    QCOMPARE(QText(q), text);
}

void TestDataDefine::delayMs_data() {
    QTest::addColumn<int>("samples");
    QTest::addColumn<double>("ms");
    QTest::newRow("960 is 20 ms") << 960 << 20.0;
    QTest::newRow("48 is 1 ms") << 48 << 1.0;
    QTest::newRow("0") << 0 << 0.0;
}

void TestDataDefine::delayMs() {
    QFETCH(int, samples);
    QFETCH(double, ms);
    QCOMPARE(DelayMs(samples), ms); // exact, not fuzzy
}

void TestDataDefine::distanceDelay_data() {
    QTest::addColumn<double>("metres");
    QTest::addColumn<int>("temperature");
    QTest::addColumn<int>("samples");
    // 346.4 m/s at 25 degrees: 1 m is 2.8868 ms, 138.57 samples.
    QTest::newRow("1 m at 25 C") << 1.0 << kDefaultAirTemperature << 139;
    QTest::newRow("nothing") << 0.0 << kDefaultAirTemperature << 0;
    QTest::newRow("just above half a sample") << 346.5 / 96000.0 << kDefaultAirTemperature << 1;
    QTest::newRow("just below half a sample") << 346.3 / 96000.0 << kDefaultAirTemperature << 0;
    // 331.4 m/s at 0 degrees.
    QTest::newRow("1 m at 0 C") << 1.0 << 50 << 145;
    QTest::newRow("20 ms of travel") << 6.928 << kDefaultAirTemperature << 960;
    QTest::newRow("behind the listener") << -1.0 << kDefaultAirTemperature << 0;
}

void TestDataDefine::distanceDelay() {
    QFETCH(double, metres);
    QFETCH(int, temperature);
    QFETCH(int, samples);
    QCOMPARE(DelaySamplesOfMs(DistanceDelayMs(metres, temperature)), samples);
}

void TestDataDefine::limiter_data() {
    QTest::addColumn<int>("threshold");
    QTest::addColumn<double>("dbu");
    QTest::addColumn<int>("attack");
    QTest::addColumn<double>("attackMs");
    QTest::addColumn<int>("release");
    QTest::addColumn<double>("releaseMs");
    QTest::newRow("factory") << 360 << 6.0 << 106 << 100.0 << 5 << 3200.0;
    QTest::newRow("lowest") << 0 << -30.0 << 0 << 0.3 << 0 << 0.6;
    QTest::newRow("last fine attack") << 400 << 10.0 << 6 << 0.9 << 1 << 3.6;
    QTest::newRow("first coarse attack") << 300 << 0.0 << 7 << 1.0 << 4 << 16.0;
    QTest::newRow("release out of list") << 300 << 0.0 << 7 << 1.0 << 6 << 0.0;
}

void TestDataDefine::limiter() {
    QFETCH(int, threshold);
    QFETCH(double, dbu);
    QFETCH(int, attack);
    QFETCH(double, attackMs);
    QFETCH(int, release);
    QFETCH(double, releaseMs);
    QVERIFY(qFuzzyCompare(1.0 + LimiterThresholdDbu(threshold), 1.0 + dbu));
    QVERIFY(qFuzzyCompare(LimiterAttackMs(attack), attackMs));
    QVERIFY(qFuzzyCompare(1.0 + LimiterReleaseMs(attack, release), 1.0 + releaseMs));
}

void TestDataDefine::texts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("family 0 en") << FamilyText(0, 0) << "Link_Ril";
    QTest::newRow("family 1 en") << FamilyText(1, 0) << "Bessel";
    QTest::newRow("family 2 en") << FamilyText(2, 0) << "Butter_W";
    QTest::newRow("family 0 zh") << FamilyText(0, 1) << "宁克";
    QTest::newRow("family 1 zh") << FamilyText(1, 1) << "贝塞尔";
    QTest::newRow("family 2 zh") << FamilyText(2, 1) << "巴特沃斯";
    QTest::newRow("family 3") << FamilyText(3, 0) << "";
    QTest::newRow("slope 0") << CrossoverSlopeText(0, 0) << "6dB/Oct";
    QTest::newRow("slope 3") << CrossoverSlopeText(3, 0) << "24dB/Oct";
    QTest::newRow("slope 4") << CrossoverSlopeText(4, 0) << "36dB/Oct";
    QTest::newRow("slope 5") << CrossoverSlopeText(5, 1) << "48dB/Oct";
    QTest::newRow("slope 6 en") << CrossoverSlopeText(6, 0) << "关闭";
    QTest::newRow("slope 6 zh") << CrossoverSlopeText(6, 1) << "关闭";
    QTest::newRow("slope 7") << CrossoverSlopeText(7, 0) << "";
    QTest::newRow("slope -1") << CrossoverSlopeText(-1, 0) << "";
    QTest::newRow("shelf 0") << ShelfSlopeText(0, 0) << "6dB/Oct";
    QTest::newRow("shelf 1") << ShelfSlopeText(1, 1) << "12dB/Oct";
    QTest::newRow("shelf 2") << ShelfSlopeText(2, 0) << "";
    QTest::newRow("gain") << EqGainText(-2.5) << "-2.5dB";
}

void TestDataDefine::texts() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

// A 600 x 400 plot: 200 pixels per decade, 10 pixels per dB.
void TestDataDefine::graphCoordinates_data() {
    QTest::addColumn<double>("f");
    QTest::addColumn<int>("x");
    QTest::addColumn<double>("xF");
    QTest::addColumn<double>("db");
    QTest::addColumn<int>("y");
    QTest::addColumn<double>("yF");
    QTest::newRow("20 Hz, +20 dB") << 20.0 << 0 << 0.0 << 20.0 << 0 << 0.0;
    QTest::newRow("200 Hz, 0 dB") << 200.0 << 200 << 200.0 << 0.0 << 200 << 200.0;
    QTest::newRow("20 kHz, -20 dB") << 20000.0 << 600 << 600.0 << -20.0 << 400 << 400.0;
    QTest::newRow("1 kHz truncates, 0.06 dB rounds")
        << 1000.0 << 339 << 200.0 * std::log10(50.0) << 0.06 << 199 << 199.4;
    QTest::newRow("0.04 dB rounds down") << 100.0 << 139 << 200.0 * std::log10(5.0) << 0.04 << 200 << 199.6;
}

void TestDataDefine::graphCoordinates() {
    QFETCH(double, f);
    QFETCH(int, x);
    QFETCH(double, xF);
    QFETCH(double, db);
    QFETCH(int, y);
    QFETCH(double, yF);
    QCOMPARE(GraphXOfFreq(f, 600), x);
    QVERIFY(std::abs(GraphXOfFreqF(f, 600) - xF) < 1e-9);
    QCOMPARE(GraphYOfGain(db, 400), y);
    QVERIFY(std::abs(GraphYOfGainF(db, 400) - yF) < 1e-9);
}

void TestDataDefine::gainOfGraphY_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<double>("gain");
    QTest::newRow("top") << 0 << 20.5;
    QTest::newRow("middle is not positive") << 200 << -0.5;
    QTest::newRow("above middle") << 190 << 1.5;
    QTest::newRow("below middle") << 215 << -2.0;
    QTest::newRow("bottom") << 400 << -20.5;
}

void TestDataDefine::gainOfGraphY() {
    QFETCH(int, y);
    QFETCH(double, gain);
    QCOMPARE(GainOfGraphY(y, 400), gain);
}

void TestDataDefine::freqOfGraphX_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("hz");
    QTest::newRow("left edge") << 0 << 20;
    QTest::newRow("left of the plot") << -50 << 20;
    QTest::newRow("one decade") << 200 << 200;
    QTest::newRow("truncated") << 339 << 990;
    QTest::newRow("right edge") << 600 << 20000;
    QTest::newRow("beyond") << 700 << 20000;
}

void TestDataDefine::freqOfGraphX() {
    QFETCH(int, x);
    QFETCH(int, hz);
    QCOMPARE(FreqOfGraphX(x, 600), hz);
}

void TestDataDefine::readField_data() {
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("short16");
    QTest::addColumn<QString>("full16");
    QTest::newRow("padded name") << QByteArray("  My Setup      ", 16) << "My Setup"
                                 << "My Setup";
    QTest::newRow("last byte is cut by the short form")
        << QByteArray("ABCDEFGHIJKLMNOP", 16) << "ABCDEFGHIJKLMNO"
        << "ABCDEFGHIJKLMNOP";
    QTest::newRow("stops at 0") << QByteArray("Front\0garbage!!!", 16) << "Front"
                                << "Front";
    QTest::newRow("empty preset") << QByteArray("               \0", 16) << ""
                                  << "";
    QTest::newRow("utf-8") << QByteArray("低音\0\0\0\0\0\0\0\0\0\0", 16) << "低音"
                           << "低音";
}

void TestDataDefine::readField() {
    QFETCH(QByteArray, field);
    QFETCH(QString, short16);
    QFETCH(QString, full16);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(field.constData());
    QCOMPARE(ReadField(bytes, 16), short16);
    QCOMPARE(ReadFieldFull(bytes, 16), full16);
}

void TestDataDefine::writeFieldStrict_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("field");
    const QByteArray old("OLDNAME!", 8);
    QTest::newRow("7 chars fit") << "Subwoof" << true << QByteArray("Subwoof\0", 8);
    QTest::newRow("short, zero filled") << "FL" << true << QByteArray("FL\0\0\0\0\0\0", 8);
    QTest::newRow("empty") << "" << true << QByteArray(8, '\0');
    QTest::newRow("8 chars rejected") << "Subwoofe" << false << old;
    QTest::newRow("long rejected") << "A much longer name" << false << old;
    QTest::newRow("3 Chinese chars are 9 bytes") << "超低音" << false << old;
    QTest::newRow("2 Chinese chars are 6 bytes") << "低音" << true << QByteArray("低音\0\0", 8);
}

void TestDataDefine::writeFieldStrict() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QByteArray, field);
    std::array<std::uint8_t, 8> dst{};
    std::memcpy(dst.data(), "OLDNAME!", 8);
    const Status status = WriteFieldStrict(dst.data(), dst.size(), text);
    QCOMPARE(status.ok(), ok);
    if (!ok) {
        QCOMPARE(status.error().In(0), QString("char Len error!"));
        QCOMPARE(status.error().In(1), QString("字符长度错误!"));
    }
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dst.data()), 8), field);
}

void TestDataDefine::writeFieldCut_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("20 chars keep 15 and a 0")
        << "ABCDEFGHIJKLMNOPQRST" << QByteArray("ABCDEFGHIJKLMNO\0", 16);
    QTest::newRow("short, zero filled") << "Rock" << QByteArray("Rock\0\0\0\0\0\0\0\0\0\0\0\0", 16);
    QTest::newRow("exactly 15") << "ABCDEFGHIJKLMNO" << QByteArray("ABCDEFGHIJKLMNO\0", 16);
    // 6 Chinese characters are 18 bytes: cutting to 15 keeps 5 whole characters.
    QTest::newRow("never splits a character") << "一二三四五六" << QByteArray("一二三四五\0", 16);
    QTest::newRow("cut inside a character") << "ABCD一二三四五" << QByteArray("ABCD一二三\0\0\0", 16);
}

void TestDataDefine::writeFieldCut() {
    QFETCH(QString, text);
    QFETCH(QByteArray, field);
    std::array<std::uint8_t, 16> dst{};
    dst.fill(0xEE);
    WriteFieldCut(dst.data(), dst.size(), text);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dst.data()), 16), field);
}

void TestDataDefine::isBlank_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("blank");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("spaces") << "     " << true;
    QTest::newRow("name") << "  x " << false;
}

void TestDataDefine::isBlank() {
    QFETCH(QString, text);
    QFETCH(bool, blank);
    QCOMPARE(IsBlank(text), blank);
}

QTEST_APPLESS_MAIN(TestDataDefine)
#include "tst_datadefine.moc"
