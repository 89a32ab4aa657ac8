// FormModel: what a Ui knows of a form's model. A form's behaviour lives in
// the core without a toolkit (its state, texts, buttons' actions); a Ui shows
// it through Ui::ShowForm, finding the view it has for the form by the
// form's name (the component name of its layout table), and the view draws
// the model's state again whenever the model says it changed.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel {

class FormModel {
 public:
  // Told what changed: a control's component name, or "" for more than one.
  using Observer = std::function<void(std::string_view what)>;

  // Keeps an observer subscribed while it lives.
  class Subscription {
   public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept { *this = std::move(other); }
    Subscription& operator=(Subscription&& other) noexcept {
      Release();
      slot_ = std::exchange(other.slot_, nullptr);
      return *this;
    }
    ~Subscription() { Release(); }

   private:
    friend class FormModel;
    explicit Subscription(std::shared_ptr<Observer> slot) : slot_(std::move(slot)) {}
    void Release() {
      if (slot_) *slot_ = nullptr;
      slot_.reset();
    }
    std::shared_ptr<Observer> slot_;
  };

  FormModel() = default;
  // A copy is a model of its own: the observers stay with the original.
  FormModel(const FormModel&) {}
  FormModel& operator=(const FormModel&) { return *this; }
  virtual ~FormModel() = default;

  // The form's name (its layout's), by which a Ui finds its view.
  virtual const char* FormName() const = 0;

  [[nodiscard]] Subscription Subscribe(Observer observer) {
    auto slot = std::make_shared<Observer>(std::move(observer));
    observers_.push_back(slot);
    return Subscription(std::move(slot));
  }

 protected:
  // Tells every observer; the model's state is complete when it is called.
  void Changed(std::string_view what = {}) {
    std::erase_if(observers_, [](const std::shared_ptr<Observer>& o) { return !*o; });
    const auto observers = observers_;  // an observer may subscribe another
    for (const auto& o : observers)
      if (*o) (*o)(what);
  }

 private:
  std::vector<std::shared_ptr<Observer>> observers_;
};

}  // namespace kestrel
