#include "support/NgircdServer.h"

#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <unistd.h>

NgircdServer::NgircdServer(Options options) : m_options(std::move(options)) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

NgircdServer::~NgircdServer() {
    kill();
}

QString NgircdServer::executable() {
    const QString found = QStandardPaths::findExecutable(QStringLiteral("ngircd"));
    if (!found.isEmpty())
        return found;
    return QStandardPaths::findExecutable(
        QStringLiteral("ngircd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
}

QString NgircdServer::certificateFile() const {
    return m_folder.filePath(QStringLiteral("cert.pem"));
}

QString NgircdServer::log() {
    m_log += m_process.readAll();
    return QString::fromLocal8Bit(m_log);
}

bool NgircdServer::writeConfiguration() {
    m_port = testenv::freePort();
    m_tlsPort = m_options.tls ? testenv::freePort() : 0;
    if (m_port == 0 || (m_options.tls && m_tlsPort == 0)) {
        m_error = QStringLiteral("no free loopback port");
        return false;
    }
    QString ssl;
    if (m_options.tls) {
        const QString key = m_folder.filePath(QStringLiteral("key.pem"));
        const QString dh = m_folder.filePath(QStringLiteral("dh.pem"));
        if (!testenv::run(QStringLiteral("openssl"),
                          {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                           "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
                           "-keyout", key, "-out", certificateFile()},
                          &m_error))
            return false;
        // DSA-style parameters are made in a moment; without a file ngircd spends seconds on
        // every start making its own.
        if (!testenv::run(QStringLiteral("openssl"), {"dhparam", "-dsaparam", "-out", dh, "2048"},
                          &m_error))
            return false;
        ssl = QStringLiteral("[SSL]\nCertFile = %1\nKeyFile = %2\nDHFile = %3\nPorts = %4\n")
                  .arg(certificateFile(), key, dh)
                  .arg(m_tlsPort);
    }
    // As root ngircd wants a user to switch to; it reads its files before it does.
    const QString configuration =
        QStringLiteral("[Global]\nName = irc.test.example\nInfo = test server\n"
                       "Listen = 127.0.0.1\nPorts = %1\nMotdPhrase = test\n"
                       "ServerUID = %2\nServerGID = %3\n%4"
                       "[Limits]\nMaxNickLength = 30\n"
                       "[Options]\nDNS = no\nIdent = no\nPAM = no\n%5")
            .arg(m_port)
            .arg(::getuid())
            .arg(::getgid())
            .arg(m_options.password.isEmpty()
                     ? QString()
                     : QStringLiteral("Password = %1\n").arg(QString::fromUtf8(m_options.password)))
            .arg(ssl);
    QFile file(m_folder.filePath(QStringLiteral("ngircd.conf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(configuration.toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write the configuration");
        return false;
    }
    return true;
}

bool NgircdServer::start() {
    if (!m_configured && !(m_configured = writeConfiguration()))
        return false;
    m_process.start(executable(), {QStringLiteral("--nodaemon"), QStringLiteral("--config"),
                                   m_folder.filePath(QStringLiteral("ngircd.conf"))});
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(200)) {
            probe.abort();
            return true;
        }
        if (m_process.state() == QProcess::NotRunning)
            break;
        QThread::msleep(50);
    }
    m_error = QStringLiteral("ngircd did not start: ") + log();
    kill();
    return false;
}

void NgircdServer::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
    m_log += m_process.readAll();
}
