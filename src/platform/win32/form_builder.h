// The Win32 builder of form layouts (forms/form_layout.h): the child
// controls of a table's rows (labels, lists, buttons, progress bars) in a
// window, each with its rectangle, caption and font; the forms' face is
// Tahoma, as the tables' forms were drawn.
#pragma once

#include <string_view>
#include <vector>

#include "forms/form_layout.h"
#include "platform/win32/windows_api.h"

namespace kestrel {

class Win32Form {
 public:
  Win32Form() = default;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;
  ~Win32Form();

  // Creates the rows' controls in window; a control's id is its row's
  // index + 1. The window takes the form's font.
  void Build(const FormLayout& layout, HWND window);
  // The control of a name; nullptr when there is none.
  HWND Get(std::string_view name) const;
  // The background brush of a label with a colour of its own (for
  // WM_CTLCOLORSTATIC), with the text colour set on dc; nullptr for a
  // control drawn in the form's colour.
  HBRUSH StaticColours(HWND control, HDC dc) const;
  // The form's background brush.
  HBRUSH Background() const { return background_; }

 private:
  HFONT Font(LayoutFont font);

  const FormLayout* layout_ = nullptr;
  std::vector<HWND> controls_;
  std::vector<HBRUSH> brushes_;  // one per row, nullptr for none
  std::vector<std::pair<LayoutFont, HFONT>> fonts_;
  HBRUSH background_ = nullptr;
};

}  // namespace kestrel
