#include "qworkpool.h"

#include <QtGlobal>
#include <algorithm>
#include <exception>

namespace {

constexpr unsigned kMinimumWorkers = 2;
constexpr unsigned kMaximumWorkers = 8;

std::unique_ptr<QWorkPool> s_pool;

} // namespace

QWorkPool::~QWorkPool()
{
    stop();
}

QWorkPool *QWorkPool::instance()
{
    if (!s_pool) {
        s_pool = std::make_unique<QWorkPool>();
        // Two at least, so one slow handler does not hold up every other asynchronous call.
        const unsigned cores = std::thread::hardware_concurrency();
        s_pool->start(int(std::clamp(cores, kMinimumWorkers, kMaximumWorkers)));
    }
    return s_pool.get();
}

void QWorkPool::start(int threadCount)
{
    m_running = true;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < threadCount; ++i)
        m_threads.push_back(std::make_unique<std::thread>(&QWorkPool::run, this));
}

void QWorkPool::stop()
{
    {
        // Changed under the lock so no worker misses the wake-up between its test and its wait.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running = false;
    }
    m_condition.notify_all();

    std::list<std::unique_ptr<std::thread>> threads;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        threads.swap(m_threads);
    }
    for (auto &thread : threads) {
        // A task that stops its own pool cannot wait for itself.
        if (thread->get_id() == std::this_thread::get_id())
            thread->detach();
        else if (thread->joinable())
            thread->join();
    }
}

void QWorkPool::post(Task task)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    // One task needs one worker: waking every idle one would only send the others back to
    // sleep, at the cost of CPU the page and the GUI thread could use.
    m_condition.notify_one();
}

void QWorkPool::post(std::vector<Task> tasks)
{
    if (tasks.empty())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (Task &task : tasks)
            m_tasks.push_back(std::move(task));
    }
    if (tasks.size() == 1)
        m_condition.notify_one();
    else
        m_condition.notify_all();
}

int QWorkPool::threadCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_threads.size());
}

void QWorkPool::run()
{
    for (;;) {
        Task task;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_condition.wait(lock, [this] { return !m_running || !m_tasks.empty(); });
            if (!m_running)
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        // A throwing task loses only itself; the worker stays for the next one.
        try {
            if (task)
                task();
        } catch (const std::exception &error) {
            qWarning("work pool: task failed: %s", error.what());
        } catch (...) {
            qWarning("work pool: task failed with an unknown exception");
        }
    }
}
