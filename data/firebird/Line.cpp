#include "data/firebird/Line.h"

namespace fb {

Line::Line() : thread_([this] { run(); }) {}

Line::~Line()
{
    {
        std::lock_guard<std::mutex> lock(m_);
        quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void Line::post(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(m_);
        jobs_.push_back(std::move(job));
    }
    cv_.notify_one();
}

void Line::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(m_);
            cv_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace fb
