// Makes a media library for the scan benchmark: N tagged mp3 and wma files in N/100 folders,
// with the oddities a real one has (upper-case extensions, hidden files, files that are not
// media, deeper folders the scan must ignore, files without an author, about 1% repeated names).
//
//   bench_make_library OUTDIR N     makes OUTDIR (replacing it) and prints how fast it went
//   bench_make_library              makes /tmp/zamp-bench/library-1000
//
// ffmpeg runs twice in all, for a short mp3 and a short wma template; every file is a copy of a
// template with its own tags: a hand-built ID3v2.3 tag in front of the mp3 frames, TagLib for
// the ASF header of the wma copies. OUTDIR.ready, written last, tells bench_scan the library is
// complete.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <cstdio>

#include <taglib/asffile.h>
#include <taglib/tstring.h>

namespace {

const char *const kSyllables[] = {"ka",  "lo",  "mi", "ren", "sa",  "to",  "vel", "dor",
                                  "an",  "bri", "cu", "en",  "fa",  "gil", "ho",  "ir",
                                  "jun", "ke",  "lu", "mar", "no",  "pe",  "qui", "ro",
                                  "sun", "ta",  "ul", "vo",  "wen", "xa",  "yo",  "zel"};

QString word(QRandomGenerator &random) {
    QString text;
    const int syllables = 2 + random.bounded(2);
    for (int i = 0; i < syllables; ++i)
        text += QString::fromLatin1(kSyllables[random.bounded(int(std::size(kSyllables)))]);
    text[0] = text[0].toUpper();
    return text;
}

QString words(QRandomGenerator &random, int count) {
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts << word(random);
    return parts.join(QLatin1Char(' '));
}

bool runFfmpeg(const QStringList &arguments) {
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                             QStringLiteral("error"), QStringLiteral("-nostdin"),
                             QStringLiteral("-y")} +
                     arguments);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// An ID3v2.3 frame with one ISO-8859-1 text.
QByteArray textFrame(const char *id, const QString &text) {
    const QByteArray body = '\0' + text.toLatin1();
    QByteArray frame(id, 4);
    const auto size = quint32(body.size());
    frame.append(char(size >> 24)).append(char(size >> 16)).append(char(size >> 8));
    frame.append(char(size)).append(2, '\0');
    return frame + body;
}

QByteArray id3Tag(const QString &artist, const QString &title) {
    QByteArray frames;
    if (!artist.isEmpty())
        frames += textFrame("TPE1", artist);
    if (!title.isEmpty())
        frames += textFrame("TIT2", title);
    if (frames.isEmpty())
        return {};
    // The tag size is "synchsafe": 7 bits per byte.
    const auto size = quint32(frames.size());
    QByteArray header("ID3\x03\x00\x00", 6);
    header.append(char((size >> 21) & 0x7F)).append(char((size >> 14) & 0x7F));
    header.append(char((size >> 7) & 0x7F)).append(char(size & 0x7F));
    return header + frames;
}

bool writeWma(const QString &path, const QByteArray &templ, const QString &artist,
              const QString &title) {
    if (!writeAll(path, templ))
        return false;
    if (artist.isEmpty() && title.isEmpty())
        return true;
    const QByteArray name = QFile::encodeName(path);
    TagLib::ASF::File file(name.constData(), false);
    if (!file.isValid())
        return false;
    file.tag()->setArtist(TagLib::String(artist.toStdString(), TagLib::String::UTF8));
    file.tag()->setTitle(TagLib::String(title.toStdString(), TagLib::String::UTF8));
    return file.save();
}

int make(const QString &outDir, int count) {
    QElapsedTimer timer;
    timer.start();
    QDir(outDir).removeRecursively();
    QFile::remove(outDir + QStringLiteral(".ready"));
    const QString templates = outDir + QStringLiteral("-templates");
    QDir().mkpath(templates);
    QDir().mkpath(outDir);
    const QString mp3Template = templates + QStringLiteral("/template.mp3");
    const QString wmaTemplate = templates + QStringLiteral("/template.wma");
    const QString tone = QStringLiteral("sine=frequency=440:duration=0.3");
    if (!QFile::exists(mp3Template) &&
        !runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), tone,
                    QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-c:a"),
                    QStringLiteral("libmp3lame"), QStringLiteral("-b:a"), QStringLiteral("32k"),
                    QStringLiteral("-map_metadata"), QStringLiteral("-1"),
                    QStringLiteral("-id3v2_version"), QStringLiteral("0"),
                    QStringLiteral("-write_id3v1"), QStringLiteral("0"), mp3Template})) {
        std::fprintf(stderr, "ffmpeg could not make the mp3 template\n");
        return 1;
    }
    if (!QFile::exists(wmaTemplate) &&
        !runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), tone,
                    QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-c:a"),
                    QStringLiteral("wmav2"), QStringLiteral("-b:a"), QStringLiteral("32k"),
                    QStringLiteral("-map_metadata"), QStringLiteral("-1"), wmaTemplate})) {
        std::fprintf(stderr, "ffmpeg could not make the wma template\n");
        return 1;
    }
    const QByteArray mp3 = readAll(mp3Template);
    const QByteArray wma = readAll(wmaTemplate);

    QRandomGenerator random(quint32(count) * 7919u + 17u);
    QStringList names; // every media name so far, for the repeated ones
    const int folders = std::max(1, count / 100);
    int made = 0;
    int extras = 0;
    for (int f = 0; f < folders; ++f) {
        const QString folder = QStringLiteral("%1/Folder %2 %3")
                                   .arg(outDir)
                                   .arg(f, 4, 10, QLatin1Char('0'))
                                   .arg(words(random, 1));
        QDir().mkpath(folder);
        const int inFolder = f == folders - 1 ? count - made : count / folders;
        for (int i = 0; i < inFolder; ++i, ++made) {
            const QString artist = QStringLiteral("%1 %2").arg(words(random, 2)).arg(made);
            const QString title =
                QStringLiteral("%1 %2").arg(words(random, 1 + random.bounded(3))).arg(made);
            const bool isWma = random.bounded(4) == 0;
            QString extension = isWma ? QStringLiteral("wma") : QStringLiteral("mp3");
            if (random.bounded(20) == 0)
                extension = extension.toUpper();
            QString name = QStringLiteral("%1 %2 - %3.%4")
                               .arg(i + 1, 2, 10, QLatin1Char('0'))
                               .arg(artist, title, extension);
            if (!names.isEmpty() && random.bounded(100) == 0)
                name = names.at(random.bounded(int(names.size())));
            names << name;
            const int kind = random.bounded(50);
            const QString tagArtist = kind == 0 ? QString() : artist; // 2% without an author
            const QString tagTitle = kind == 1 ? QString() : title;   // 2% without a title
            const QString path = folder + QLatin1Char('/') + name;
            const bool ok = name.endsWith(QLatin1String("wma"), Qt::CaseInsensitive)
                                ? writeWma(path, wma, tagArtist, tagTitle)
                                : writeAll(path, id3Tag(tagArtist, tagTitle) + mp3);
            if (!ok) {
                std::fprintf(stderr, "could not write %s\n", qPrintable(path));
                return 1;
            }
        }
        // Not counted among the N: hidden files, files that are not media, deeper folders.
        if (f % 10 == 0) {
            writeAll(folder + QStringLiteral("/.hidden %1.mp3").arg(f), id3Tag({}, {}) + mp3);
            ++extras;
        }
        writeAll(folder + QStringLiteral("/cover.jpg"), QByteArray(512, 'j'));
        writeAll(folder + QStringLiteral("/notes %1.txt").arg(f), QByteArray("notes\n"));
        extras += 2;
        if (f % 20 == 0) {
            const QString deep = folder + QStringLiteral("/Extras %1").arg(f);
            QDir().mkpath(deep);
            for (int i = 0; i < 10; ++i, ++extras)
                writeAll(deep + QStringLiteral("/deep %1 %2.mp3").arg(f).arg(i), mp3);
        }
    }
    writeAll(outDir + QStringLiteral(".ready"), QByteArray::number(count));
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("made %s: %d media files in %d folders (+%d others) in %.2f s, %.0f files/s\n",
                qPrintable(outDir), made, folders, extras, seconds, (made + extras) / seconds);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3) {
        bool ok = false;
        const int count = arguments.at(2).toInt(&ok);
        if (!ok || count < 1) {
            std::fprintf(stderr, "usage: bench_make_library OUTDIR N\n");
            return 2;
        }
        return make(arguments.at(1), count);
    }
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: bench_make_library OUTDIR N\n");
        return 2;
    }
    return make(QStringLiteral("/tmp/zamp-bench/library-1000"), 1000);
}
