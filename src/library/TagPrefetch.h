#pragma once

#include "platform/TagReader.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Reads the tags of a growing list of files on worker threads, ahead of the one thread (the
// consumer) that appends the files and later takes their tags. Each file is read exactly once,
// by whoever claims it first: a worker, or the consumer itself when it wants a file no worker
// has started, so the consumer never waits for a file nobody is reading. The reader must be
// safe to call from several threads at once (TagReader promises it).
class TagPrefetch {
public:
    // Background workers give way to every normal thread, the consumer's included: they read
    // while the consumer is busy with other work that must not be slowed down.
    enum class Priority { Normal, Background };

    // Room for `capacity` files; `workers` threads start at once and wait for files (with 0,
    // take() reads every file itself).
    TagPrefetch(const TagReader &reader, qsizetype capacity, int workers,
                Priority priority = Priority::Normal);
    // Stops the workers: a file being read is finished, no new one is begun.
    ~TagPrefetch();
    TagPrefetch(const TagPrefetch &) = delete;
    TagPrefetch &operator=(const TagPrefetch &) = delete;

    // Starts more worker threads.
    void addWorkers(int workers, Priority priority = Priority::Normal);
    // Consumer only. Queues a file; false (and nothing queued) when the capacity is used up.
    bool append(const QString &path);
    // Consumer only. No more files will come: workers leave once the queue is read.
    void finish();
    qsizetype size() const { return m_size; }
    // Consumer only. The tags of queued file `at`, once (a second take gives empty tags).
    MediaTags take(qsizetype at);
    // Files read by the workers so far (not by take()), for figures.
    qsizetype readByWorkers() const { return m_readByWorkers.load(std::memory_order_relaxed); }

    // One worker per core: the consumer mostly sleeps while they run (in the scan's wait).
    static int defaultWorkers();

private:
    enum State : int { Unclaimed, Reading, Done, Taken };
    struct Item {
        QString path;
        MediaTags tags;
        std::atomic<int> state{Unclaimed};
    };
    void work(Priority priority);

    const TagReader &m_reader;
    const qsizetype m_capacity;
    // Uninitialised storage, constructed item by item as files are queued: a full-size array
    // would touch megabytes that a small scan never uses. Items never move, so workers can read
    // one while the consumer queues the next.
    std::unique_ptr<std::byte[]> m_storage;
    Item *m_items;
    qsizetype m_size = 0; // consumer's count; m_published is the workers' view of it

    std::mutex m_mutex;
    std::condition_variable m_wake;
    qsizetype m_published = 0; // guarded by m_mutex
    qsizetype m_next = 0;      // guarded by m_mutex
    bool m_finished = false;   // guarded by m_mutex
    bool m_stop = false;       // guarded by m_mutex

    std::atomic<qsizetype> m_readByWorkers{0};
    std::vector<std::thread> m_threads;
};
