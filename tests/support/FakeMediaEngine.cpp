#include "support/FakeMediaEngine.h"

#include <QTimer>

void FakeMediaEngine::startPlaying() {
    if (m_state != State::Loading)
        return;
    setState(m_paused ? State::Paused : State::Playing);
    emit started();
}

void FakeMediaEngine::finishPlaying(bool failed) {
    if (m_state == State::Idle)
        return;
    setState(State::Idle);
    emit finished(failed);
}

void FakeMediaEngine::open(const QString &path) {
    calls.append(QStringLiteral("open ") + path);
    m_path = path;
    m_speed = 1.0;
    m_backward = false;
    m_paused = false;
    m_state = State::Loading;
    emit stateChanged();
    if (autoStart) {
        const int openCount = ++m_openCount;
        QTimer::singleShot(0, this, [this, openCount] {
            if (openCount == m_openCount)
                startPlaying();
        });
    }
}

void FakeMediaEngine::stop() {
    calls.append(QStringLiteral("stop"));
    ++m_openCount;
    setState(State::Idle);
}

void FakeMediaEngine::setPaused(bool paused) {
    calls.append(QStringLiteral("paused %1").arg(int(paused)));
    m_paused = paused;
    if (m_state == State::Playing || m_state == State::Paused)
        m_state = paused ? State::Paused : State::Playing;
    emit stateChanged();
}

void FakeMediaEngine::setSpeed(double speed) {
    calls.append(QStringLiteral("speed %1").arg(speed));
    m_speed = speed;
    emit stateChanged();
}

void FakeMediaEngine::setBackward(bool backward) {
    calls.append(QStringLiteral("backward %1").arg(int(backward)));
    m_backward = backward;
    emit stateChanged();
}

double FakeMediaEngine::position() const {
    return m_state == State::Playing || m_state == State::Paused ? fakePosition : 0.0;
}

double FakeMediaEngine::duration() const {
    return m_state == State::Idle ? 0.0 : fakeDuration;
}

void FakeMediaEngine::seek(double seconds) {
    calls.append(QStringLiteral("seek %1").arg(seconds));
    fakePosition = seconds;
}

void FakeMediaEngine::setVolume(int percent) {
    calls.append(QStringLiteral("volume %1").arg(percent));
    m_volume = percent;
    emit stateChanged();
}

void FakeMediaEngine::setMuted(bool muted) {
    calls.append(QStringLiteral("muted %1").arg(int(muted)));
    m_muted = muted;
    emit stateChanged();
}

void FakeMediaEngine::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}
