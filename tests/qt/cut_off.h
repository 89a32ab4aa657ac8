// A check for the desktop Ui's windows: every control shows whole.
#pragma once

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <functional>

// The controls under root that an operator cannot see whole: a widget
// reaching out of its parent (cut off there), or a caption wider than its
// control. Scroll areas are taken as a whole (their content scrolls).
inline QStringList CutOff(QWidget* root) {
  QStringList cut;
  const std::function<void(QWidget*)> walk = [&](QWidget* parent) {
    for (QWidget* w : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!w->isVisibleTo(root) || w->isWindow()) continue;
      const QString name = w->objectName().isEmpty() ? QString(w->metaObject()->className()) : w->objectName();
      if (!parent->rect().contains(w->geometry())) cut << name + " outside its parent";
      QString caption;
      if (auto* label = qobject_cast<QLabel*>(w); label != nullptr && !label->wordWrap()) caption = label->text();
      if (auto* button = qobject_cast<QAbstractButton*>(w)) caption = button->text();
      if (!caption.isEmpty() && w->sizeHint().width() > w->width()) cut << caption + " cut off";
      if (qobject_cast<QAbstractScrollArea*>(w) == nullptr) walk(w);
    }
  };
  walk(root);
  return cut;
}

