#include "support/ProsodyServer.h"

#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <unistd.h>

namespace {

// Debian's prosody as a service of the tests' own: it keeps everything in the folder, takes
// clients on one loopback port, talks to no other server and serves no web pages. Group chats are
// made open on first join, with no configuration form to submit before others may come in, and
// any member may set the subject, whoever made the room.
constexpr char kConfiguration[] = R"(%1
pidfile = "%2/prosody.pid"
data_path = "%2/data"
certificates = "%2"
log = { { levels = { min = "debug" }, to = "file", filename = "%2/prosody.log" } }
interfaces = { "127.0.0.1" }
c2s_ports = { %3 }
modules_enabled = { "saslauth", "tls", "disco", "ping", "posix" }
modules_disabled = { "s2s", "offline" }
authentication = "internal_hashed"
-- The tests' own user client speaks plain XMPP with SASL PLAIN; others still get STARTTLS.
c2s_require_encryption = false
allow_unencrypted_plain_auth = true

VirtualHost "localhost"
    ssl = { certificate = "%2/cert.pem", key = "%2/key.pem" }

Component "conference.localhost" "muc"
    muc_room_locking = false
    muc_room_default_change_subject = true
    muc_room_default_public_jids = true

Component "anon.localhost" "muc"
    muc_room_locking = false
    muc_room_default_change_subject = true
)";

const QByteArray kStreamHeader = "<?xml version='1.0'?><stream:stream to='localhost' version='1.0' "
                                 "xmlns='jabber:client' "
                                 "xmlns:stream='http://etherx.jabber.org/streams'>";

} // namespace

ProsodyServer::ProsodyServer() {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

ProsodyServer::~ProsodyServer() {
    kill();
}

QString ProsodyServer::executable() {
    const QString found = QStandardPaths::findExecutable(QStringLiteral("prosody"));
    if (!found.isEmpty())
        return found;
    return QStandardPaths::findExecutable(
        QStringLiteral("prosody"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}

QString ProsodyServer::certificateFile() const {
    return m_folder.filePath(QStringLiteral("cert.pem"));
}

QString ProsodyServer::log() {
    m_output += m_process.readAll();
    QFile file(m_folder.filePath(QStringLiteral("prosody.log")));
    const QByteArray written = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return QString::fromLocal8Bit(m_output + written);
}

bool ProsodyServer::configure() {
    if (m_configured)
        return true;
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("no temporary folder: ") + m_folder.errorString();
        return false;
    }
    if ((m_port = testenv::freePort()) == 0) {
        m_error = QStringLiteral("no free loopback port");
        return false;
    }
    if (!testenv::run(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                       "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
                       "-keyout", m_folder.filePath(QStringLiteral("key.pem")), "-out",
                       certificateFile()},
                      &m_error))
        return false;
    // As root prosody refuses to run unless told it may; as anyone else the line would be wrong.
    const QString configuration =
        QString::fromLatin1(kConfiguration)
            .arg(::geteuid() == 0 ? QStringLiteral("run_as_root = true") : QString(),
                 m_folder.path())
            .arg(m_port);
    QFile file(m_folder.filePath(QStringLiteral("prosody.cfg.lua")));
    if (!file.open(QIODevice::WriteOnly) || file.write(configuration.toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write the configuration");
        return false;
    }
    file.close();
    m_configured = true;
    for (const char *user : {"alice", "bob", "mallory", "zandoramp"}) {
        if (!registerUser(user, "letmein"))
            return false;
    }
    return true;
}

bool ProsodyServer::registerUser(const QByteArray &user, const QByteArray &password) {
    if (!configure())
        return false;
    const QString prosodyctl = QFileInfo(executable()).dir().filePath(QStringLiteral("prosodyctl"));
    return testenv::run(prosodyctl,
                        {QStringLiteral("--config"),
                         m_folder.filePath(QStringLiteral("prosody.cfg.lua")),
                         QStringLiteral("register"), QString::fromUtf8(user),
                         QStringLiteral("localhost"), QString::fromUtf8(password)},
                        &m_error);
}

bool ProsodyServer::start() {
    if (!configure())
        return false;
    m_process.start(executable(), {QStringLiteral("-F"), QStringLiteral("--config"),
                                   m_folder.filePath(QStringLiteral("prosody.cfg.lua"))});
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (greetsClients())
            return true;
        if (m_process.state() == QProcess::NotRunning)
            break;
        QThread::msleep(50);
    }
    m_error = QStringLiteral("prosody did not start: ") + log();
    kill();
    return false;
}

// An open port is not enough: the domain must be served, which the stream's features show.
bool ProsodyServer::greetsClients() {
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, m_port);
    if (!probe.waitForConnected(200))
        return false;
    probe.write(kStreamHeader);
    QByteArray answer;
    while (!answer.contains("</stream:features>") && probe.waitForReadyRead(1000))
        answer += probe.readAll();
    probe.abort();
    return answer.contains("</stream:features>");
}

void ProsodyServer::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
    m_output += m_process.readAll();
}
