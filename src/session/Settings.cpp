#include "session/Settings.h"

#include <QRegularExpression>

namespace {

constexpr char kStartCount[] = "load";
constexpr char kLibraryFolder[] = "xdir";
constexpr const char *kTextKeys[] = {"cspl", "csst", "cspa", "csff", "csfr"};
constexpr char kStartInTray[] = "tray";
constexpr char kTrayNotice[] = "shtr";
constexpr char kNoRepeats[] = "nrep";
constexpr char kAllFormats[] = "allf";
constexpr char kListenAlong[] = "lion";
constexpr char kStreamServer[] = "lsrv";
constexpr char kStreamIcecast[] = "lice";
constexpr char kStreamPassword[] = "lipw";
constexpr char kStreamBitrate[] = "libr";
constexpr char kStreamListeners[] = "limx";
constexpr char kStreamPerAddress[] = "lipa"; // empty for the default share
constexpr char kStreamUrl[] = "liur";

const char *textKey(Settings::Text which) {
    return kTextKeys[int(which)];
}

} // namespace

QString Settings::value(const char *key) const {
    return m_store.GetSetting(QString::fromLatin1(key));
}

void Settings::set(const char *key, const QString &value) {
    m_store.SetSetting(QString::fromLatin1(key), value);
}

bool Settings::flag(const char *key) const {
    return value(key) == QLatin1String("1");
}

qint64 Settings::startCount() const {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,15}$"));
    const QString text = value(kStartCount);
    return digits.match(text).hasMatch() ? text.toLongLong() : 1;
}

void Settings::setStartCount(qint64 count) {
    set(kStartCount, QString::number(count));
}

QString Settings::libraryFolder() const {
    return value(kLibraryFolder);
}

void Settings::setLibraryFolder(const QString &folder) {
    set(kLibraryFolder, folder);
}

bool Settings::holdsTexts() const {
    return !value(textKey(Text::Play)).isEmpty();
}

QString Settings::text(Text which) const {
    return value(textKey(which));
}

void Settings::setText(Text which, const QString &text) {
    set(textKey(which), text);
}

bool Settings::startInTray() const {
    return flag(kStartInTray);
}

void Settings::setStartInTray(bool inTray) {
    set(kStartInTray, inTray ? QStringLiteral("1") : QStringLiteral("0"));
}

bool Settings::trayNoticeWanted() const {
    return value(kTrayNotice).isEmpty();
}

void Settings::dismissTrayNotice() {
    set(kTrayNotice, QStringLiteral("0"));
}

bool Settings::noRepeats() const {
    return flag(kNoRepeats);
}

void Settings::setNoRepeats(bool on) {
    set(kNoRepeats, QString::number(int(on)));
}

bool Settings::allFormats() const {
    return flag(kAllFormats);
}

void Settings::setAllFormats(bool on) {
    set(kAllFormats, on ? QStringLiteral("1") : QStringLiteral("0"));
}

bool Settings::listenAlong() const {
    return flag(kListenAlong);
}

void Settings::setListenAlong(bool on) {
    set(kListenAlong, on ? QStringLiteral("1") : QStringLiteral("0"));
}

StreamSettings Settings::stream() const {
    StreamSettings stream;
    const QString server = value(kStreamServer);
    if (!server.isEmpty() && !stream.setListen(server).isEmpty())
        stream.listenAddress.clear();
    const QString icecast = value(kStreamIcecast);
    if (!icecast.isEmpty() && !stream.setIcecast(icecast).isEmpty())
        stream.icecastHost.clear();
    stream.passwordFile = value(kStreamPassword);
    if (stream.passwordFile.isEmpty())
        stream.icecastHost.clear();
    const QString bitrate = value(kStreamBitrate);
    if (!bitrate.isEmpty())
        (void)stream.setBitrate(bitrate);
    const QString listeners = value(kStreamListeners);
    if (!listeners.isEmpty())
        (void)stream.setMaxListeners(listeners);
    const QString perAddress = value(kStreamPerAddress);
    if (!perAddress.isEmpty())
        (void)stream.setMaxListenersPerAddress(perAddress);
    const QString url = value(kStreamUrl);
    if (!url.isEmpty())
        (void)stream.setPublicUrl(url);
    return stream;
}

void Settings::setStream(const StreamSettings &stream) {
    set(kStreamServer, stream.listenText());
    set(kStreamIcecast, stream.icecastText());
    set(kStreamPassword, stream.pushes() ? stream.passwordFile : QString());
    set(kStreamBitrate, QString::number(stream.bitrate));
    set(kStreamListeners, QString::number(stream.maxListeners));
    set(kStreamPerAddress, stream.maxListenersPerAddress > 0
                               ? QString::number(stream.maxListenersPerAddress)
                               : QString());
    set(kStreamUrl, stream.publicUrl);
}
