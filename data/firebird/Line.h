#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace fb {

// The thread a connection's calls run on, one job after another, so that the
// thread that asked for them can keep its windows answering meanwhile.
class Line {
public:
    Line();
    ~Line(); // runs the jobs still queued, then ends the thread
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    bool isCurrent() const { return std::this_thread::get_id() == thread_.get_id(); }
    void post(std::function<void()> job);

private:
    void run();

    std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> jobs_;
    bool quit_ = false;
    std::thread thread_;
};

} // namespace fb
