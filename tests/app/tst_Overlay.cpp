// The measured response overlay in the window: a file loaded through the settings menu's dialog is drawn on
// the graph with its prediction, which follows EQ edits; a damaged file changes nothing and says why.
#include "app/FileChooser.h"
#include "app/FormDialogs.h"
#include "app/MeasurementDlg.h"
#include "app/TopMenu.h"
#include "control/MeasuredResponse.h"
#include "editors/FStatic.h"
#include "model/KTVEQ.h"
#include "model/KTV_Data.h"

#include "app/FormRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace {

const QString kSample = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../docs/measurement-front-left.txt");

// Index of a frequency the grid holds exactly.
std::size_t GridIndex(double hz) {
    const auto at = std::find(g_freqGrid.begin(), g_freqGrid.end(), hz);
    if (at == g_freqGrid.end())
        qFatal("%g Hz is no grid frequency", hz);
    return static_cast<std::size_t>(at - g_freqGrid.begin());
}

// Band 18 sits at 1000 Hz (the ISO centres of a channel's set).
constexpr int kBandAt1k = 17;

template <typename T> T* InDialog(CMeasurementDlg* dlg, int id) {
    return dlg->findChild<T*>(QString::number(id));
}

// Pixels of the graph within a few steps of the measurement's colour.
int MeasuredPixels(CFStatic& graph) {
    const QImage image = graph.grab().toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - 150) < 12 && std::abs(c.green() - 206) < 12 &&
                std::abs(c.blue() - 214) < 12)
                ++n;
        }
    return n;
}

bool SameCurve(const std::array<double, kGridPoints>& a, const std::array<double, kGridPoints>& b) {
    return std::equal(a.begin(), a.end(), b.begin(),
                      [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); });
}

void CloseBoxes() {
    for (QMessageBox* box : VisibleBoxes())
        box->close();
}

// Opens the dialog through the menu's command for the current channel, answering its file dialog with
// `path` (as the user picking that file).
CMeasurementDlg* OpenDialog(FormRig& f, const QString* path) {
    f.View().Dialogs().Files().SetChooser(
        [path](const FileRequest&, const CFileChooser::Answer& answer) { answer(*path); });
    f.View().RunCommand(TopCommand::Measurement);
    return f.View().MeasurementDialog();
}

void Load(CMeasurementDlg* dlg) {
    QTest::mouseClick(InDialog<QPushButton>(dlg, CMeasurementDlg::kLoad), Qt::LeftButton);
}

} // namespace

class TestOverlay : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { CloseBoxes(); }

    void loadedThroughTheMenuIsDrawnWithItsPrediction();
    void predictionFollowsEqEdits();
    void smoothingAndLevelFromTheDialog();
    void damagedFileChangesNothingAndSaysWhy_data();
    void damagedFileChangesNothingAndSaysWhy();
    void shownChannelsAndClear();
};

void TestOverlay::loadedThroughTheMenuIsDrawnWithItsPrediction() {
    FormRig f;
    f.View().SelectChannel(0);
    QCOMPARE(MeasuredPixels(f.View().Graph()), 0);
    QString path = kSample;
    CMeasurementDlg* dlg = OpenDialog(f, &path);
    QVERIFY(dlg);
    QVERIFY(QTest::qWaitForWindowExposed(dlg));
    QCOMPARE(dlg->Channel(), 0);
    QVERIFY(InDialog<QLabel>(dlg, CMeasurementDlg::kChannelName)->text().startsWith(QStringLiteral("CH1")));
    QVERIFY(!InDialog<QPushButton>(dlg, CMeasurementDlg::kClear)->isEnabled());

    Load(dlg);
    QCOMPARE(InDialog<QLabel>(dlg, CMeasurementDlg::kFileName)->text(),
             QStringLiteral("measurement-front-left.txt"));
    QVERIFY(VisibleBoxes().isEmpty());
    const CFStatic::OverlayCurves overlay = f.View().Graph().OverlayOf(0);
    QVERIFY(overlay.shown);
    // 0 dB at 1 kHz by default; a flat channel predicts the measurement itself.
    QCOMPARE(overlay.measuredDb[GridIndex(1000.0)], 0.0);
    QVERIFY(SameCurve(overlay.measuredDb, f.View().Measurement(0).Curve()));
    const auto& sum = f.session->Data().Channel(0).Filters().SumDb();
    for (std::size_t i = 0; i < sum.size(); ++i)
        QCOMPARE(overlay.predictedDb[i], overlay.measuredDb[i] + sum[i]);
    // The sample runs 20 Hz to 19.9 kHz: the grid's first point (19.7 Hz) and last (20 kHz) have none.
    QVERIFY(std::isnan(overlay.measuredDb.front()) && std::isnan(overlay.measuredDb.back()));
    QVERIFY(!std::isnan(overlay.measuredDb[1]));

    // Drawn: the measured line's colour shows along its length (the dashes of the prediction cover some of
    // it).
    QVERIFY(MeasuredPixels(f.View().Graph()) > 100);

    // A second request brings the same dialog forward.
    f.View().RunCommand(TopCommand::Measurement);
    QCOMPARE(f.View().MeasurementDialog(), dlg);
}

// Band 18 of CH1 raised by 6 dB: the prediction rises by the channel's new sum at 1 kHz; the measurement
// stays where it was.
void TestOverlay::predictionFollowsEqEdits() {
    FormRig f;
    f.View().SelectChannel(0);
    QString path = kSample;
    Load(OpenDialog(f, &path));
    const CFStatic::OverlayCurves before = f.View().Graph().OverlayOf(0);
    QVERIFY(before.shown);
    QCOMPARE(before.predictedDb[GridIndex(1000.0)], 0.0);

    f.Editor().SetBandGain(0, kBandAt1k, kEqGainCodeZero + 60);
    const CFStatic::OverlayCurves after = f.View().Graph().OverlayOf(0);
    QVERIFY(SameCurve(after.measuredDb, before.measuredDb));
    const double sumAt1k = f.session->Data().Channel(0).Filters().SumDb()[GridIndex(1000.0)];
    QVERIFY2(std::abs(sumAt1k - 6.0) < 0.05, qPrintable(QString::number(sumAt1k)));
    QCOMPARE(after.predictedDb[GridIndex(1000.0)], sumAt1k);
    // Far from the band the prediction hardly moves.
    QVERIFY(std::abs(after.predictedDb[GridIndex(99.2)] - before.predictedDb[GridIndex(99.2)]) < 0.05);
}

void TestOverlay::smoothingAndLevelFromTheDialog() {
    FormRig f;
    f.View().SelectChannel(0);
    QString path = kSample;
    CMeasurementDlg* dlg = OpenDialog(f, &path);
    Load(dlg);
    const CFStatic::OverlayCurves raw = f.View().Graph().OverlayOf(0);

    auto* smoothing = InDialog<QComboBox>(dlg, CMeasurementDlg::kSmoothing);
    QCOMPARE(smoothing->currentText(), QStringLiteral("Off"));
    QTest::keyClick(smoothing, Qt::Key_Down);
    QCOMPARE(smoothing->currentText(), QStringLiteral("1/3 octave"));
    QCOMPARE(f.View().Measurement(0).GetSmoothing(), CMeasuredResponse::Smoothing::Third);
    const CFStatic::OverlayCurves smoothed = f.View().Graph().OverlayOf(0);
    QVERIFY(!SameCurve(smoothed.measuredDb, raw.measuredDb));
    QCOMPARE(smoothed.measuredDb[GridIndex(1000.0)], 0.0); // still levelled at 1 kHz
    // The dip at 340 Hz is shallower smoothed.
    QVERIFY(smoothed.measuredDb[GridIndex(344.0)] > raw.measuredDb[GridIndex(344.0)] + 1.0);

    auto* level = InDialog<QLineEdit>(dlg, CMeasurementDlg::kLevelHz);
    level->selectAll();
    QTest::keyClicks(level, QStringLiteral("100"));
    QTest::keyClick(level, Qt::Key_Return);
    QCOMPARE(f.View().Measurement(0).LevelFrequency(), std::optional<double>(100.0));
    const CMeasuredResponse& m = f.View().Measurement(0);
    QCOMPARE(m.LevelOffsetDb(), m.SmoothedAt(100.0));
    const CFStatic::OverlayCurves at100 = f.View().Graph().OverlayOf(0);
    QCOMPARE(at100.measuredDb[GridIndex(1000.0)], m.SmoothedAt(1000.0) - m.LevelOffsetDb());
    QVERIFY(std::abs(at100.measuredDb[GridIndex(99.2)]) < 0.5);

    // Switched off: the SPL as measured, some 85 dB.
    QTest::mouseClick(InDialog<QCheckBox>(dlg, CMeasurementDlg::kLevelOn), Qt::LeftButton);
    QVERIFY(!m.LevelFrequency());
    QVERIFY(!level->isEnabled());
    QCOMPARE(f.View().Graph().OverlayOf(0).measuredDb[GridIndex(1000.0)], m.SmoothedAt(1000.0));
    QVERIFY(m.SmoothedAt(1000.0) > 80.0);
}

void TestOverlay::damagedFileChangesNothingAndSaysWhy_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("text");
    QTest::newRow("unsorted, English")
        << 0 << QByteArray("100 80\n300 81\n200 82\n")
        << QStringLiteral("The frequency on line 3 of the measurement file does not "
                          "rise above the line before.\nThe measurement of CH1 "
                          "stays as it was.");
    QTest::newRow("garbage, Chinese")
        << 1 << QByteArray("100 80\n200 loud\n")
        << QStringLiteral("测量文件第 2 行不是频率和声压级。\nCH1 的测量曲线保持不变。");
    QTest::newRow("empty, English") << 0 << QByteArray()
                                    << QStringLiteral("The measurement file holds no usable points.\nThe "
                                                      "measurement of CH1 stays as it was.");
}

void TestOverlay::damagedFileChangesNothingAndSaysWhy() {
    QFETCH(int, language);
    QFETCH(QByteArray, content);
    QFETCH(QString, text);
    FormRig f(language);
    f.View().SelectChannel(0);
    QString path = kSample;
    CMeasurementDlg* dlg = OpenDialog(f, &path);
    Load(dlg);
    const CFStatic::OverlayCurves before = f.View().Graph().OverlayOf(0);
    const QString name = InDialog<QLabel>(dlg, CMeasurementDlg::kFileName)->text();

    QTemporaryDir dir;
    path = dir.filePath(QStringLiteral("damaged.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    Load(dlg);
    QTRY_COMPARE_WITH_TIMEOUT(VisibleBoxes().size(), 1, FormRig::kLimit);
    QCOMPARE(VisibleBoxes()[0]->text(), text);
    QCOMPARE(InDialog<QLabel>(dlg, CMeasurementDlg::kFileName)->text(), name);
    QCOMPARE(f.View().Measurement(0).Name(), QStringLiteral("measurement-front-left.txt"));
    const CFStatic::OverlayCurves after = f.View().Graph().OverlayOf(0);
    QVERIFY(after.shown);
    QVERIFY(SameCurve(after.measuredDb, before.measuredDb));
    QVERIFY(SameCurve(after.predictedDb, before.predictedDb));
}

// A measurement is drawn while its channel is the current one or shown; the dialog follows the current
// channel; Clear takes the overlay away.
void TestOverlay::shownChannelsAndClear() {
    FormRig f;
    f.View().SelectChannel(0);
    QString path = kSample;
    CMeasurementDlg* dlg = OpenDialog(f, &path);
    Load(dlg);
    QVERIFY(f.View().Graph().OverlayOf(0).shown);

    f.View().SetCurveShown(0, false);
    f.View().SelectChannel(1);
    QCOMPARE(dlg->Channel(), 1);
    QCOMPARE(InDialog<QLabel>(dlg, CMeasurementDlg::kFileName)->text(), QStringLiteral("No measurement"));
    QVERIFY(!f.View().Graph().OverlayOf(0).shown);
    QVERIFY(!f.View().Graph().OverlayOf(1).shown);
    f.View().SetCurveShown(0, true);
    QVERIFY(f.View().Graph().OverlayOf(0).shown);

    f.View().SelectChannel(0);
    QTest::mouseClick(InDialog<QPushButton>(dlg, CMeasurementDlg::kClear), Qt::LeftButton);
    QVERIFY(f.View().Measurement(0).Empty());
    QVERIFY(!f.View().Graph().OverlayOf(0).shown);
    QCOMPARE(MeasuredPixels(f.View().Graph()), 0);
}

QTEST_MAIN(TestOverlay)
#include "tst_Overlay.moc"
