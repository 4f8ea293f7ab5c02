// The work pool: order, stopping, and surviving tasks that throw.
#include "qworkpool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

TEST(QWorkPool, OneWorkerRunsTasksInPostingOrder)
{
    QWorkPool pool;
    pool.start(1);
    std::vector<int> order;
    std::mutex mutex;
    std::promise<void> done;
    constexpr int kTasks = 500;
    for (int i = 0; i < kTasks; ++i) {
        pool.post([&, i] {
            std::lock_guard<std::mutex> lock(mutex);
            order.push_back(i);
            if (i == kTasks - 1)
                done.set_value();
        });
    }
    done.get_future().wait();
    pool.stop();
    ASSERT_EQ(order.size(), size_t(kTasks));
    for (int i = 0; i < kTasks; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(QWorkPool, EveryTaskGetsAWorkerHoweverItWasPosted)
{
    // Each pair of tasks can only finish side by side: with a worker left asleep for the second
    // one, the first would wait for ever.
    for (const bool oneByOne : {true, false}) {
        QWorkPool pool;
        pool.start(2);
        // Most likely both asleep by then, so that the posts have to wake them.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::promise<void> secondStarted;
        std::shared_future<void> started = secondStarted.get_future().share();
        std::promise<void> firstDone;
        QWorkPool::Task first = [&] {
            started.wait();
            firstDone.set_value();
        };
        QWorkPool::Task second = [&] {
            secondStarted.set_value();
        };
        if (oneByOne) {
            pool.post(std::move(first));
            pool.post(std::move(second));
        } else {
            std::vector<QWorkPool::Task> tasks;
            tasks.push_back(std::move(first));
            tasks.push_back(std::move(second));
            pool.post(std::move(tasks));
        }
        // A generous bound on a hang, not on speed.
        const bool bothRan =
            firstDone.get_future().wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        if (!bothRan)
            secondStarted.set_value(); // lets the first one end, so that the pool can stop
        EXPECT_TRUE(bothRan) << (oneByOne ? "posted one by one" : "posted together");
        pool.stop();
    }
}

TEST(QWorkPool, StopWhileIdleEndsAllWorkers)
{
    QWorkPool pool;
    pool.start(4);
    EXPECT_EQ(pool.threadCount(), 4);
    pool.stop();
    EXPECT_EQ(pool.threadCount(), 0);
}

TEST(QWorkPool, StopWaitsForRunningTaskAndDropsQueuedOnes)
{
    QWorkPool pool;
    pool.start(1);
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> firstFinished {false};
    std::atomic<bool> queuedRan {false};
    pool.post([&] {
        started.set_value();
        released.wait();
        firstFinished = true;
    });
    pool.post([&] { queuedRan = true; });
    started.get_future().wait();

    bool finishedWhenStopReturned = false;
    std::thread stopper([&] {
        pool.stop();
        finishedWhenStopReturned = firstFinished;
    });
    // stop() hands its threads over only after clearing the running flag: from then on the
    // worker must not take the queued task when the first one ends.
    while (pool.threadCount() != 0)
        std::this_thread::yield();
    release.set_value();
    stopper.join();

    EXPECT_TRUE(finishedWhenStopReturned);
    EXPECT_FALSE(queuedRan);
    EXPECT_EQ(pool.threadCount(), 0);
}

TEST(QWorkPool, TasksPostedAfterStopNeverRun)
{
    std::atomic<bool> ran {false};
    {
        QWorkPool pool;
        pool.start(2);
        pool.stop();
        pool.post([&] { ran = true; });
        EXPECT_EQ(pool.threadCount(), 0);
    }
    EXPECT_FALSE(ran);
}

TEST(QWorkPool, ThrowingTaskLeavesWorkerRunning)
{
    QWorkPool pool;
    pool.start(1);
    std::promise<int> after;
    pool.post([] { throw std::runtime_error("task failed"); });
    pool.post([] { throw 7; });
    pool.post([&] { after.set_value(42); });
    EXPECT_EQ(after.get_future().get(), 42);
    EXPECT_EQ(pool.threadCount(), 1);
    pool.stop();
}

TEST(QWorkPool, TaskMayPostAnotherTask)
{
    QWorkPool pool;
    pool.start(1);
    std::promise<void> inner;
    pool.post([&] { pool.post([&] { inner.set_value(); }); });
    inner.get_future().wait();
    pool.stop();
}

TEST(QWorkPool, InstanceIsStartedWithAtLeastTwoWorkers)
{
    QWorkPool *pool = QWorkPool::instance();
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(QWorkPool::instance(), pool);
    EXPECT_GE(pool->threadCount(), 2);
    std::promise<std::thread::id> worker;
    pool->post([&] { worker.set_value(std::this_thread::get_id()); });
    EXPECT_NE(worker.get_future().get(), std::this_thread::get_id());
}
