// The About dialog: the program's picture, name and version, and the libraries it is built on.
#pragma once

#include <QDialog>
#include <QPixmap>

class QDialogButtonBox;

// The picture covers the whole dialog and is drawn once per language; only the OK button sits on it.
class CAboutSoftDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kId = 528;

    explicit CAboutSoftDlg(QWidget* parent = nullptr);

    // The lines the picture shows, in the current language: name, purpose, version, then one per library.
    QStringList Lines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();

    QDialogButtonBox* m_buttons;
    QPixmap m_picture;
};
