// Measured responses read from text exports: the separators and decimal commas, comments and headers,
// refusals that change nothing, smoothing of known shapes, the 0 dB level and the prediction on the grid.
#include "control/MeasuredResponse.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

using Smoothing = CMeasuredResponse::Smoothing;

// Index of a frequency the grid holds exactly.
std::size_t GridIndex(double hz) {
    const auto at = std::find(g_freqGrid.begin(), g_freqGrid.end(), hz);
    if (at == g_freqGrid.end())
        qFatal("%g Hz is no grid frequency", hz);
    return static_cast<std::size_t>(at - g_freqGrid.begin());
}

// Levels on a dense log grid, 1/96 octave from 10 Hz to 24 kHz, as lines "hz, db".
template <typename Level> QString Sweep(Level level) {
    QString text = QStringLiteral("* made by the test\nFreq(Hz), SPL(dB)\n");
    for (double hz = 10.0; hz <= 24000.0; hz *= std::pow(2.0, 1.0 / 96.0))
        text += QStringLiteral("%1, %2\n").arg(hz, 0, 'f', 6).arg(level(hz), 0, 'f', 6);
    return text;
}

// A measurement without a level frequency, so that the grid shows the SPL as read.
CMeasuredResponse Unlevelled(const QString& text, Smoothing smoothing) {
    CMeasuredResponse m;
    m.SetLevelFrequency(std::nullopt);
    m.SetSmoothing(smoothing);
    const auto refusal = m.Read(text);
    if (refusal)
        qWarning() << refusal->In(0);
    return m;
}

// Grid points that lie more than `db` above the base level.
int RaisedPoints(const CMeasuredResponse& m, double base, double db) {
    int n = 0;
    for (int i = m.FirstGridIndex(); i <= m.LastGridIndex(); ++i)
        if (m.Curve()[static_cast<std::size_t>(i)] > base + db)
            ++n;
    return n;
}

} // namespace

class TestMeasuredResponse : public QObject {
    Q_OBJECT

private slots:
    void readsEveryLayout_data();
    void readsEveryLayout();
    void refusesDamagedTextsAndKeepsWhatItHad_data();
    void refusesDamagedTextsAndKeepsWhatItHad();
    void refusesOversizedFiles();
    void noPointsOutsideTheMeasuredRange();
    void flatStaysFlat_data();
    void flatStaysFlat();
    void spikeIsSpreadOverTheWindow();
    void powerMeanOfAStep();
    void levelPutsTheChosenFrequencyAtZero_data();
    void levelPutsTheChosenFrequencyAtZero();
    void predictionAddsTheChannelResponse();
};

void TestMeasuredResponse::readsEveryLayout_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("phase");
    QTest::addColumn<QList<double>>("values"); // hz, db pairs
    QTest::newRow("comma") << QStringLiteral("20,80.5\n40,81.25\n") << false
                           << QList<double>{20, 80.5, 40, 81.25};
    QTest::newRow("comma with spaces and phase")
        << QStringLiteral("20, 80.5, -10\n40, 81, 12.5\n") << true << QList<double>{20, 80.5, 40, 81};
    QTest::newRow("tab, decimal point")
        << QStringLiteral("20.5\t80.1\t3\n40\t81\t4\n") << true << QList<double>{20.5, 80.1, 40, 81};
    QTest::newRow("tab, decimal comma")
        << QStringLiteral("20,5\t80,1\n40\t81,75\n") << false << QList<double>{20.5, 80.1, 40, 81.75};
    QTest::newRow("spaces") << QStringLiteral("  20   80.5   1\n40 81 2\r\n") << true
                            << QList<double>{20, 80.5, 40, 81};
    QTest::newRow("semicolon, decimal comma")
        << QStringLiteral("20,5;80,1\n40;81,5;-1,5\n") << false << QList<double>{20.5, 80.1, 40, 81.5};
    QTest::newRow("comments, header, blank lines")
        << QStringLiteral("* Measurement data measured by REW\n* Source: Front.Left\n\nFreq(Hz) SPL(dB) "
                          "Phase(degrees)\n\n100 75 0\n* a remark between points\n200 76 5\n\n")
        << true << QList<double>{100, 75, 200, 76};
    QTest::newRow("exponent") << QStringLiteral("2e1,8.0e1\n4.0E1,81\n") << false
                              << QList<double>{20, 80, 40, 81};
}

void TestMeasuredResponse::readsEveryLayout() {
    QFETCH(QString, text);
    QFETCH(bool, phase);
    QFETCH(QList<double>, values);
    CMeasuredResponse m;
    const auto refusal = m.Read(text, QStringLiteral("woofer.txt"));
    QVERIFY2(!refusal, refusal ? qPrintable(refusal->In(0)) : "");
    QCOMPARE(m.Points().size(), static_cast<std::size_t>(values.size() / 2));
    for (qsizetype i = 0; i + 1 < values.size(); i += 2) {
        QCOMPARE(m.Points()[static_cast<std::size_t>(i / 2)].hz, values[i]);
        QCOMPARE(m.Points()[static_cast<std::size_t>(i / 2)].db, values[i + 1]);
    }
    QCOMPARE(m.HasPhase(), phase);
    QCOMPARE(m.Name(), QStringLiteral("woofer.txt"));
}

void TestMeasuredResponse::refusesDamagedTextsAndKeepsWhatItHad_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("chinese");
    QTest::newRow("empty") << QString() << "The measurement file holds no usable points."
                           << "测量文件中没有可用的数据点。";
    QTest::newRow("only comments and a header")
        << QStringLiteral("* nothing\nFreq SPL\n") << "The measurement file holds no usable points."
        << "测量文件中没有可用的数据点。";
    QTest::newRow("prose") << QStringLiteral("Dear diary, the bass was loud.")
                           << "The measurement file holds no usable points."
                           << "测量文件中没有可用的数据点。";
    QTest::newRow("one point") << QStringLiteral("100, 80\n")
                               << "The measurement file holds only one point: at least two are needed."
                               << "测量文件中只有一个数据点：至少需要两个。";
    QTest::newRow("falling")
        << QStringLiteral("* x\n100, 80\n200, 81\n150, 82\n")
        << "The frequency on line 4 of the measurement file does not rise above the line before."
        << "测量文件第 4 行的频率没有高于前一行。";
    QTest::newRow("repeated")
        << QStringLiteral("100, 80\n100, 81\n")
        << "The frequency on line 2 of the measurement file does not rise above the line before."
        << "测量文件第 2 行的频率没有高于前一行。";
    QTest::newRow("garbage in a data line") << QStringLiteral("100, 80\n200, eighty\n")
                                            << "Line 2 of the measurement file is no frequency and level."
                                            << "测量文件第 2 行不是频率和声压级。";
    QTest::newRow("one column") << QStringLiteral("100, 80\n\n200\n")
                                << "Line 3 of the measurement file is no frequency and level."
                                << "测量文件第 3 行不是频率和声压级。";
    QTest::newRow("bad phase") << QStringLiteral("100, 80, 0\n200, 81, x\n")
                               << "Line 2 of the measurement file is no frequency and level."
                               << "测量文件第 2 行不是频率和声压级。";
    QTest::newRow("decimal comma with comma separator")
        << QStringLiteral("100,5,80,1\n200,80\n")
        << "Line 1 of the measurement file is no frequency and level."
        << "测量文件第 1 行不是频率和声压级。";
    QTest::newRow("infinite level") << QStringLiteral("100, 80\n200, inf\n")
                                    << "Line 2 of the measurement file holds a value that is not finite."
                                    << "测量文件第 2 行含有非有限的数值。";
    QTest::newRow("not a number") << QStringLiteral("100, nan\n200, 80\n")
                                  << "Line 1 of the measurement file holds a value that is not finite."
                                  << "测量文件第 1 行含有非有限的数值。";
    QTest::newRow("zero frequency") << QStringLiteral("0, 80\n200, 80\n")
                                    << "The frequency on line 1 of the measurement file is not above 0 Hz."
                                    << "测量文件第 1 行的频率不大于 0 Hz。";
    QTest::newRow("negative frequency")
        << QStringLiteral("100, 80\n-5, 80\n")
        << "The frequency on line 2 of the measurement file is not above 0 Hz."
        << "测量文件第 2 行的频率不大于 0 Hz。";
    QTest::newRow("absurd level") << QStringLiteral("100, 80\n200, 1e9\n")
                                  << "The level on line 2 of the measurement file lies beyond +-300 dB."
                                  << "测量文件第 2 行的声压级超出 +-300 dB。";
}

// A refused text leaves the measurement, its name and its curve as they were.
void TestMeasuredResponse::refusesDamagedTextsAndKeepsWhatItHad() {
    QFETCH(QString, text);
    QFETCH(QString, english);
    QFETCH(QString, chinese);
    CMeasuredResponse m;
    QVERIFY(!m.Read(QStringLiteral("20, 70\n20000, 90\n"), QStringLiteral("kept.txt")));
    const auto curve = m.Curve();
    const auto refusal = m.Read(text, QStringLiteral("damaged.txt"));
    QVERIFY(refusal);
    QCOMPARE(refusal->In(0), english);
    QCOMPARE(refusal->In(1), chinese);
    QCOMPARE(m.Name(), QStringLiteral("kept.txt"));
    QCOMPARE(m.Points().size(), std::size_t{2});
    QCOMPARE(m.Points()[1].db, 90.0);
    QVERIFY(std::equal(curve.begin(), curve.end(), m.Curve().begin(),
                       [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }));

    CMeasuredResponse empty;
    QVERIFY(empty.Read(text));
    QVERIFY(empty.Empty());
    QCOMPARE(empty.LastGridIndex(), -1);
}

void TestMeasuredResponse::refusesOversizedFiles() {
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile file(big);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray line = "1000, 80\n";
        QByteArray chunk;
        while (chunk.size() < 1024 * 1024)
            chunk += line;
        for (int i = 0; i < 9; ++i)
            file.write(chunk);
    }
    CMeasuredResponse m;
    auto refusal = m.ReadFile(big);
    QVERIFY(refusal);
    QCOMPARE(refusal->In(0), QStringLiteral("The measurement file is larger than 8 MB."));
    refusal = m.ReadFile(dir.filePath(QStringLiteral("missing.txt")));
    QVERIFY(refusal);
    QCOMPARE(refusal->In(0), QStringLiteral("The measurement file cannot be read."));

    QString many;
    for (int i = 1; i <= CMeasuredResponse::kMostPoints + 1; ++i)
        many += QString::number(i) + QStringLiteral(",80\n");
    refusal = m.Read(many);
    QVERIFY(refusal);
    QCOMPARE(refusal->In(0), QStringLiteral("The measurement file holds more than 262144 points."));
    QVERIFY(m.Empty());

    // A file with a byte-order mark keeps its name, without the folder.
    const QString small = dir.filePath(QStringLiteral("door woofer.txt"));
    QFile file(small);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF"
               "100\t80\n200\t81\n");
    file.close();
    QVERIFY(!m.ReadFile(small));
    QCOMPARE(m.Name(), QStringLiteral("door woofer.txt"));
    QCOMPARE(m.Points().front().hz, 100.0);
}

// 50..5000 Hz measured: the grid below 50 and above 5000 Hz has no value, with every smoothing.
void TestMeasuredResponse::noPointsOutsideTheMeasuredRange() {
    for (Smoothing s : {Smoothing::Off, Smoothing::Third}) {
        CMeasuredResponse m = Unlevelled(QStringLiteral("50, 80\n1000, 84\n5000, 90\n"), s);
        QVERIFY(!m.Empty());
        QCOMPARE(g_freqGrid[static_cast<std::size_t>(m.FirstGridIndex())] >= 50.0, true);
        QVERIFY(g_freqGrid[static_cast<std::size_t>(m.FirstGridIndex() - 1)] < 50.0);
        QCOMPARE(g_freqGrid[static_cast<std::size_t>(m.LastGridIndex())], 5000.0);
        for (int i = 0; i < kGridPoints; ++i) {
            const bool inside = i >= m.FirstGridIndex() && i <= m.LastGridIndex();
            QCOMPARE(std::isnan(m.Curve()[static_cast<std::size_t>(i)]), !inside);
        }
        if (s == Smoothing::Off)
            QCOMPARE(m.Curve()[GridIndex(5000.0)], 90.0);
        else // the window at the end holds only the lower levels below it
            QVERIFY(m.Curve()[GridIndex(5000.0)] < 90.0);
    }
    // Without smoothing the dB values run linearly over log-frequency: halfway (in octaves) is the mean.
    CMeasuredResponse m = Unlevelled(QStringLiteral("500, 80\n2000, 90\n"), Smoothing::Off);
    QCOMPARE(m.Curve()[GridIndex(1000.0)], 85.0);
}

void TestMeasuredResponse::flatStaysFlat_data() {
    QTest::addColumn<int>("smoothing");
    QTest::newRow("off") << static_cast<int>(Smoothing::Off);
    QTest::newRow("1/3") << static_cast<int>(Smoothing::Third);
    QTest::newRow("1/6") << static_cast<int>(Smoothing::Sixth);
    QTest::newRow("1/12") << static_cast<int>(Smoothing::Twelfth);
}

void TestMeasuredResponse::flatStaysFlat() {
    QFETCH(int, smoothing);
    const CMeasuredResponse m =
        Unlevelled(Sweep([](double) { return 84.0; }), static_cast<Smoothing>(smoothing));
    QCOMPARE(m.FirstGridIndex(), 0);
    QCOMPARE(m.LastGridIndex(), kGridPoints - 1);
    for (double db : m.Curve())
        QVERIFY2(std::abs(db - 84.0) < 1e-9, qPrintable(QString::number(db)));
}

// One point 20 dB up at 1 kHz: unsmoothed it stays one grid point wide; a window spreads it over about its
// width (1/3 octave: some eight grid points of 1/24 octave, 1/12: about two) and lowers its top.
void TestMeasuredResponse::spikeIsSpreadOverTheWindow() {
    QString lines;
    for (int k = -192; k <= 192; ++k) { // 1/96 octave steps, two octaves either side of 1 kHz
        const double hz = 1000.0 * std::pow(2.0, k / 96.0);
        lines += QStringLiteral("%1, %2\n").arg(hz, 0, 'f', 9).arg(k == 0 ? 100.0 : 80.0);
    }
    const CMeasuredResponse raw = Unlevelled(lines, Smoothing::Off);
    const CMeasuredResponse third = Unlevelled(lines, Smoothing::Third);
    const CMeasuredResponse twelfth = Unlevelled(lines, Smoothing::Twelfth);
    const std::size_t at = GridIndex(1000.0);
    QCOMPARE(raw.Curve()[at], 100.0);
    QCOMPARE(RaisedPoints(raw, 80.0, 0.01), 1);

    // The spike's power (a triangle 1/48 octave wide at its foot) spread over the window.
    const double spikePower = std::pow(10.0, 10.0) - std::pow(10.0, 8.0);
    const auto expectedTop = [&](double octaves) {
        return 10.0 * std::log10(std::pow(10.0, 8.0) + spikePower * (1.0 / 96.0) / octaves);
    };
    QVERIFY(std::abs(third.Curve()[at] - expectedTop(1.0 / 3.0)) < 1e-6);
    QVERIFY(std::abs(twelfth.Curve()[at] - expectedTop(1.0 / 12.0)) < 1e-6);
    QVERIFY(third.Curve()[at] < twelfth.Curve()[at]);

    const int thirdWide = RaisedPoints(third, 80.0, 0.01);
    const int twelfthWide = RaisedPoints(twelfth, 80.0, 0.01);
    QVERIFY2(thirdWide >= 7 && thirdWide <= 9, qPrintable(QString::number(thirdWide)));
    QVERIFY2(twelfthWide >= 1 && twelfthWide <= 3, qPrintable(QString::number(twelfthWide)));
}

// A step from 80 to 90 dB at 1 kHz: a 1/3-octave window centred on the step averages the power, which is
// not the mean of the dB values.
void TestMeasuredResponse::powerMeanOfAStep() {
    const QString text = QStringLiteral("100, 80\n999.999, 80\n1000.001, 90\n10000, 90\n");
    CMeasuredResponse m = Unlevelled(text, Smoothing::Third);
    const double expected = 10.0 * std::log10((1e8 + 1e9) / 2.0); // 87.40 dB, the dB mean would be 85
    QVERIFY2(std::abs(m.SmoothedAt(1000.0) - expected) < 1e-3,
             qPrintable(QString::number(m.SmoothedAt(1000.0))));
    // Far from the step the window sees one level only.
    QVERIFY(std::abs(m.SmoothedAt(300.0) - 80.0) < 1e-9);
    // At the ends the window is cut to what was measured.
    QVERIFY(std::abs(m.SmoothedAt(10000.0) - 90.0) < 1e-9);
    QVERIFY(std::isnan(m.SmoothedAt(10001.0)));
}

void TestMeasuredResponse::levelPutsTheChosenFrequencyAtZero_data() {
    QTest::addColumn<double>("level"); // 0: none
    QTest::addColumn<double>("offset");
    QTest::addColumn<double>("at1k"); // the curve at 1 kHz after
    // A slope of 6 dB per decade from 80 dB at 100 Hz: 86 dB at 1 kHz, 92 dB at 10 kHz.
    QTest::newRow("default 1 kHz") << -1.0 << 86.0 << 0.0;
    QTest::newRow("none") << 0.0 << 0.0 << 86.0;
    QTest::newRow("100 Hz") << 100.0 << 80.0 << 6.0;
    QTest::newRow("below the measurement: its lowest point") << 20.0 << 80.0 << 6.0;
    QTest::newRow("above the measurement: its highest point") << 20000.0 << 92.0 << -6.0;
}

void TestMeasuredResponse::levelPutsTheChosenFrequencyAtZero() {
    QFETCH(double, level);
    QFETCH(double, offset);
    QFETCH(double, at1k);
    CMeasuredResponse m;
    if (level >= 0.0)
        QVERIFY(m.SetLevelFrequency(level > 0.0 ? std::optional<double>(level) : std::nullopt));
    QVERIFY(!m.Read(QStringLiteral("100, 80\n1000, 86\n10000, 92\n")));
    QVERIFY(std::abs(m.LevelOffsetDb() - offset) < 1e-9);
    QVERIFY(std::abs(m.Curve()[GridIndex(1000.0)] - at1k) < 1e-9);
    QVERIFY(std::abs(m.Curve()[GridIndex(10079.0) - 1] - (92.0 - offset)) < 0.2);

    // The level stays chosen when smoothing changes and when another file comes: the curve is 0 dB there
    // (at the nearest end of the measurement when it lies outside).
    m.SetSmoothing(Smoothing::Sixth);
    QVERIFY(!m.Read(QStringLiteral("100, 70\n1000, 76\n10000, 82\n")));
    if (level == 0.0) {
        QCOMPARE(m.LevelOffsetDb(), 0.0);
    } else {
        const double at = std::clamp(level < 0.0 ? 1000.0 : level, 100.0, 10000.0);
        QCOMPARE(m.LevelOffsetDb(), m.SmoothedAt(at));
        QVERIFY(std::abs(m.LevelOffsetDb() - (offset - 10.0)) < 0.3);
    }
}

// Prediction = levelled measurement + channel response, point by point; no value where none was measured.
// An unusable level frequency is refused and changes nothing.
void TestMeasuredResponse::predictionAddsTheChannelResponse() {
    CMeasuredResponse m;
    QVERIFY(!m.Read(QStringLiteral("40, 80\n1000, 86\n10000, 92\n")));
    std::array<double, kGridPoints> channel{};
    for (std::size_t i = 0; i < channel.size(); ++i)
        channel[i] = g_freqGrid[i] < 1000.0 ? -6.0 : 3.0;
    const auto predicted = m.Predicted(channel);
    for (std::size_t i = 0; i < predicted.size(); ++i) {
        if (g_freqGrid[i] < 40.0 || g_freqGrid[i] > 10000.0)
            QVERIFY(std::isnan(predicted[i]));
        else
            QCOMPARE(predicted[i], m.Curve()[i] + channel[i]);
    }
    QCOMPARE(predicted[GridIndex(1000.0)], 3.0);

    for (double bad : {0.0, -100.0, 1e9, std::nan("")})
        QVERIFY(!m.SetLevelFrequency(bad));
    QCOMPARE(m.LevelFrequency(), std::optional<double>(1000.0));
    QCOMPARE(m.Curve()[GridIndex(1000.0)], 0.0);
    m.Clear();
    QVERIFY(m.Empty());
    QVERIFY(std::isnan(m.Predicted(channel)[GridIndex(1000.0)]));
}

QTEST_APPLESS_MAIN(TestMeasuredResponse)
#include "tst_MeasuredResponse.moc"
