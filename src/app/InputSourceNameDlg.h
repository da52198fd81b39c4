// The name-entry dialog of the preset dialogs: one field for a preset's name, OK and Cancel.
#pragma once

#include <QDialog>

class CBitmapButton;
class CSkinStatic;
class QLineEdit;

// Opened with open() over the preset dialog; OK accepts with the field's text (Name()), Cancel and Escape
// reject. The field takes at most kMaxChars characters (the memories keep 15 of them).
class CInputSourceNameDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxChars = 99;

    CInputSourceNameDlg(const QString& name, QWidget* parent);

    QString Name() const;
    QLineEdit* Field() const { return m_field; }
    CBitmapButton* OkButton() const { return m_ok; }
    CBitmapButton* CancelButton() const { return m_cancel; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();

    CSkinStatic* m_label;
    QLineEdit* m_field;
    CBitmapButton* m_ok;
    CBitmapButton* m_cancel;
};
