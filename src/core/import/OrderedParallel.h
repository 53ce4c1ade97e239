#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace moxtel {

// Runs produce(i) for i = 0 .. count-1 on `jobs` threads and hands every result to consume(i, result)
// on the calling thread, strictly in index order. At most `window` results are produced ahead of
// the one being consumed, so memory stays bounded however many items there are. When consume
// returns false, no further item is produced or consumed and the call returns once the threads end.
// produce must be safe to call from several threads at once.
template <typename T>
void OrderedParallel(std::size_t count, int jobs, std::size_t window, const std::function<T(std::size_t)>& produce,
                     const std::function<bool(std::size_t, T&&)>& consume) {
    window = std::max<std::size_t>(window, 1);
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<T>> ring(window);
    std::size_t nextToProduce = 0;
    std::size_t nextToConsume = 0;
    bool stop = false;

    auto worker = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stop || nextToProduce >= count || nextToProduce < nextToConsume + window; });
            if (stop || nextToProduce >= count) return;
            const std::size_t i = nextToProduce++;
            lock.unlock();
            T value = produce(i);
            lock.lock();
            ring[i % window].emplace(std::move(value));
            changed.notify_all();
        }
    };
    std::vector<std::thread> threads;
    const int n = std::max(1, jobs);
    for (int t = 0; t < n; ++t) threads.emplace_back(worker);

    for (std::size_t i = 0; i < count; ++i) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return ring[i % window].has_value(); });
        T value = std::move(*ring[i % window]);
        ring[i % window].reset();
        lock.unlock();
        const bool goOn = consume(i, std::move(value));
        lock.lock();
        nextToConsume = i + 1;
        if (!goOn) stop = true;
        changed.notify_all();
        if (stop) break;
    }
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    changed.notify_all();
    for (auto& thread : threads) thread.join();
}

}  // namespace moxtel
