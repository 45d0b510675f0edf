#include "library/AllFormats.h"

#include "library/LibraryLog.h"

namespace {

constexpr const char *kOtherExtensions[] = {"flac", "ogg", "oga", "opus", "m4a",
                                            "aac",  "wav", "wv",  "ape",  "mpc"};

// Compares as lower-cased ASCII: "FLAC" is "flac", and no other letter passes for one of these.
bool asciiLowerEquals(QStringView text, const char *lower) {
    qsizetype at = 0;
    for (; lower[at] != 0; ++at) {
        if (at >= text.size())
            return false;
        char16_t unit = text[at].unicode();
        if (unit >= u'A' && unit <= u'Z')
            unit = char16_t(unit + (u'a' - u'A'));
        if (unit != char16_t(lower[at]))
            return false;
    }
    return at == text.size();
}

} // namespace

AllFormats::AllFormats(Lookup lookup, Store store, QObject *parent)
    : QObject(parent), m_lookup(std::move(lookup)), m_store(std::move(store)) {}

void AllFormats::restore() {
    // Before the start's own scan, which then takes them: no second scan for the switch.
    if (m_given)
        m_store(true);
}

bool AllFormats::isOn() const {
    return m_lookup();
}

void AllFormats::setOn(bool on) {
    const bool was = isOn();
    m_store(on);
    if (on && !was)
        emit switchedOn();
}

bool AllFormats::isOtherFormatName(const QString &name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QStringView extension = QStringView(name).sliced(dot + 1);
    for (const char *other : kOtherExtensions) {
        if (asciiLowerEquals(extension, other))
            return true;
    }
    return false;
}

QString AllFormats::leftOutMessage(const QString &folder, int count) {
    QStringList extensions;
    for (const char *other : kOtherExtensions)
        extensions << QString::fromLatin1(other);
    const QString last = extensions.takeLast();
    return QStringLiteral("%1 %2 in %3 %4 left out of the library: %5 and %6 files "
                          "are added only with \"All Formats\" on (in the options menu, or "
                          "start with --all-formats)")
        .arg(QString::number(count), count == 1 ? QStringLiteral("file") : QStringLiteral("files"),
             folder, count == 1 ? QStringLiteral("was") : QStringLiteral("were"),
             extensions.join(QStringLiteral(", ")), last);
}

void AllFormats::leftOut(const QString &folder, int count) {
    if (count <= 0 || (folder == m_lastFolder && count == m_lastCount))
        return;
    m_lastFolder = folder;
    m_lastCount = count;
    const QString text = leftOutMessage(folder, count);
    if (m_say) {
        m_say(text);
        return;
    }
    qCWarning(lcLibrary, "%s", qPrintable(text));
}
