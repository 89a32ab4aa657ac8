// The Qt builder of form layouts (forms/form_layout.h): one widget per row
// of a table, named by the row's component name, placed, captioned,
// coloured and set up as the row says. A view builds its form here and then
// binds the controls to the form's model by name; it places nothing itself.
#pragma once

#include <QString>
#include <QWidget>
#include <string_view>
#include <vector>

#include "forms/form_layout.h"

class QColor;

namespace kestrel {

// The widgets of one built form.
class BuiltForm {
 public:
  // The control of a name; nullptr when the form has none or it is not a T.
  template <class T = QWidget>
  T* get(std::string_view name) const {
    for (size_t i = 0; i < rows_.size(); ++i)
      if (name == rows_[i]->name) return qobject_cast<T*>(widgets_[i]);
    return nullptr;
  }
  // One widget per row, in the rows' order.
  const std::vector<QWidget*>& widgets() const { return widgets_; }

 private:
  friend BuiltForm BuildForm(const FormLayout&, QWidget*);
  std::vector<const ControlRow*> rows_;
  std::vector<QWidget*> widgets_;
};

// Builds layout's controls into root, which takes the form's font and
// colour (and its caption, when it has one); the size is the view's (a
// window's may change, a page's is its tab's).
BuiltForm BuildForm(const FormLayout& layout, QWidget* root);

// The client size of a form.
inline QSize FormSize(const FormLayout& layout) { return QSize(layout.width, layout.height); }

// A row's colour as Qt takes it.
QColor LayoutColour(uint32_t rgb);

}  // namespace kestrel
