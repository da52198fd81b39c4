// The graph's export from the settings menu: the curves of the shown channels as a table, or a picture.
#include "app/FileChooser.h"
#include "app/FormDialogs.h"
#include "app/GraphExport.h"
#include "app/TopMenu.h"
#include "editors/FStatic.h"
#include "model/KTVEQ.h"
#include "model/KTV_Data.h"

#include "app/FormRig.h"

#include <QImage>
#include <QTemporaryDir>

class TestGraphExport : public QObject {
    Q_OBJECT

private slots:
    void csvHoldsTheShownCurves_data();
    void csvHoldsTheShownCurves();
    void anyOtherNameGetsThePicture();
};

void TestGraphExport::csvHoldsTheShownCurves_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<QList<int>>("lines"); // Line toggles switched on
    QTest::addColumn<QList<int>>("columns");
    QTest::newRow("the current channel alone") << 2 << QList<int>{} << QList<int>{2};
    QTest::newRow("CH1 with CH4 and CH6 shown") << 0 << QList<int>{3, 5} << QList<int>{0, 3, 5};
}

// A .csv name gets 241 rows after a header: the frequency, then each shown channel's summed curve in dB.
void TestGraphExport::csvHoldsTheShownCurves() {
    QFETCH(int, current);
    QFETCH(QList<int>, lines);
    QFETCH(QList<int>, columns);
    FormRig f;
    f.Editor().SetBandGain(0, 9, kEqGainCodeZero + 60);  // CH1 +6 dB near 160 Hz
    f.Editor().SetBandGain(3, 20, kEqGainCodeZero - 90); // CH4 -9 dB
    f.View().SelectChannel(current);
    for (int c : lines)
        f.View().SetCurveShown(c, true);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("curves.CSV"));
    f.View().Dialogs().Files().SetChooser(
        [&](const FileRequest&, const CFileChooser::Answer& answer) { answer(path); });
    f.View().RunCommand(TopCommand::ExportGraph);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), kGridPoints + 1);
    QStringList header{QStringLiteral("Frequency (Hz)")};
    for (int c : columns)
        header << QStringLiteral("CH%1 (dB)").arg(c + 1);
    QCOMPARE(rows[0], header.join(u','));
    for (int i = 0; i < kGridPoints; ++i) {
        const QStringList cells = rows[i + 1].split(u',');
        QCOMPARE(cells.size(), columns.size() + 1);
        QVERIFY(qAbs(cells[0].toDouble() - g_freqGrid[static_cast<std::size_t>(i)]) < 0.01);
        for (int k = 0; k < columns.size(); ++k) {
            const double drawn = f.session->Data().Channel(columns[k]).Filters().SumDb()[std::size_t(i)];
            QVERIFY(qAbs(cells[k + 1].toDouble() - drawn) < 0.001);
        }
    }
    // The shaped channels' peaks are in the table.
    if (columns.contains(0)) {
        double peak = -100;
        for (int i = 1; i <= kGridPoints; ++i)
            peak = std::max(peak, rows[i].split(u',')[1].toDouble());
        QVERIFY2(peak > 5.5 && peak < 6.5, qPrintable(QString::number(peak)));
    }
}

void TestGraphExport::anyOtherNameGetsThePicture() {
    FormRig f;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("graph.png"));
    QList<FileRequest> requests;
    f.View().Dialogs().Files().SetChooser(
        [&](const FileRequest& request, const CFileChooser::Answer& answer) {
            requests << request;
            answer(path);
        });
    f.View().RunCommand(TopCommand::ExportGraph);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].defaultSuffix, QStringLiteral("png"));
    const QImage picture(path);
    QCOMPARE(picture.size(), f.View().Graph().size());
    QVERIFY(VisibleBoxes().isEmpty());
}

QTEST_MAIN(TestGraphExport)
#include "tst_GraphExport.moc"
