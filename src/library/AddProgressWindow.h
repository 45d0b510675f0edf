#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

// The small window `frmAdd` shown while the folder scan reads the files' attributes: the caption
// "Adding Files, Please wait.", the label `labStat` and the progress bar `Bar1`. It holds no
// state of its own beyond what it shows; the scan creates it, drives it and deletes it.
//
// No events are processed while the scan drives it, so nothing of it is seen until it is
// painted. The caption and the bar are therefore set for every file but put on the screen (and
// painted at once) only every repaint interval: setting the label and the bar of a shown window
// for each of tens of thousands of files would cost more than the files' tags.
class AddProgressWindow : public QWidget {
    Q_OBJECT
public:
    explicit AddProgressWindow(QWidget *owner = nullptr);
    ~AddProgressWindow() override;

    // Bar1's maximum.
    void setTotal(int total);
    // "Add <done> of <total> files." on labStat and <done> on Bar1.
    void showProgress(int done, int total);
    // How often showProgress paints; 0 paints every time.
    void setRepaintInterval(int milliseconds) { m_repaintMs = milliseconds; }

    QString status() const;
    int value() const;
    int maximum() const;

signals:
    // Emitted every time labStat's caption changes, with the new caption.
    void statusShown(const QString &text);

private:
    static QString caption(int done, int total);
    // Puts the caption and the value on the label and the bar, and paints.
    void paintProgress();

    QLabel *m_labStat;
    QProgressBar *m_bar;
    // The progress as last set, shown or not yet.
    int m_done = -1;
    int m_total = 0;
    int m_repaintMs = 0;
    QElapsedTimer m_sincePaint;
};
