#pragma once
// Work done on a thread of its own, away from the GUI thread, and looked at
// later without waiting.
#include <chrono>
#include <future>
#include <thread>
#include <utility>

namespace corvane {

// Runs f on a thread of its own; the future does not wait for it when dropped.
template <typename F>
auto runAside(F f)
{
    std::promise<decltype(f())> promise;
    auto future = promise.get_future();
    std::thread([promise = std::move(promise), f = std::move(f)]() mutable { promise.set_value(f()); }).detach();
    return future;
}

// The work is done (false for a future that stands for none).
template <typename Future>
bool isReady(const Future& f)
{
    return f.valid() && f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

}  // namespace corvane
