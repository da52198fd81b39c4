// The window's standard file dialogs: open or save a file, with filters and the folder used last.
#include "app/FileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <memory>
#include <utility>

CFileChooser::CFileChooser(QObject* parent) : QObject(parent) {}

QFileDialog* CFileChooser::OpenDialog() const {
    return m_dialog;
}

void CFileChooser::Chosen(const FileRequest& request, const QString& path, const Answer& answer) {
    if (!path.isEmpty() && !request.memory.isEmpty())
        m_folders.insert(request.memory, QFileInfo(path).absolutePath());
    answer(path);
}

void CFileChooser::Choose(QWidget* parent, const FileRequest& request, Answer answer) {
    if (m_chooser) {
        m_chooser(request, [this, request, answer = std::move(answer)](const QString& path) {
            Chosen(request, path, answer);
        });
        return;
    }
    if (m_dialog)
        m_dialog->reject(); // one file dialog at a time; the earlier one answers "cancelled"

    const bool save = request.mode == FileRequest::Mode::Save;
    auto* dialog = new QFileDialog(parent, request.title);
    dialog->setObjectName(save ? QStringLiteral("saveFile") : QStringLiteral("openFile"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setNameFilters(request.filters);
    if (!request.defaultSuffix.isEmpty())
        dialog->setDefaultSuffix(request.defaultSuffix);
    QString folder = Remembered(request.memory);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = request.directory;
    if (!folder.isEmpty() && QDir(folder).exists())
        dialog->setDirectory(folder);
    if (!request.fileName.isEmpty())
        dialog->selectFile(request.fileName);

    // Exactly one answer: the chosen file, or nothing when the dialog is cancelled or closed.
    auto answered = std::make_shared<bool>(false);
    connect(dialog, &QFileDialog::fileSelected, this, [this, request, answer, answered](const QString& path) {
        *answered = true;
        Chosen(request, path, answer);
    });
    connect(dialog, &QDialog::finished, this, [answer, answered](int) {
        if (!std::exchange(*answered, true))
            answer({});
    });
    m_dialog = dialog;
    dialog->open();
    emit opened(dialog);
}
