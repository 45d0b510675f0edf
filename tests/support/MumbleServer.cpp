#include "support/MumbleServer.h"

#include "support/MumbleTestClient.h"
#include "support/TestEnv.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QSslCertificate>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

namespace {

// As root, Debian's murmurd switches to its own user unless told to stay, and could then not
// open a database here. It bans an address after 10 connections in two minutes, which the tests
// make: no ban. The flood limit would drop the room's quick lines: none.
constexpr char kIni[] = R"(database=%1/murmur.sqlite
logfile=%1/murmur.log
host=127.0.0.1
port=%2
ice=""
%3
autobanAttempts=0
serverpassword=letmein
sslCert=%1/cert.pem
sslKey=%1/key.pem
messageburst=1000
messagelimit=1000
bonjour=false
registerName=
)";

const char *const kAccounts[] = {"alice", "bob", "mallory"};

} // namespace

MumbleServer::MumbleServer() {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

MumbleServer::~MumbleServer() {
    kill();
}

QString MumbleServer::executable() {
    const QString found = QStandardPaths::findExecutable(QStringLiteral("murmurd"));
    return !found.isEmpty() ? found
                            : QStandardPaths::findExecutable(QStringLiteral("murmurd"),
                                                             {QStringLiteral("/usr/sbin")});
}

QString MumbleServer::certificateFile() const {
    return m_folder.filePath(QStringLiteral("cert.pem"));
}

QString MumbleServer::accountCertificate(const QByteArray &account) const {
    return m_folder.filePath(QString::fromLatin1(account + ".pem"));
}

QString MumbleServer::accountHash(const QByteArray &account) const {
    const QList<QSslCertificate> certificate =
        QSslCertificate::fromPath(accountCertificate(account), QSsl::Pem);
    return certificate.isEmpty()
               ? QString()
               : QString::fromLatin1(certificate.first().digest(QCryptographicHash::Sha1).toHex());
}

QString MumbleServer::log() {
    m_output += m_process.readAll();
    QFile file(m_folder.filePath(QStringLiteral("murmur.log")));
    return QString::fromLocal8Bit(m_output +
                                  (file.open(QIODevice::ReadOnly) ? file.readAll() : ""));
}

bool MumbleServer::configure() {
    if (m_configured)
        return true;
    if (!m_folder.isValid() || (m_port = testenv::freePort()) == 0) {
        m_error = QStringLiteral("no temporary folder or no free port");
        return false;
    }
    const auto certificate = [this](const QString &name, const QString &key, const QString &out) {
        return testenv::run(QStringLiteral("openssl"),
                            {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                             "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                             "/CN=" + name, "-keyout", key, "-out", out},
                            &m_error);
    };
    // A name that is no host's: the room must trust the certificate itself, not its name.
    if (!certificate(QStringLiteral("Test Mumble Server"), m_folder.filePath("key.pem"),
                     certificateFile()))
        return false;
    for (const char *account : kAccounts) {
        const QString key = m_folder.filePath(QString::fromLatin1(account) + ".key");
        const QString cert = m_folder.filePath(QString::fromLatin1(account) + ".crt");
        QFile keyFile(key), certFile(cert), both(accountCertificate(account));
        if (!certificate(QString::fromLatin1(account), key, cert) ||
            !keyFile.open(QIODevice::ReadOnly) || !certFile.open(QIODevice::ReadOnly) ||
            !both.open(QIODevice::WriteOnly) ||
            both.write(certFile.readAll() + keyFile.readAll()) < 0)
            return false;
    }
    QFile ini(m_folder.filePath(QStringLiteral("murmur.ini")));
    if (!ini.open(QIODevice::WriteOnly) ||
        ini.write(QString::fromLatin1(kIni)
                      .arg(m_folder.path())
                      .arg(m_port)
                      .arg(::geteuid() == 0 ? QStringLiteral("uname=root") : QString())
                      .toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write the ini");
        return false;
    }
    ini.close();
    if (!testenv::run(executable(),
                      {"-ini", ini.fileName(), "-supw", QString::fromLatin1(superUserPassword())},
                      &m_error))
        return false;
    m_configured = true;
    return true;
}

bool MumbleServer::start() {
    if (!configure())
        return false;
    m_process.start(executable(), {"-ini", m_folder.filePath(QStringLiteral("murmur.ini")), "-fg"});
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return false;
    }
    // Signed on as SuperUser, the channel is there or made: the server serves.
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        if (makeChannel()) {
            if (m_registered || (m_registered = registerBob()))
                return true;
            break;
        }
        QTest::qWait(200);
    }
    m_error = QStringLiteral("murmurd did not start: ") + log();
    kill();
    return false;
}

bool MumbleServer::makeChannel() {
    MumbleTestClient admin;
    if (!admin.signOn(m_port, "SuperUser", QString(), superUserPassword(), 2000))
        return false;
    return admin.makeChannel("music");
}

bool MumbleServer::registerBob() {
    MumbleTestClient bob, admin;
    if (!bob.signOn(m_port, "bob", accountCertificate("bob"), "letmein") ||
        !admin.signOn(m_port, "SuperUser", QString(), superUserPassword()) ||
        !admin.registerUser("bob")) {
        m_error = QStringLiteral("cannot register bob: ") + log();
        return false;
    }
    return true;
}

void MumbleServer::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
    m_output += m_process.readAll();
}
