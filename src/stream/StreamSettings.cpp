#include "stream/StreamSettings.h"

#include <QFile>
#include <QHostInfo>
#include <QUrl>
#include <algorithm>

namespace {

// The bit rates of MPEG-1 Layer III, the only ones a CBR stream at 44.1 kHz can have.
constexpr int kBitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

bool readPort(const QString &text, quint16 *port) {
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value == 0 || value > 65535 || text.startsWith(QLatin1Char('+')))
        return false;
    *port = quint16(value);
    return true;
}

QString readListeners(const QString &text, int *listeners) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > StreamSettings::kMaxListeners)
        return QStringLiteral("'%1' is not a number of listeners (1 to %2)")
            .arg(text)
            .arg(StreamSettings::kMaxListeners);
    *listeners = value;
    return QString();
}

QString hostForUrl(const QString &host) {
    return host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
}

} // namespace

QString StreamSettings::setListen(const QString &text) {
    QString address = QStringLiteral("127.0.0.1");
    QString port = text;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        address = text.left(colon);
        port = text.mid(colon + 1);
        if (address.startsWith(QLatin1Char('[')) && address.endsWith(QLatin1Char(']')))
            address = address.mid(1, address.size() - 2);
        else if (address.contains(QLatin1Char(':')))
            return QStringLiteral("an IPv6 address goes in brackets: [::]:PORT");
    }
    if (address == QLatin1String("localhost"))
        address = QStringLiteral("127.0.0.1");
    QHostAddress parsed;
    if (!parsed.setAddress(address))
        return QStringLiteral("'%1' is not an IP address").arg(address);
    if (!readPort(port, &listenPort))
        return QStringLiteral("'%1' is not a port (1 to 65535)").arg(port);
    listenAddress = parsed;
    return QString();
}

QString StreamSettings::setIcecast(const QString &text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("icecast") || url.host().isEmpty())
        return QStringLiteral("'%1' is not icecast://[USER@]HOST[:PORT]/MOUNT").arg(text);
    // The password comes from a file only, never from the command line.
    if (!url.password().isEmpty())
        return QStringLiteral("the password goes in --stream-password-file, not in the address");
    if (url.path().size() < 2 || url.hasQuery() || url.hasFragment())
        return QStringLiteral("'%1' names no mount (icecast://HOST:PORT/MOUNT)").arg(text);
    const int port = url.port(kIcecastDefaultPort);
    if (port <= 0)
        return QStringLiteral("'%1' has no valid port").arg(text);
    icecastUser = url.userName().isEmpty() ? QStringLiteral("source") : url.userName();
    icecastHost = url.host();
    icecastPort = quint16(port);
    icecastMount = url.path();
    return QString();
}

QString StreamSettings::setBitrate(const QString &text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    for (int allowed : kBitrates) {
        if (ok && value == allowed) {
            bitrate = value;
            return QString();
        }
    }
    return QStringLiteral("'%1' is not an MP3 bit rate (32, 40, 48, 56, 64, 80, 96, 112, 128, "
                          "160, 192, 224, 256 or 320)")
        .arg(text);
}

QString StreamSettings::setMaxListeners(const QString &text) {
    return readListeners(text, &maxListeners);
}

QString StreamSettings::setMaxListenersPerAddress(const QString &text) {
    return readListeners(text, &maxListenersPerAddress);
}

int StreamSettings::listenersPerAddress() const {
    if (maxListenersPerAddress > 0)
        return std::min(maxListenersPerAddress, maxListeners);
    return (maxListeners + 3) / 4;
}

QString StreamSettings::setPublicUrl(const QString &text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return QStringLiteral("'%1' is not an http:// or https:// address").arg(text);
    publicUrl = text;
    return QString();
}

QString StreamSettings::listenText() const {
    if (!serves())
        return QString();
    return hostForUrl(listenAddress.toString()) + QLatin1Char(':') + QString::number(listenPort);
}

QString StreamSettings::icecastText() const {
    if (!pushes())
        return QString();
    return QStringLiteral("icecast://%1@%2:%3%4")
        .arg(icecastUser, hostForUrl(icecastHost))
        .arg(icecastPort)
        .arg(icecastMount);
}

QByteArray StreamSettings::readPassword(const QString &file, QString *error) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        *error =
            QStringLiteral("cannot read the password file '%1': %2").arg(file, in.errorString());
        return QByteArray();
    }
    QByteArray line = in.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        *error =
            QStringLiteral("the password file '%1' has no password on its first line").arg(file);
    return line;
}

StreamSettings StreamSettings::localDefault() {
    StreamSettings settings;
    settings.listenAddress = QHostAddress(QHostAddress::LocalHost);
    settings.listenPort = kDefaultPort;
    return settings;
}

QString StreamSettings::url() const {
    if (!isOn())
        return QString();
    if (!publicUrl.isEmpty())
        return publicUrl;
    if (pushes())
        return QStringLiteral("http://%1:%2%3")
            .arg(hostForUrl(icecastHost))
            .arg(icecastPort)
            .arg(icecastMount);
    const bool everywhere = listenAddress == QHostAddress(QHostAddress::AnyIPv4) ||
                            listenAddress == QHostAddress(QHostAddress::AnyIPv6) ||
                            listenAddress == QHostAddress(QHostAddress::Any);
    const QString host =
        everywhere ? QHostInfo::localHostName() : hostForUrl(listenAddress.toString());
    return QStringLiteral("http://%1:%2/").arg(host).arg(listenPort);
}

bool StreamSettings::operator==(const StreamSettings &other) const {
    return listenAddress == other.listenAddress && listenPort == other.listenPort &&
           icecastText() == other.icecastText() && passwordFile == other.passwordFile &&
           bitrate == other.bitrate && maxListeners == other.maxListeners &&
           maxListenersPerAddress == other.maxListenersPerAddress && publicUrl == other.publicUrl;
}
