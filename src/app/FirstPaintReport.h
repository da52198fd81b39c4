// Tells when a window's first frame was painted: the start-up benchmark's one hook into the program.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <QWindow>
#include <QtGlobal>

#include <cstdio>

#include <time.h>

// With SELVANO_REPORT_FIRST_PAINT=1 in the environment the process writes one line to stderr once the
// window's first frame has been painted and handed to the display,
//     first paint at <nanoseconds> ns (CLOCK_MONOTONIC)
// and watches nothing otherwise. Header-only, so that the benchmark's empty reference window reports with
// the very same code.
class CFirstPaintReport : public QObject {
public:
    static constexpr char kVariable[] = "SELVANO_REPORT_FIRST_PAINT";
    static constexpr char kFormat[] = "first paint at %lld ns (CLOCK_MONOTONIC)\n";

    // Watches `window`, a top-level widget, when the environment asks for the report, which goes to `out`.
    static void InstallIfAsked(QWidget& window, std::FILE* out = stderr) {
        if (qEnvironmentVariableIntValue(kVariable) != 1)
            return;
        // Application-wide: the native window that paints exists only once the window is first shown.
        qApp->installEventFilter(new CFirstPaintReport(window, out));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            if (watched->isWidgetType() &&
                (watched == &m_window || m_window.isAncestorOf(static_cast<QWidget*>(watched))))
                m_painted = true;
            return false;
        }
        if ((event->type() != QEvent::Expose && event->type() != QEvent::UpdateRequest) ||
            watched != m_window.windowHandle())
            return false;
        // The native window has the widgets painted and the result flushed to the display while it handles
        // one of these. Handing the event on from here lets the time be taken after that, not before.
        m_painted = false;
        watched->event(event);
        if (m_painted) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::fprintf(m_out, kFormat, static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
            std::fflush(m_out);
            qApp->removeEventFilter(this);
        }
        return true;
    }

private:
    CFirstPaintReport(QWidget& window, std::FILE* out) : QObject(&window), m_window(window), m_out(out) {}

    QWidget& m_window;
    std::FILE* m_out;
    bool m_painted = false; // a widget of the window was painted while the event was being handled
};
