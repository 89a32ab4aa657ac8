#include "platform/win32/form_builder.h"

#include <commctrl.h>

#include "platform/win32/wide_text.h"

namespace kestrel {
namespace {

COLORREF Ref(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

}  // namespace

Win32Form::~Win32Form() {
  for (HBRUSH b : brushes_)
    if (b != nullptr) DeleteObject(b);
  for (auto& f : fonts_) DeleteObject(f.second);
  if (background_ != nullptr) DeleteObject(background_);
}

HFONT Win32Form::Font(LayoutFont font) {
  for (auto& f : fonts_)
    if (f.first.pixels == font.pixels && f.first.bold == font.bold) return f.second;
  HFONT made = CreateFontW(-font.pixels, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
  fonts_.emplace_back(font, made);
  return made;
}

void Win32Form::Build(const FormLayout& layout, HWND window) {
  layout_ = &layout;
  if (layout.colour != kNoColour && background_ == nullptr) background_ = CreateSolidBrush(Ref(layout.colour));
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HFONT formFont = Font(layout.font);
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(formFont), FALSE);
  int id = 0;
  for (const ControlRow& row : layout.controls) {
    ++id;
    const wchar_t* kind = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    switch (row.kind) {
      case ControlKind::Label:
        style |= SS_LEFT | ((row.flags & kWordWrap) || (row.flags & kAlignTop) ? 0 : SS_CENTERIMAGE);
        break;
      case ControlKind::List:
        kind = L"LISTBOX";
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP;
        break;
      case ControlKind::Button:
      case ControlKind::SpeedButton:
        kind = L"BUTTON";
        style |= BS_PUSHBUTTON | ((row.flags & kNoFocus) ? 0 : WS_TABSTOP);
        break;
      case ControlKind::ProgressBar:
        kind = PROGRESS_CLASSW;
        break;
      default:
        break;  // kinds a Win32 form does not have yet are left out
    }
    if (row.flags & kHidden) style &= ~DWORD(WS_VISIBLE);
    HWND control = CreateWindowExW(0, kind, Wide(row.caption).c_str(), style, row.rect.x, row.rect.y, row.rect.w,
                                   row.rect.h, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(row.font.pixels != 0 ? Font(row.font) : formFont),
                 FALSE);
    controls_.push_back(control);
    brushes_.push_back(row.colour != kNoColour ? CreateSolidBrush(Ref(row.colour)) : nullptr);
  }
}

HWND Win32Form::Get(std::string_view name) const {
  if (layout_ == nullptr) return nullptr;
  for (size_t i = 0; i < controls_.size(); ++i)
    if (name == layout_->controls[i].name) return controls_[i];
  return nullptr;
}

HBRUSH Win32Form::StaticColours(HWND control, HDC dc) const {
  for (size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i] != control) continue;
    const ControlRow& row = layout_->controls[i];
    SetTextColor(dc, row.textColour != kNoColour ? Ref(row.textColour) : GetSysColor(COLOR_WINDOWTEXT));
    if (brushes_[i] == nullptr) break;
    SetBkColor(dc, Ref(row.colour));
    return brushes_[i];
  }
  if (background_ == nullptr) return nullptr;
  SetBkMode(dc, TRANSPARENT);
  return background_;
}

}  // namespace kestrel
