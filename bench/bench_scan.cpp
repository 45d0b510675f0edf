// Scans generated libraries of 1,000, 10,000 and 32,000 media files with the real FolderScanner,
// the real TagLibReader and a real (offscreen) main window stand-in with the library in a list
// view, after a first scan has warmed the file cache. Prints files per second and the split
// between the walk, the 0.55 s wait and the attribute pass. Figures only; nothing here fails.
//
//   bench_scan [SIZE...]      default sizes 1000 10000 32000; libraries live in /tmp/zamp-bench

#include "library/FolderScanner.h"
#include "library/Library.h"
#include "platform/TagLibReader.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <ctime>

namespace {

const QString kRoot = QStringLiteral("/tmp/zamp-bench");

bool ensureLibrary(const QString &folder, int size) {
    QFile ready(folder + QStringLiteral(".ready"));
    if (ready.open(QIODevice::ReadOnly) && ready.readAll().trimmed().toInt() == size)
        return true;
    const QString maker =
        QCoreApplication::applicationDirPath() + QStringLiteral("/bench_make_library");
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(maker, {folder, QString::number(size)});
    return process.waitForFinished(-1) && process.exitCode() == 0;
}

// The UI thread's own CPU time: beside the wall time it shows whether the walk was working or
// waiting for a core on a busy machine.
double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The main window's wait: a nested event loop that sleeps until the time is up instead of
// spinning, so the tag-reading threads have the cores to themselves meanwhile.
void pause(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

struct Run {
    int entries = 0;
    int replaced = 0;
    double walk = 0;
    double walkCpu = 0;
    double wait = 0;
    double pass = 0;
    double total = 0;
};

Run scanOnce(const QString &folder, const TagReader &tags) {
    // Like the main window: the library shown in two lists of uniform rows, one per column.
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    Library library;
    for (const int column : {Library::DisplayColumn, Library::PathColumn}) {
        auto *list = new QListView(&window);
        list->setUniformItemSizes(true);
        list->setModel(&library);
        list->setModelColumn(column);
        layout->addWidget(list);
    }
    window.resize(400, 600);
    window.show();

    Run run;
    QElapsedTimer clock;
    qint64 walkEnd = 0;
    qint64 waitEnd = 0;
    FolderScanner::Hooks hooks;
    hooks.owner = &window;
    hooks.storeFolder = [](const QString &) {
    };
    hooks.pause = [&](double seconds) {
        QElapsedTimer waited;
        waited.start();
        pause(seconds);
        run.wait = double(waited.nsecsElapsed()) / 1e9;
    };
    FolderScanner scanner(&library, &tags, hooks);
    double cpuStart = 0;
    QObject::connect(&scanner, &FolderScanner::walkFinished, [&] {
        walkEnd = clock.nsecsElapsed();
        run.walkCpu = threadCpuSeconds() - cpuStart;
    });
    QObject::connect(&scanner, &FolderScanner::passStarted,
                     [&] { waitEnd = clock.nsecsElapsed(); });
    cpuStart = threadCpuSeconds();
    clock.start();
    scanner.addfiles(folder);
    const qint64 end = clock.nsecsElapsed();
    run.total = double(end) / 1e9;
    run.walk = double(walkEnd) / 1e9;
    run.pass = double(end - waitEnd) / 1e9;
    run.entries = library.count();
    for (int row = 0; row < library.count(); ++row) {
        if (library.displayLine(row) != library.fileName(row))
            ++run.replaced;
    }
    return run;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (const QString &argument : app.arguments().mid(1))
        sizes << argument.toInt();
    if (sizes.isEmpty())
        sizes = {1000, 10000, 32000};

    const TagLibReader tags;
    std::printf("%8s %8s %8s %10s %8s %8s %9s %8s %8s\n", "files", "entries", "authors", "files/s",
                "total", "walk", "walk cpu", "wait", "pass");
    for (const int size : sizes) {
        const QString folder = kRoot + QStringLiteral("/library-%1").arg(size);
        if (!ensureLibrary(folder, size)) {
            std::printf("%8d could not make %s\n", size, qPrintable(folder));
            continue;
        }
        scanOnce(folder, tags); // warms the file cache
        const Run run = scanOnce(folder, tags);
        std::printf("%8d %8d %8d %10.0f %7.3fs %7.3fs %8.3fs %7.3fs %7.3fs\n", size, run.entries,
                    run.replaced, size / run.total, run.total, run.walk, run.walkCpu, run.wait,
                    run.pass);
        std::fflush(stdout);
    }
    return 0;
}
