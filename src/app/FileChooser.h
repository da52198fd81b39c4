// The window's standard file dialogs: open or save a file, with filters and the folder used last.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QFileDialog;
class QWidget;

// What a file dialog asks for.
struct FileRequest {
    enum class Mode { Open, Save };

    Mode mode = Mode::Open;
    QString title;
    QStringList
        filters; // name filters in the dialog's list, e.g. "Setup files (*.dsps)"; the first is chosen
    QString defaultSuffix; // a save dialog appends it to a name typed without a suffix (before it asks
                           // whether to replace an existing file)
    QString memory;        // the remembered folder the dialog starts in and keeps up to date; empty: none
    QString directory;     // where it starts when `memory` remembers nothing yet
    QString fileName;      // the name chosen at the start
};

// One per window. A request opens Qt's own file dialog (never the platform's, so that it looks the same
// everywhere and tests can drive it), window-modal over the given parent and shown with open(): nothing
// waits for the choice, which arrives later as a path, empty when the user cancelled. An open dialog asks
// for the file to exist, a save dialog for its folder to exist and before replacing a file. Tests may put a
// chooser function in place of the dialog.
class CFileChooser : public QObject {
    Q_OBJECT

public:
    using Answer = std::function<void(const QString& path)>;
    using Chooser = std::function<void(const FileRequest& request, Answer answer)>;

    explicit CFileChooser(QObject* parent = nullptr);

    // `answer` is called once, unless the dialog's parent goes away first.
    void Choose(QWidget* parent, const FileRequest& request, Answer answer);
    // Takes the place of the dialog (tests); an empty function brings the dialog back.
    void SetChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    // The dialog on screen, if any.
    QFileDialog* OpenDialog() const;
    // Folder of the last file chosen for `memory`; empty when none was.
    QString Remembered(const QString& memory) const { return m_folders.value(memory); }

signals:
    // A dialog was opened (tests wait on it).
    void opened(QFileDialog* dialog);

private:
    void Chosen(const FileRequest& request, const QString& path, const Answer& answer);

    Chooser m_chooser;
    QPointer<QFileDialog> m_dialog;
    QHash<QString, QString> m_folders;
};
