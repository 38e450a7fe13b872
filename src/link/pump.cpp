#include "pump.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

struct QtEventPump::Impl {
  QElapsedTimer clock;
  QTimer tick;
  std::function<void()> handler;
};

QtEventPump::QtEventPump() : d_(new Impl) {
  d_->clock.start();
  d_->tick.setInterval(100);
  d_->tick.setTimerType(Qt::PreciseTimer);
  QObject::connect(&d_->tick, &QTimer::timeout, [this] {
    if (d_->handler) d_->handler();
  });
}

QtEventPump::~QtEventPump() { delete d_; }

void QtEventPump::ProcessMessages() {
  // Blocks until an event arrives: the 100 ms tick bounds the sleep, and the
  // serial notifier wakes it as soon as a byte is waiting.
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtEventPump::ProcessPending() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtEventPump::Sleep(int32_t ms) {
  if (ms <= 0) {
    ProcessPending();
    return;
  }
  QDeadlineTimer deadline(ms, Qt::PreciseTimer);
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  while (!deadline.hasExpired()) {
    // A timer of our own ends the sleep on time even between ticks.
    wake.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
}

int64_t QtEventPump::NowMs() { return d_->clock.elapsed(); }

void QtEventPump::SetTickHandler(std::function<void()> handler) {
  d_->handler = std::move(handler);
  if (d_->handler && !d_->tick.isActive()) d_->tick.start();
  if (!d_->handler) d_->tick.stop();
}
