// The current channel's EQ as filter text: to and from the clipboard and text files.
#include "app/EqTextActions.h"

#include "app/FileChooser.h"
#include "app/MsgBox.h"
#include "app/OutputDlg.h"
#include "app/TavelView.h"
#include "control/FilterText.h"
#include "control/Session.h"
#include "editors/FStatic.h"
#include "model/KTV_Data.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeySequence>
#include <QSaveFile>
#include <QShortcut>
#include <QStringDecoder>

namespace {

const QString kMemory = QStringLiteral("eqText");

} // namespace

CEqTextActions::CEqTextActions(CTavelView& view, CSession& session, CMsgBox& msgBox, CFileChooser& files,
                               QWidget* frame)
    : QObject(&view), m_view(view), m_session(session), m_msgBox(msgBox), m_files(files), m_frame(frame) {
    // An edit of the EQ page that holds the focus takes Ctrl+C and Ctrl+V for its own text first.
    for (QWidget* area : {static_cast<QWidget*>(&view.Graph()), static_cast<QWidget*>(&view.EqPage())}) {
        auto* copy = new QShortcut(QKeySequence::Copy, area, this, &CEqTextActions::Copy,
                                   Qt::WidgetWithChildrenShortcut);
        auto* paste = new QShortcut(QKeySequence::Paste, area, this, &CEqTextActions::Paste,
                                    Qt::WidgetWithChildrenShortcut);
        copy->setObjectName(QStringLiteral("eqCopy"));
        paste->setObjectName(QStringLiteral("eqPaste"));
    }
}

QString CEqTextActions::CurrentText() const {
    return CFilterText::Export(m_session.Data().Channel(m_view.CurrentChannel()));
}

void CEqTextActions::Copy() {
    QApplication::clipboard()->setText(CurrentText());
}

void CEqTextActions::Paste() {
    Import(QApplication::clipboard()->text());
}

void CEqTextActions::Import(const QString& text) {
    const int language = m_session.Globals().language.load();
    FilterTextReading reading;
    const Status status = CFilterText::Import(
        m_session.Editor(), m_session.Data().Channel(m_view.CurrentChannel()), text, &reading);
    QStringList lines;
    if (!status)
        lines << status.error().In(language) << QString();
    lines << CFilterText::Report(reading, language);
    m_msgBox.ShowText(lines.join(u'\n'));
}

void CEqTextActions::ImportFromFile() {
    FileRequest request;
    request.mode = FileRequest::Mode::Open;
    request.title = tr("Import EQ from file");
    request.filters = {tr("Filter texts (*.txt)"), tr("All files (*)")};
    request.memory = kMemory;
    m_files.Choose(m_frame, request, [this](const QString& path) {
        if (!path.isEmpty())
            ReadFile(path);
    });
}

void CEqTextActions::ExportToFile() {
    FileRequest request;
    request.mode = FileRequest::Mode::Save;
    request.title = tr("Export EQ to file");
    request.filters = {tr("Filter texts (*.txt)")};
    request.defaultSuffix = QStringLiteral("txt");
    request.memory = kMemory;
    request.fileName = QStringLiteral("CH%1.txt").arg(m_view.CurrentChannel() + 1);
    m_files.Choose(m_frame, request, [this](const QString& path) {
        if (!path.isEmpty())
            WriteFile(path);
    });
}

void CEqTextActions::ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_msgBox.ShowText(tr("The file %1 cannot be read: nothing changed").arg(path));
        return;
    }
    if (file.size() > kLargestFile) {
        m_msgBox.ShowText(tr("The file %1 is larger than 1 MB, no filter text: nothing changed").arg(path));
        return;
    }
    const QByteArray bytes = file.readAll();
    // The encoding its byte-order mark names, UTF-8 without one.
    QStringDecoder decode(QStringDecoder::encodingForData(bytes).value_or(QStringConverter::Utf8),
                          QStringConverter::Flag::Stateless);
    QString text = decode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    Import(text);
}

void CEqTextActions::WriteFile(const QString& path) {
    QSaveFile file(path);
    const QByteArray bytes = CurrentText().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        m_msgBox.ShowText(tr("The file %1 cannot be written").arg(path));
}
