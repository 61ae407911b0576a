#pragma once

// Ends the test process with a message when a test function has not finished in time, so that a
// deadlock on the test's own thread fails the run instead of hanging it until ctest's limit.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

class TestWatchdog
{
public:
    TestWatchdog() = default;
    ~TestWatchdog() { disarm(); }
    TestWatchdog(const TestWatchdog &) = delete;
    TestWatchdog &operator=(const TestWatchdog &) = delete;

    void arm(const std::string &what, int seconds)
    {
        disarm();
        m_done = false;
        m_thread = std::thread([this, what, seconds] {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_cond.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; })) {
                std::fprintf(stderr, "FAIL!  : %s did not finish within %d s (deadlock?)\n",
                             what.c_str(), seconds);
                std::fflush(stderr);
                std::_Exit(3);
            }
        });
    }

    void disarm()
    {
        if (!m_thread.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_cond.notify_all();
        m_thread.join();
    }

private:
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_done = false;
};
