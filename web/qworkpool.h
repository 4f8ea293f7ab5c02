#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

/// Worker threads taking tasks from one shared first-in, first-out queue. Runs the handlers of
/// asynchronous bridge commands off the GUI thread; knows nothing about commands or replies.
class QWorkPool
{
public:
    using Task = std::function<void()>;

    QWorkPool() = default;
    /// Stops the pool (waiting for running tasks) if it still runs.
    ~QWorkPool();
    QWorkPool(const QWorkPool &) = delete;
    QWorkPool &operator=(const QWorkPool &) = delete;

    /// The process-wide pool, created and started on first use. GUI thread only.
    static QWorkPool *instance();

    void start(int threadCount);
    /// Ends every worker after the task it is running; queued tasks are dropped unrun.
    void stop();
    /// Queues the task; never blocks beyond a short lock.
    void post(Task task);
    /// Queues the tasks in order, waking the workers once.
    void post(std::vector<Task> tasks);

    /// Worker threads started by start() and not yet stopped.
    int threadCount() const;

private:
    void run();

    std::list<Task> m_tasks;
    std::atomic<bool> m_running {false};
    std::condition_variable m_condition;
    mutable std::mutex m_mutex;
    std::list<std::unique_ptr<std::thread>> m_threads;
};
