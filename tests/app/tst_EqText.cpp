// The current channel's EQ as filter text in the window: copy and paste through the clipboard, files through
// the file chooser, against the simulated device.
#include "app/EqTextActions.h"
#include "app/FileChooser.h"
#include "app/FormDialogs.h"
#include "app/OutputDlg.h"
#include "app/TopMenu.h"
#include "control/FilterText.h"
#include "editors/FStatic.h"
#include "model/KTV_Data.h"

#include "app/FormRig.h"

#include <QClipboard>
#include <QTemporaryDir>

#include <cstring>

namespace {

// Three bands set apart from the flat ones, the way a text read in leaves a channel (flat bands included).
void ShapeChannel(CModelEditor& editor, int channel) {
    const QString text = QStringLiteral("Filter 3: ON PK Fc 63 Hz Gain 5.5 dB Q 2.0\n"
                                        "Filter 10: ON PK Fc 1200 Hz Gain -8.0 dB Q 4.3\n"
                                        "Filter 21: ON PK Fc 8000 Hz Gain 3.0 dB Q 1.41\n");
    editor.SetBands(channel, CFilterText::Read(text).bands);
}

QByteArray DeviceBands(FormRig& f, int channel) {
    const SimState s = f.Sim().State();
    return QByteArray(reinterpret_cast<const char*>(s.live.outputs[channel].bands),
                      sizeof(s.live.outputs[channel].bands));
}

// The channel's bands as text, without the comment line that names the channel.
QString ModelText(FormRig& f, int channel) {
    QStringList lines = CFilterText::Export(f.session->Data().Channel(channel)).split(u'\n');
    lines.removeIf([](const QString& line) { return line.startsWith(u'#'); });
    return lines.join(u'\n');
}

QString ClipboardBands() {
    QStringList lines = QApplication::clipboard()->text().split(u'\n');
    lines.removeIf([](const QString& line) { return line.startsWith(u'#'); });
    return lines.join(u'\n');
}

// Edits go out before the next status polls.
bool Settled(FormRig& f) {
    return f.WaitForPolls(3);
}

void CloseBoxes() {
    for (QMessageBox* box : VisibleBoxes())
        box->close();
}

} // namespace

class TestEqText : public QObject {
    Q_OBJECT

private slots:
    void init() { QApplication::clipboard()->clear(); }
    void cleanup() { CloseBoxes(); }

    void copyThenPasteGivesTheSameBands_data();
    void copyThenPasteGivesTheSameBands();
    void ctrlCAndCtrlVOnTheGraph();
    void junkChangesNothingAndSaysSo_data();
    void junkChangesNothingAndSaysSo();
    void exportThenImportThroughFiles();
};

void TestEqText::copyThenPasteGivesTheSameBands_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("CH1 onto CH3, English") << 0 << 0 << 2;
    QTest::newRow("CH6 onto CH2, Chinese") << 1 << 5 << 1;
}

// The menu's Copy EQ puts the channel's text on the clipboard; Paste EQ on another channel gives it the same
// bands in the model and on the device, and the report is shown.
void TestEqText::copyThenPasteGivesTheSameBands() {
    QFETCH(int, language);
    QFETCH(int, from);
    QFETCH(int, to);
    FormRig f(language);
    QVERIFY(f.Connect());
    ShapeChannel(f.Editor(), from);
    QVERIFY(Settled(f));
    QVERIFY(ModelText(f, from) != ModelText(f, to));

    f.View().SelectChannel(from);
    f.View().RunCommand(TopCommand::CopyEq);
    QCOMPARE(ClipboardBands(), ModelText(f, from));
    QVERIFY(QApplication::clipboard()->text().contains(QStringLiteral("Filter 10: ON PK Fc 1200 Hz")));

    f.View().SelectChannel(to);
    f.View().RunCommand(TopCommand::PasteEq);
    QVERIFY(Settled(f));
    QCOMPARE(ModelText(f, to), ModelText(f, from));
    QTRY_COMPARE_WITH_TIMEOUT(DeviceBands(f, to), DeviceBands(f, from), FormRig::kLimit);
    const QList<QMessageBox*> boxes = VisibleBoxes();
    QCOMPARE(boxes.size(), 1);
    const FilterTextReading reading = CFilterText::Read(QApplication::clipboard()->text());
    QVERIFY2(boxes[0]->text().startsWith(CFilterText::Report(reading, language).first()),
             qPrintable(boxes[0]->text()));
}

// The shortcuts work where the user looks at the EQ: the graph (and the EQ page) holding the focus.
// (The model alone: the device's side of a paste is the menu's, above.)
void TestEqText::ctrlCAndCtrlVOnTheGraph() {
    FormRig f;
    ShapeChannel(f.Editor(), 0);
    f.frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
    f.View().SelectChannel(0);
    f.View().Graph().setFocus(Qt::OtherFocusReason);
    QTest::keyClick(&f.View().Graph(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(ClipboardBands(), ModelText(f, 0));

    f.View().SelectChannel(3);
    f.View().EqPage().setFocus(Qt::OtherFocusReason);
    QTest::keyClick(&f.View().EqPage(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(ModelText(f, 3), ModelText(f, 0));
    QCOMPARE(VisibleBoxes().size(), 1);
}

void TestEqText::junkChangesNothingAndSaysSo_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("text");
    QTest::newRow("prose, English") << 0 << QStringLiteral("Dear diary, today the bass was too loud.");
    QTest::newRow("only switched-off filters, Chinese")
        << 1 << QStringLiteral("Filter 1: OFF PK Fc 100 Hz Gain 3 dB Q 1\n");
    QTest::newRow("empty") << 0 << QString();
}

// A text without a usable filter changes neither the model nor the device, and the box says why.
void TestEqText::junkChangesNothingAndSaysSo() {
    QFETCH(int, language);
    QFETCH(QString, text);
    FormRig f(language);
    QVERIFY(f.Connect());
    ShapeChannel(f.Editor(), 1);
    QVERIFY(Settled(f));
    const QString before = ModelText(f, 1);
    const QByteArray onDevice = DeviceBands(f, 1);
    const int writes = f.Sim().Counters().writes;

    f.View().SelectChannel(1);
    QApplication::clipboard()->setText(text);
    f.View().RunCommand(TopCommand::PasteEq);
    QVERIFY(Settled(f));
    QCOMPARE(ModelText(f, 1), before);
    QCOMPARE(DeviceBands(f, 1), onDevice);
    QCOMPARE(f.Sim().Counters().writes, writes);
    const QList<QMessageBox*> boxes = VisibleBoxes();
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0]->text().startsWith(CFilterText::kNothingUsable.In(language)),
             qPrintable(boxes[0]->text()));
}

// Export EQ writes the channel's text to the chosen .txt file; Import EQ reads it onto another channel.
void TestEqText::exportThenImportThroughFiles() {
    FormRig f;
    QVERIFY(f.Connect());
    ShapeChannel(f.Editor(), 4);
    QVERIFY(Settled(f));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("centre"));
    QList<FileRequest> requests;
    f.View().Dialogs().Files().SetChooser(
        [&](const FileRequest& request, const CFileChooser::Answer& answer) {
            requests << request;
            answer(path + QStringLiteral(".txt"));
        });

    f.View().SelectChannel(4);
    f.View().RunCommand(TopCommand::ExportEq);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].defaultSuffix, QStringLiteral("txt"));
    QVERIFY(requests[0].filters[0].contains(QStringLiteral("*.txt")));
    QFile file(path + QStringLiteral(".txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), CFilterText::Export(f.session->Data().Channel(4)));

    f.View().SelectChannel(0);
    f.View().RunCommand(TopCommand::ImportEq);
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[1].mode, FileRequest::Mode::Open);
    QVERIFY(Settled(f));
    QCOMPARE(ModelText(f, 0), ModelText(f, 4));
    QTRY_COMPARE_WITH_TIMEOUT(DeviceBands(f, 0), DeviceBands(f, 4), FormRig::kLimit);
    QCOMPARE(VisibleBoxes().size(), 1);
}

QTEST_MAIN(TestEqText)
#include "tst_EqText.moc"
