// What a session shows, for tests: every signal of it written down as one line of text, in order.
#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class CSession;

// Lines: "message <English text>", "popup show modal=<0|1> range=<n>", "position <n>", "popup hide",
// "look connected" / "look idle", "refresh all", "refresh system", "refresh presets", "caption <text>".
class CRecordingView : public QObject {
public:
    explicit CRecordingView(CSession& session);

    QStringList Lines() const { return m_lines; }
    // Lines starting with `prefix`.
    QStringList Lines(const QString& prefix) const;
    int Count(const QString& line) const { return static_cast<int>(m_lines.count(line)); }
    QStringList Messages() const; // the English texts shown, in order
    bool PopupShown() const { return m_popupShown; }
    bool ConnectedLook() const { return m_connectedLook; }
    void Clear() { m_lines.clear(); }

    // Called after each line is recorded, while the session emits the signal (inside the controller's call).
    std::function<void(const QString& line)> onLine;

private:
    void Record(const QString& line);

    QStringList m_lines;
    bool m_popupShown = false;
    bool m_connectedLook = false;
};
