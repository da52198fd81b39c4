// The transfer popup: what a bulk transfer with the device is doing and how far it has come.
#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QProgressBar;

// One per window, created hidden. A modal transfer blocks the window and disables the form behind it until
// the popup hides; a non-modal one leaves both alone. The bar moves one step per item the device
// acknowledges. The user cannot close it: it goes when the transfer ends or the link closes.
class CDisplayDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kId = 104;

    // `form` is what a modal transfer disables; the popup itself is a window over `parent`.
    CDisplayDlg(QWidget* form, QWidget* parent);

    // The bar at 0 of 0..range.
    void ShowTransfer(int range, bool modal);
    void SetPosition(int position);
    void HideTransfer();

    bool IsModalTransfer() const { return m_modal; }
    int Range() const;
    int Position() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    void ShowCount();

    QPointer<QWidget> m_form;
    QLabel* m_text;
    QProgressBar* m_bar;
    QLabel* m_count;
    bool m_modal = false;
    bool m_formDisabled = false;
};
