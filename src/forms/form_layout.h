// Form layouts as data: one table per form, which every toolkit's builder
// turns into its controls (platform/qt/form_builder.h, and the Win32
// backend's for the forms it shows).
//
// A row names one control: its kind, its component name (the toolkit's
// object name, so that a window's controls, the tests and the form's model
// speak of the same "Button13"), the control it sits in, its caption, its
// rectangle inside that control, its font, its colours, its tab order,
// what it starts as (hidden, read-only, wrapped...) and its hint. A form's
// model binds its state to controls by those names; a view adds only what
// its toolkit needs beyond the table (a key of its own, scrolling, a fade).
//
// Captions are UTF-8. Colours are 0x00RRGGBB, kNoColour for the toolkit's
// own (a text control's colours are its text area's). A font of 0 pixels
// is the form's font.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kestrel {

enum class ControlKind {
  Button,       // a push button
  SpeedButton,  // a flat tool button that takes no focus
  Label,        // a static text
  CheckBox,
  RadioGroup,   // a framed group with a caption; its items are RadioItem rows inside it
  RadioItem,
  Combo,        // a drop-down list (Editable: text may be typed)
  List,         // a list of rows
  FolderTree,   // a folder list: the path's folders, then the subfolders of the last
  Memo,         // a multi-line text
  Edit,         // a one-line text field
  GroupBox,     // a framed box with a caption
  Panel,        // a plain area that holds other controls
  Tabs,         // a tab control; its pages are TabSheet rows inside it
  TabSheet,     // a tab page; caption = the tab's text
  ImageView,    // an image at its own size in a scrolled area
  ProgressBar,
};

inline constexpr uint32_t kNoColour = 0xFFFFFFFFu;

// Rows' flags.
enum ControlFlag : uint32_t {
  kHidden = 1u << 0,
  kReadOnly = 1u << 1,
  kWordWrap = 1u << 2,    // a label or memo that wraps its text
  kAlignTop = 1u << 3,    // a label's text at its top (else centred vertically)
  kSunken = 1u << 4,      // a label drawn as a sunken panel
  kEditable = 1u << 5,    // a combo whose text may be typed
  kNoFocus = 1u << 6,     // never takes the focus
  kScrollBars = 1u << 7,  // a memo with both scroll bars always shown
  kNoScrollBars = 1u << 8,
  kNoWrap = 1u << 9,      // a memo whose lines do not wrap
  kSelectable = 1u << 10, // a label whose text may be selected with the mouse
  // Keeps its distance to the form's right / bottom edge when the form is
  // sized otherwise than its table says (it grows with the form).
  kAnchorRight = 1u << 11,
  kAnchorBottom = 1u << 12,
};

struct LayoutRect {
  int x = 0, y = 0, w = 0, h = 0;
  constexpr bool operator==(const LayoutRect&) const = default;
};

struct LayoutFont {
  int pixels = 0;  // 0: the form's
  bool bold = false;
};

struct ControlRow {
  ControlKind kind;
  const char* name;     // component name; "" for a control nothing refers to
  const char* parent;   // "" for the form itself
  const char* caption;  // "" none
  LayoutRect rect;
  LayoutFont font{};
  uint32_t colour = kNoColour;      // background
  uint32_t textColour = kNoColour;  // caption
  uint32_t flags = 0;
  int tabOrder = -1;  // -1: the order of the rows
  // The rows of a combo or a list; a memo's lines.
  std::span<const char* const> items{};
  const char* hint = "";  // shown when the mouse rests on the control
};

struct FormLayout {
  const char* name;     // the form's component name
  const char* caption;  // the window's title ("" for a page inside another form)
  int width, height;    // client area in pixels
  LayoutFont font;
  uint32_t colour;      // background
  std::span<const ControlRow> controls;

  // The row of a name; nullptr when there is none.
  constexpr const ControlRow* Find(std::string_view controlName) const {
    for (const ControlRow& row : controls)
      if (controlName == row.name) return &row;
    return nullptr;
  }
};

}  // namespace kestrel
