#include "library/TagPrefetch.h"

#include <QThread>
#include <algorithm>
#include <cerrno>
#include <new>

#if defined(Q_OS_LINUX)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// Linux gives every thread its own nice value, inherited from the thread that made it. Lowering
// a thread's priority needs no privilege, raising it again does, which is why only threads that
// stay in the background ask for it; relative, so that a program started niced is never raised.
void enterBackground() {
#if defined(Q_OS_LINUX)
    const auto thread = id_t(syscall(SYS_gettid));
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, thread);
    if (errno == 0)
        setpriority(PRIO_PROCESS, thread, std::min(now + 10, 19));
#endif
}

} // namespace

TagPrefetch::TagPrefetch(const TagReader &reader, qsizetype capacity, int workers,
                         Priority priority)
    : m_reader(reader), m_capacity(std::max<qsizetype>(capacity, 0)),
      m_storage(new std::byte[size_t(m_capacity) * sizeof(Item)]),
      m_items(reinterpret_cast<Item *>(m_storage.get())) {
    addWorkers(workers, priority);
}

void TagPrefetch::addWorkers(int workers, Priority priority) {
    for (int i = 0; i < workers; ++i)
        m_threads.emplace_back([this, priority] { work(priority); });
}

TagPrefetch::~TagPrefetch() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
    for (qsizetype i = 0; i < m_size; ++i)
        m_items[i].~Item();
}

int TagPrefetch::defaultWorkers() {
    return std::max(1, QThread::idealThreadCount());
}

bool TagPrefetch::append(const QString &path) {
    if (m_size >= m_capacity)
        return false;
    new (&m_items[m_size]) Item{path, {}, {}};
    ++m_size;
    {
        // Publishing under the lock orders the item's construction before any worker's read.
        const std::lock_guard lock(m_mutex);
        m_published = m_size;
    }
    m_wake.notify_one();
    return true;
}

void TagPrefetch::finish() {
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_wake.notify_all();
}

void TagPrefetch::work(Priority priority) {
    if (priority == Priority::Background)
        enterBackground();
    for (;;) {
        qsizetype at = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_next < m_published || m_finished; });
            if (m_stop || m_next >= m_published)
                return;
            at = m_next++;
        }
        Item &item = m_items[at];
        int expected = Unclaimed;
        if (!item.state.compare_exchange_strong(expected, Reading, std::memory_order_acquire))
            continue;
        item.tags = m_reader.readTags(item.path);
        m_readByWorkers.fetch_add(1, std::memory_order_relaxed);
        // The release store publishes item.tags to the consumer's acquire load.
        item.state.store(Done, std::memory_order_release);
        item.state.notify_all();
    }
}

MediaTags TagPrefetch::take(qsizetype at) {
    if (at < 0 || at >= m_size)
        return {};
    Item &item = m_items[at];
    int expected = Unclaimed;
    if (item.state.compare_exchange_strong(expected, Taken, std::memory_order_acquire))
        return m_reader.readTags(item.path);
    for (;;) {
        const int now = item.state.load(std::memory_order_acquire);
        if (now == Done)
            break;
        if (now == Taken)
            return {};
        item.state.wait(now, std::memory_order_acquire);
    }
    item.state.store(Taken, std::memory_order_relaxed);
    return std::move(item.tags);
}
