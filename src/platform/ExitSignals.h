#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the UI thread, so that a close request from
// the system runs the main window's close sequence like any other close. The signal handler only
// writes one byte to a socket pair (the one thing it may safely do); the event loop reads it.
class ExitSignals : public QObject {
    Q_OBJECT
public:
    explicit ExitSignals(QObject *parent = nullptr);
    ~ExitSignals() override;

signals:
    void exitRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};
