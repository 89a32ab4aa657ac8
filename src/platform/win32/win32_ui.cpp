#include "platform/win32/win32_ui.h"

#include <cstdlib>

#include "platform/win32/device_dialog_window.h"
#include "platform/win32/wide_text.h"

namespace kestrel {

namespace {

// The one Ui of the process, for the timer's callback.
Win32Ui* g_ui = nullptr;

constexpr const wchar_t* kTitle = L"Kestrel";

UINT IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information: return MB_ICONINFORMATION;
    case MessageKind::Warning: return MB_ICONWARNING;
    case MessageKind::Error: return MB_ICONERROR;
  }
  return MB_ICONINFORMATION;
}

}  // namespace

Win32Ui::Win32Ui()
    : fallback_(SplitAnswers(EnvironmentValue(L"KESTREL_ANSWERS")), EnvironmentValue(L"KESTREL_MESSAGES")) {
  g_ui = this;
  messagesFile_ = EnvironmentValue(L"KESTREL_MESSAGES");
}

Win32Ui::~Win32Ui() {
  StopTimer();
  if (g_ui == this) g_ui = nullptr;
}

void Win32Ui::StartTimer(int intervalMs, std::function<void()> handler) {
  timerHandler_ = std::move(handler);
  timerInterval_ = intervalMs > 0 ? intervalMs : 1;
  timerStart_ = GetTickCount64();
  timerServed_ = 0;
}

void Win32Ui::StopTimer() { timerHandler_ = nullptr; }

void Win32Ui::Serve() {
  if (!timerHandler_ || inTimer_) return;
  const int64_t due = int64_t(GetTickCount64() - timerStart_) / timerInterval_;
  if (due <= timerServed_) return;
  timerServed_ = due;
  inTimer_ = true;
  auto handler = timerHandler_;
  handler();
  inTimer_ = false;
}

void CALLBACK Win32Ui::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_ui != nullptr) g_ui->Serve();
}

int Win32Ui::Box(const std::string& text, UINT flags) {
  AppendToMessagesFile(messagesFile_, text);
  // A box opened by the handler itself does not serve the timer again.
  const bool serving = timerHandler_ && !inTimer_;
  if (serving) {
    Serve();
    timerId_ = SetTimer(nullptr, 0, UINT(timerInterval_ < 10 ? 10 : timerInterval_), &Win32Ui::OnTimer);
  }
  const int pressed = MessageBoxW(nullptr, Wide(text).c_str(), kTitle, flags | MB_SETFOREGROUND | MB_TASKMODAL);
  if (serving && timerId_ != 0) {
    KillTimer(nullptr, timerId_);
    timerId_ = 0;
  }
  return pressed;
}

void Win32Ui::ShowMessage(const std::string& text, MessageKind kind) { Box(text, MB_OK | IconOf(kind)); }

bool Win32Ui::AskYesNo(const std::string& text, MessageKind kind) {
  return Box(text, MB_YESNO | IconOf(kind)) == IDYES;
}

bool Win32Ui::AskOkCancel(const std::string& text, MessageKind kind) {
  return Box(text, MB_OKCANCEL | IconOf(kind)) == IDOK;
}

std::string Win32Ui::SelectDevice(const DeviceDialogRequest& request) {
  std::string chosen;
  if (RunDeviceDialogWindow(request, *this, chosen)) return chosen;
  return fallback_.SelectDevice(request);
}

bool Win32Ui::ProcessEvents() { return progress_.ProcessMessages(); }

}  // namespace kestrel
