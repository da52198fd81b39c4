// The current channel's EQ as filter text: to and from the clipboard and text files.
#pragma once

#include <QObject>
#include <QString>

class CFileChooser;
class CMsgBox;
class CSession;
class CTavelView;
class QWidget;

// Ctrl+C and Ctrl+V with the graph or the EQ page focused, and the settings menu's EQ items. Reading a text
// onto a channel is the core's (the linked channels and the device follow); what the reading made of the
// text is shown in a message box, and a text with nothing usable changes nothing and says so.
class CEqTextActions : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 kLargestFile = 1 << 20; // a filter text is a few kilobytes; more is no such text

    CEqTextActions(CTavelView& view, CSession& session, CMsgBox& msgBox, CFileChooser& files, QWidget* frame);

    void Copy();
    void Paste();
    // Reads `text` onto the current channel and shows the report.
    void Import(const QString& text);
    void ImportFromFile();
    void ExportToFile();

    // The current channel's bands as filter text.
    QString CurrentText() const;

private:
    void ReadFile(const QString& path);
    void WriteFile(const QString& path);

    CTavelView& m_view;
    CSession& m_session;
    CMsgBox& m_msgBox;
    CFileChooser& m_files;
    QWidget* m_frame;
};
