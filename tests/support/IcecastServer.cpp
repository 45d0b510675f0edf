#include "support/IcecastServer.h"

#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>

#include <unistd.h>

IcecastServer::IcecastServer() {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

IcecastServer::~IcecastServer() {
    kill();
}

QString IcecastServer::executable() {
    return QStandardPaths::findExecutable(QStringLiteral("icecast2"));
}

bool IcecastServer::writeConfiguration() {
    m_port = testenv::freePort();
    if (m_port == 0) {
        m_error = QStringLiteral("no free loopback port");
        return false;
    }
    // As root icecast2 will not run without changing to another user, which must then be able
    // to reach and write its log folder.
    const bool root = ::getuid() == 0;
    const QString logs = m_folder.filePath(QStringLiteral("log"));
    QDir().mkpath(logs);
    if (root) {
        QFile::setPermissions(m_folder.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ExeGroup |
                                                   QFile::ExeOther);
        QFile::setPermissions(logs, QFileDevice::Permissions(0x7777));
    }
    const QString configuration =
        QStringLiteral(
            "<icecast><location>test</location><admin>test@localhost</admin>"
            "<limits><clients>100</clients><sources>4</sources><source-timeout>5</source-timeout>"
            "<burst-on-connect>1</burst-on-connect></limits>"
            "<authentication><source-password>%1</source-password>"
            "<admin-user>admin</admin-user><admin-password>hackme-admin</admin-password>"
            "</authentication><hostname>127.0.0.1</hostname>"
            "<listen-socket><port>%2</port><bind-address>127.0.0.1</bind-address>"
            "</listen-socket><fileserve>1</fileserve>"
            "<paths><basedir>/usr/share/icecast2</basedir><logdir>%3</logdir>"
            "<webroot>/usr/share/icecast2/web</webroot>"
            "<adminroot>/usr/share/icecast2/admin</adminroot></paths>"
            "<logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog>"
            "<loglevel>3</loglevel></logging>"
            "<security><chroot>0</chroot>%4</security></icecast>\n")
            .arg(QString::fromLatin1(kSourcePassword))
            .arg(m_port)
            .arg(logs, root
                           ? QStringLiteral("<changeowner><user>nobody</user><group>nogroup</group>"
                                            "</changeowner>")
                           : QString());
    QFile file(m_folder.filePath(QStringLiteral("icecast.xml")));
    if (!file.open(QIODevice::WriteOnly) || file.write(configuration.toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write the configuration");
        return false;
    }
    if (root)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadOther);
    return true;
}

bool IcecastServer::start() {
    if (!m_configured && !(m_configured = writeConfiguration()))
        return false;
    m_process.start(executable(),
                    {QStringLiteral("-c"), m_folder.filePath(QStringLiteral("icecast.xml"))});
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (!status().isEmpty())
            return true;
        if (m_process.state() == QProcess::NotRunning)
            break;
        QThread::msleep(50);
    }
    m_error =
        QStringLiteral("icecast2 did not start: ") + QString::fromLocal8Bit(m_process.readAll());
    kill();
    return false;
}

void IcecastServer::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

QByteArray IcecastServer::status() const {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_port);
    if (!socket.waitForConnected(1000))
        return QByteArray();
    socket.write("GET /status-json.xsl HTTP/1.0\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(1000))
        answer += socket.readAll();
    answer += socket.readAll();
    const qsizetype body = answer.indexOf("\r\n\r\n");
    if (!answer.startsWith("HTTP/1.0 200") || body < 0)
        return QByteArray();
    return answer.mid(body + 4);
}
