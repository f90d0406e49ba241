// Preloaded into a Qt program: at the first frame of its first exposed window, prints the
// monotonic clock in nanoseconds and ends the process. The same hook serves every program
// compared, so neither pays for measuring more than the other.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

class FirstFrameFilter : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && !seen) {
            auto *window = qobject_cast<QWindow *>(watched);
            if (window && window->isExposed()) {
                seen = true;
                // Queued: the frame is painted and flushed while the expose event is handled.
                QTimer::singleShot(0, [] {
                    timespec now{};
                    clock_gettime(CLOCK_MONOTONIC, &now);
                    std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                    std::fflush(stdout);
                    _exit(0);
                });
            }
        }
        return false;
    }

private:
    bool seen = false;
};

void installFilter()
{
    QCoreApplication::instance()->installEventFilter(new FirstFrameFilter);
}

[[gnu::constructor]] void registerHook()
{
    qAddPreRoutine(installFilter);
}

} // namespace
