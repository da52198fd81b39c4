// The start-up benchmark's report of a window's first frame: once, after the window's widgets have painted,
// and only when the environment asks for it.
#include "app/FirstPaintReport.h"

#include <QtTest>

#include <array>
#include <cstdio>
#include <memory>

#include <time.h>

namespace {

long long Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

// A child that notes when it last finished painting: the report must come after that.
class PaintClock : public QWidget {
public:
    using QWidget::QWidget;
    long long paintedAt = 0;

protected:
    void paintEvent(QPaintEvent*) override { paintedAt = Now(); }
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The lines written so far.
QStringList Lines(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    QStringList lines;
    std::array<char, 256> line{};
    while (std::fgets(line.data(), static_cast<int>(line.size()), file) != nullptr)
        lines << QString::fromLatin1(line.data()).trimmed();
    std::fseek(file, 0, SEEK_END);
    return lines;
}

} // namespace

class TestFirstPaintReport : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv(CFirstPaintReport::kVariable); }

    void reportsOnlyWhenAsked_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("reported");
        QTest::newRow("asked") << QByteArray("1") << true;
        QTest::newRow("zero") << QByteArray("0") << false;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("unset") << QByteArray() << false;
    }
    void reportsOnlyWhenAsked() {
        QFETCH(QByteArray, value);
        QFETCH(bool, reported);
        if (!value.isNull())
            qputenv(CFirstPaintReport::kVariable, value);
        const std::unique_ptr<std::FILE, FileCloser> out(std::tmpfile());
        QVERIFY(out);

        QWidget window;
        window.resize(200, 120);
        auto* child = new PaintClock(&window);
        child->setGeometry(20, 20, 100, 60);
        CFirstPaintReport::InstallIfAsked(window, out.get());
        const long long shownAt = Now();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(child->paintedAt != 0);
        QCoreApplication::processEvents();
        const long long settledAt = Now();

        const QStringList lines = Lines(out.get());
        QCOMPARE(lines.size(), reported ? 1 : 0);
        if (!reported)
            return;
        long long at = 0;
        QCOMPARE(std::sscanf(lines[0].toLatin1().constData(), CFirstPaintReport::kFormat, &at), 1);
        QVERIFY2(at >= child->paintedAt, "reported before the window's widgets had painted");
        QVERIFY(at >= shownAt);
        QVERIFY(at <= settledAt);

        // Later frames are not first frames.
        child->paintedAt = 0;
        window.update();
        QTRY_VERIFY(child->paintedAt != 0);
        window.hide();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
        QCOMPARE(Lines(out.get()).size(), 1);
    }
};

QTEST_MAIN(TestFirstPaintReport)
#include "tst_FirstPaintReport.moc"
