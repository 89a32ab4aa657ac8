#include "platform/modal_timer.h"

namespace kestrel {

void ModalTimer::Start(int64_t nowMs, int intervalMs, std::function<void()> handler) {
  handler_ = std::move(handler);
  interval_ = intervalMs > 0 ? intervalMs : 1;
  start_ = nowMs;
  served_ = 0;
}

bool ModalTimer::ServeIfDue(int64_t nowMs) {
  if (!handler_ || inHandler_) return false;
  const int64_t due = (nowMs - start_) / interval_;
  if (due <= served_) return false;
  served_ = due;
  inHandler_ = true;
  auto handler = handler_;  // the handler may restart or stop the timer
  handler();
  inHandler_ = false;
  return true;
}

int64_t ModalTimer::NextDue() const { return handler_ ? start_ + (served_ + 1) * interval_ : -1; }

}  // namespace kestrel
