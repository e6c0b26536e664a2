#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace tarnwick {

// Runs one job at a time on a thread of its own, for a caller that must never wait (the
// window's thread asking a network daemon something); the caller polls for the result.
// Destroying the object while a job runs does not wait either: the job finishes on its own
// thread and its result is dropped, so the job must own everything it uses.
template <class T>
class BackgroundJob {
public:
    BackgroundJob() = default;
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // Starts `job` and drops any result not taken yet; false (nothing started) while the
    // previous job still runs or when no thread can be had.
    bool Start(std::function<T()> job) {
        {
            const std::lock_guard<std::mutex> lock(shared_->mutex);
            if (shared_->running) {
                return false;
            }
            shared_->running = true;
            shared_->result.reset();
        }
        try {
            std::thread([shared = shared_, job = std::move(job)] {
                T result = job();
                const std::lock_guard<std::mutex> lock(shared->mutex);
                shared->result = std::move(result);
                shared->running = false;
            }).detach();
        } catch (const std::system_error&) {
            const std::lock_guard<std::mutex> lock(shared_->mutex);
            shared_->running = false;
            return false;
        }
        return true;
    }

    bool Running() const {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        return shared_->running;
    }

    // The finished job's result, once.
    std::optional<T> Take() {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        return std::exchange(shared_->result, std::nullopt);
    }

private:
    struct Shared {
        std::mutex mutex;
        bool running = false;
        std::optional<T> result;
    };
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

}  // namespace tarnwick
