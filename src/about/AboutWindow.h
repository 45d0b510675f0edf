#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// frmAbout: the credits window. "Close" and the frame's close box both close it; whoever opened
// it hears `closed` either way.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);

    QPushButton *Command1() const { return m_Command1; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QPushButton *m_Command1;
    bool m_closed = false;
};
