// The now-playing line from any template with any song data. The input is six fields split by
// NUL: template, author, name, number, duration, library line (missing ones are empty); the bit
// rate is the template's length. No "&", "<" or ">" that came from the author, the name or the
// library line may reach the chat unescaped, and a code inside a value is never expanded.
#include "FuzzInput.h"

#include "player/Announcement.h"

namespace {

// The markers stand in for the escaped values: private-use characters the fuzzer's values
// never hold (they are removed from the input first), so each one marks one insertion.
constexpr char16_t kMarkAuthor = 0xE001;
constexpr char16_t kMarkName = 0xE002;
constexpr char16_t kMarkLine = 0xE003;

QString withoutMarkers(QString text) {
    text.remove(QChar(kMarkAuthor)).remove(QChar(kMarkName)).remove(QChar(kMarkLine));
    return text;
}

QString escaped(const QString &text) {
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else
            out += c;
    }
    return out;
}

// The template language read a second time, from its description: a lower-case code after '%'
// is replaced, anything else is kept.
QString reference(const QString &templateText, const Announcement::Values &values) {
    QString out;
    for (qsizetype i = 0; i < templateText.size(); ++i) {
        const QChar next = i + 1 < templateText.size() ? templateText.at(i + 1) : QChar();
        QString value;
        bool code = templateText.at(i) == QLatin1Char('%');
        if (code && next == QLatin1Char('a'))
            value = escaped(values.author);
        else if (code && next == QLatin1Char('s'))
            value = escaped(values.name);
        else if (code && next == QLatin1Char('n'))
            value = values.number;
        else if (code && next == QLatin1Char('d'))
            value = values.duration;
        else if (code && next == QLatin1Char('b'))
            value = QString::number(values.bitRate);
        else if (code && next == QLatin1Char('f'))
            value = escaped(values.libraryLine);
        else
            code = false;
        if (code) {
            out += value;
            ++i;
        } else {
            out += templateText.at(i);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QList<QByteArray> fields = fuzz::bytes(data, size).split('\0');
    const auto field = [&](qsizetype i) {
        return withoutMarkers(QString::fromUtf8(fields.value(i)));
    };
    const QString templateText = field(0);
    Announcement::Values values;
    values.author = field(1);
    values.name = field(2);
    values.number = field(3);
    values.duration = field(4);
    values.libraryLine = field(5);
    values.bitRate = static_cast<int>(templateText.size());

    const QString result = Announcement::expand(templateText, values);
    FUZZ_CHECK(result == reference(templateText, values));

    // The same template with each escaped value replaced by its marker shows where the values
    // went; what remains outside the markers must be the template's own text.
    Announcement::Values marked = values;
    marked.author = QString(QChar(kMarkAuthor));
    marked.name = QString(QChar(kMarkName));
    marked.libraryLine = QString(QChar(kMarkLine));
    const QString skeleton = Announcement::expand(templateText, marked);
    // Rebuild the result from the skeleton with independently escaped values: it must match,
    // so every markup character from a value is escaped and nothing else is changed.
    QString rebuilt;
    for (const QChar c : skeleton) {
        if (c.unicode() == kMarkAuthor)
            rebuilt += escaped(values.author);
        else if (c.unicode() == kMarkName)
            rebuilt += escaped(values.name);
        else if (c.unicode() == kMarkLine)
            rebuilt += escaped(values.libraryLine);
        else
            rebuilt += c;
    }
    FUZZ_CHECK(result == rebuilt);
    // Every "<" and ">" in the line is one of the template's, the number's or the duration's:
    // none came in with the author, the name or the library line.
    for (const QChar markup : {QLatin1Char('<'), QLatin1Char('>')})
        FUZZ_CHECK(result.count(markup) == skeleton.count(markup));

    // A template without codes comes out as written; codes in values stay as they are.
    if (!templateText.contains(QLatin1Char('%')))
        FUZZ_CHECK(result == templateText);
    Announcement::Values codes = values;
    codes.name = QStringLiteral("%a%s%n%d%b%f");
    FUZZ_CHECK(Announcement::expand(QStringLiteral("%s"), codes) == codes.name);
    return 0;
}
