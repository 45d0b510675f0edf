#pragma once

#include <QObject>

class Session;
struct MainWindowUi;

// The window as the session's view: the now-playing labels, the screen name, the three switches,
// the five chat texts and the library lists show the session's state, and the user's edits of
// the switches and texts go back to it. Nothing here keeps state of its own.
class SessionView : public QObject {
    Q_OBJECT
public:
    SessionView(Session &session, MainWindowUi &ui, QObject *parent = nullptr);

private:
    void showNowPlaying();

    Session &m_session;
    MainWindowUi &ui;
};
