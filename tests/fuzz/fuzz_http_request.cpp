// The stream server's request reader on whatever a client sends. The first byte sets the size of
// the pieces the rest arrives in; the reading must not depend on it.
#include "FuzzInput.h"

#include "stream/HttpRequestReader.h"

namespace {

using State = HttpRequestReader::State;

bool isToken(const QByteArray &text) {
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (c <= ' ' || c >= 127 || QByteArrayView("\"(),/:;<=>?@[\\]{}").contains(c))
            return false;
    }
    return true;
}

bool hasLineBreakOrNul(const QByteArray &text) {
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

// Where a head could end: the first empty line once leading empty lines are skipped, counted in
// bytes from the start; -1 when the input holds none.
qsizetype headEnd(const QByteArray &input) {
    qsizetype start = 0;
    while (input.mid(start).startsWith('\n') || input.mid(start).startsWith("\r\n"))
        start += input.at(start) == '\n' ? 1 : 2;
    const qsizetype lf = input.indexOf("\n\n", start);
    const qsizetype crlf = input.indexOf("\n\r\n", start);
    if (lf < 0)
        return crlf < 0 ? -1 : crlf + 3;
    if (crlf < 0)
        return lf + 2;
    return std::min(lf + 2, crlf + 3);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const qsizetype piece = 1 + data[0] % 64;
    const QByteArray input = fuzz::bytes(data + 1, size - 1);

    HttpRequestReader whole;
    whole.feed(input);
    HttpRequestReader pieces;
    for (qsizetype at = 0; at < input.size(); at += piece)
        pieces.feed(QByteArrayView(input).sliced(at, std::min(piece, input.size() - at)));

    FUZZ_CHECK(whole.state() == pieces.state());
    FUZZ_CHECK(whole.method() == pieces.method() && whole.path() == pieces.path());
    FUZZ_CHECK(whole.headers() == pieces.headers());

    const qsizetype end = headEnd(input);
    const bool endsInTime = end >= 0 && end <= HttpRequestReader::kMaxHead;
    switch (whole.state()) {
    case State::Reading:
        FUZZ_CHECK(!endsInTime && input.size() < HttpRequestReader::kMaxHead);
        break;
    case State::TooLarge:
        FUZZ_CHECK(!endsInTime && input.size() >= HttpRequestReader::kMaxHead);
        break;
    case State::Malformed:
        FUZZ_CHECK(endsInTime);
        break;
    case State::Complete:
        FUZZ_CHECK(endsInTime);
        FUZZ_CHECK(isToken(whole.method()));
        FUZZ_CHECK(whole.path().startsWith('/') && !whole.path().contains('?'));
        FUZZ_CHECK(!whole.path().contains(' ') && !hasLineBreakOrNul(whole.path()));
        FUZZ_CHECK(whole.version().startsWith("HTTP/1.") && whole.version().size() == 8);
        for (const auto &field : whole.headers()) {
            FUZZ_CHECK(isToken(field.first));
            FUZZ_CHECK(!hasLineBreakOrNul(field.second));
            FUZZ_CHECK(field.second == field.second.trimmed());
            FUZZ_CHECK(whole.header(field.first.toLower()) == whole.header(field.first.toUpper()));
        }
        break;
    }

    // Once read, more bytes change nothing.
    const State before = whole.state();
    whole.feed("GET / HTTP/1.1\r\n\r\n");
    FUZZ_CHECK(before == State::Reading || whole.state() == before);
    return 0;
}
