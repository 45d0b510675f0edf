#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QTimer;

// frmTray: the one-time notice shown when the window goes to the tray. Timer1's first tick
// switches tmrU on as a marker; a tick that finds the marker on closes the notice, so it closes
// itself two ticks (10 s) after it was shown unless the user closes it first.
class TrayNotice : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTickMs = 5000;

    explicit TrayNotice(int tickMs = kTickMs, QWidget *parent = nullptr);

    QLabel *Label2() const { return m_Label2; }
    QCheckBox *Check1() const { return m_Check1; }

signals:
    // The notice is closing, by any means; `dontShowAgain` is the state of "Dont show this again".
    void unloaded(bool dontShowAgain);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Timer1_Timer();

    QLabel *m_Label2;
    QCheckBox *m_Check1;
    QTimer *m_Timer1;
    QTimer *m_tmrU;
    bool m_unloaded = false;
};
