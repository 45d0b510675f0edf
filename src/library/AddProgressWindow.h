#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The small window `frmAdd` shown while the folder scan reads the files' attributes: the caption
// "Adding Files, Please wait.", the label `labStat` and the progress bar `Bar1`. It holds no
// state of its own beyond what it shows; the scan creates it, drives it and deletes it.
class AddProgressWindow : public QWidget {
    Q_OBJECT
public:
    explicit AddProgressWindow(QWidget *owner = nullptr);
    ~AddProgressWindow() override;

    // Bar1's maximum.
    void setTotal(int total);
    // "Add <done> of <total> files." on labStat and <done> on Bar1.
    void showProgress(int done, int total);

    QString status() const;
    int value() const;
    int maximum() const;

signals:
    // Emitted every time labStat's caption changes, with the new caption.
    void statusShown(const QString &text);

private:
    QLabel *m_labStat;
    QProgressBar *m_bar;
};
