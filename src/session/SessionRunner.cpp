#include "session/SessionRunner.h"

#include "library/AllFormats.h"
#include "session/CloseGuard.h"
#include "session/Log.h"
#include "session/Session.h"
#include "session/StreamFollower.h"

SessionRunner::SessionRunner(Platform &platform, QObject *parent)
    : QObject(parent), m_session(new Session(platform, this)) {
    connect(&m_session->closeGuard(), &CloseGuard::closeDue, this, &SessionRunner::close);
}

SessionRunner::~SessionRunner() = default;

void SessionRunner::start() {
    // Held, so that a signal during the start closes once the start is over.
    const CloseGuard::Hold hold(m_session->closeGuard());
    // Before the load sequence, whose greeting is the first line the chat scan reads.
    if (!m_screenName.isEmpty())
        m_session->setScreenName(m_screenName);
    m_session->stream().setGiven(m_stream);
    m_session->allFormats().setGiven(m_allFormats);
    m_session->load();
    if (!m_libraryFolder.isEmpty() && !m_session->closeGuard().asked())
        m_session->addfiles(m_libraryFolder);
}

void SessionRunner::requestClose() {
    if (!m_closed && m_session->closeGuard().request(CloseGuard::Origin::System))
        close();
}

void SessionRunner::close() {
    if (m_closed)
        return;
    m_closed = true;
    m_session->closeGuard().closing();
    QString error;
    const bool saved = m_session->writeSettings(&error);
    if (!saved) {
        qCWarning(lcPlayer, "The settings could not be saved to %s: %s",
                  qPrintable(m_session->settingsPath()), qPrintable(error));
    }
    emit finished(saved ? 0 : 1);
}
