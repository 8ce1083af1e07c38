#pragma once

#include "data/firebird/Database.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace testsupport {

// Keeps a connection's own thread busy for a while, as a slow server would:
// a job of another thread of the test's runs there first, so the next call
// of the program waits behind it in a real wait. Returns once that job runs;
// ends with it.
class BusyLine {
public:
    BusyLine(fb::Database& db, int ms)
    {
        thread_ = std::thread([this, &db, ms] {
            db.perform([this, ms] {
                {
                    std::lock_guard<std::mutex> lock(m_);
                    started_ = true;
                }
                cv_.notify_all();
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            });
        });
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [this] { return started_; });
    }
    ~BusyLine() { thread_.join(); }
    BusyLine(const BusyLine&) = delete;
    BusyLine& operator=(const BusyLine&) = delete;

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool started_ = false;
    std::thread thread_;
};

} // namespace testsupport
