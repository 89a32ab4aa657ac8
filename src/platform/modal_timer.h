// The controller's time-out timer as every Ui serves it (see Ui::StartTimer):
// the schedule without a clock or loop of its own. A Ui's modal loop calls
// ServeIfDue when it starts and again at NextDue while it waits.
#pragma once

#include <cstdint>
#include <functional>

namespace kestrel {

class ModalTimer {
 public:
  // Starting replaces a running timer; intervals are counted from now.
  void Start(int64_t nowMs, int intervalMs, std::function<void()> handler);
  void Stop() { handler_ = nullptr; }
  bool running() const { return bool(handler_); }
  // true while the handler runs.
  bool serving() const { return inHandler_; }

  // Runs the handler once when an interval has ended since it last ran
  // (however many ended); true when it ran. A box the handler opens does not
  // serve the timer again.
  bool ServeIfDue(int64_t nowMs);
  // When the next unserved interval ends (the same clock); -1 when stopped.
  int64_t NextDue() const;

 private:
  std::function<void()> handler_;
  int64_t start_ = 0;
  int64_t interval_ = 1;
  int64_t served_ = 0;  // intervals accounted for
  bool inHandler_ = false;
};

}  // namespace kestrel
