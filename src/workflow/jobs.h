#pragma once

// Background jobs of the workflow controller. A job runs on the workflow thread pool with its own
// stop source, and reaches the controller only through a ControllerLink: a call that runs on the
// GUI thread while the job waits, or a posted call that the job does not wait for. Both find the
// controller gone once it has been destroyed, and a job waiting on the GUI thread is released at
// that moment, so destroying the controller mid-job never deadlocks.

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <chrono>
#include <condition_variable>
#include <optional>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>

namespace quillmore {

class Job {
public:
    std::stop_token token() const { return m_stop.get_token(); }
    void requestStop() { m_stop.request_stop(); }
    bool stopRequested() const { return m_stop.stop_requested(); }

private:
    std::stop_source m_stop;
};

// Runs the body on the workflow thread pool.
void startJob(std::function<void()> body);
// Waits until every job has ended, at most the given time; true when they all have. For
// command-line runs and tests that must not leave work behind.
bool waitForJobs(int timeoutMs);

// Paces the progress a job hands to the GUI thread. A service reports far more often than a screen
// can show (every few files), and each awaited delivery costs two thread switches; so a value is
// delivered at once when the last delivery is at least one display frame old, and otherwise folded
// into the one waiting to go. flush() delivers what is waiting; a job calls it when its service
// returns, so the last value reported is always shown. Used on the job's thread only.
template <typename Value>
class ProgressPacer {
public:
    static constexpr std::chrono::milliseconds interval{20};

    // fold(waiting, newer) -> the value to deliver in their place.
    template <typename Fold, typename Deliver>
    void offer(const Value &value, Fold fold, Deliver deliver)
    {
        m_waiting = m_waiting ? fold(*m_waiting, value) : value;
        const auto now = std::chrono::steady_clock::now();
        if (!m_delivered || now - *m_delivered >= interval) {
            m_delivered = now;
            deliverWaiting(deliver);
        }
    }
    template <typename Deliver>
    void flush(Deliver deliver)
    {
        deliverWaiting(deliver);
    }

private:
    template <typename Deliver>
    void deliverWaiting(Deliver deliver)
    {
        if (!m_waiting)
            return;
        const Value value = *m_waiting;
        m_waiting.reset();
        deliver(value);
    }
    std::optional<Value> m_waiting;
    std::optional<std::chrono::steady_clock::time_point> m_delivered;
};

template <typename Controller>
class ControllerLink : public std::enable_shared_from_this<ControllerLink<Controller>> {
public:
    explicit ControllerLink(Controller *controller) : m_controller(controller) {}

    // GUI thread: the controller is being destroyed. Every waiting job is released.
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_alive = false;
        m_changed.notify_all();
    }

    // Job thread: runs fn(controller) on the GUI thread and waits until it has run, or until the
    // controller is gone. Returns whether it ran.
    template <typename Fn>
    bool call(Fn fn)
    {
        auto state = std::make_shared<Delivery>();
        {
            std::lock_guard lock(m_mutex);
            if (!m_alive)
                return false;
        }
        // The notifier lives as long as the posted call: when the call runs, or is discarded
        // without running, its last copy goes and the waiting job is woken.
        auto self = this->shared_from_this();
        auto notifier = std::make_shared<Notifier>(self, state);
        QObject *context = QCoreApplication::instance();
        if (!context)
            return false;
        QMetaObject::invokeMethod(
            context,
            [self, notifier, fn = std::move(fn)]() mutable {
                if (Controller *c = self->m_controller.data()) {
                    fn(c);
                    notifier->ran();
                }
            },
            Qt::QueuedConnection);
        notifier.reset();
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return state->done || !m_alive; });
        return state->ran;
    }

    // Job thread: runs fn(controller) on the GUI thread later, if the controller still exists.
    template <typename Fn>
    void post(Fn fn)
    {
        QObject *context = QCoreApplication::instance();
        if (!context)
            return;
        QMetaObject::invokeMethod(
            context,
            [self = this->shared_from_this(), fn = std::move(fn)]() mutable {
                if (Controller *c = self->m_controller.data())
                    fn(c);
            },
            Qt::QueuedConnection);
    }

private:
    struct Delivery {
        bool done = false;
        bool ran = false;
    };
    struct Notifier {
        Notifier(std::shared_ptr<ControllerLink> link, std::shared_ptr<Delivery> state)
            : link(std::move(link)), state(std::move(state))
        {
        }
        ~Notifier()
        {
            std::lock_guard lock(link->m_mutex);
            state->done = true;
            link->m_changed.notify_all();
        }
        void ran()
        {
            std::lock_guard lock(link->m_mutex);
            state->ran = true;
        }
        std::shared_ptr<ControllerLink> link;
        std::shared_ptr<Delivery> state;
    };

    QPointer<Controller> m_controller; // read on the GUI thread only
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_alive = true;
};

} // namespace quillmore
