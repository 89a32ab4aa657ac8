// TFontSet: the font settings form ("印字フォント設定画面") without a
// toolkit. It edits the ten font keys of the settings file (font_settings.h
// holds their syntax).
//
// The controller creates one object when the maintenance mode starts; the
// creation reads the keys once and fills the controls. The system menu then
// shows the same object any number of times: a window (Qt) or a scripted
// driver draws the controls from the getters below and turns the
// operator's actions into the setters and the button handlers. Nothing is
// read back after a save, and what was changed and then cancelled stays in
// the controls for the next showing.
//
// The save writes each key as soon as its value is decided, in a fixed
// order; a panel with texts but no face stops it with a message and a focus
// request, leaving the keys written before it written.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/form_model.h"
#include "platform/print_system.h"
#include "platform/ui.h"

namespace kestrel {

// Its layout is kFontSetForm (forms/form_tables.h).
class TFontSet final : public FormModel {
 public:
  const char* FormName() const override { return "FontSet"; }

  // The six face combo boxes.
  enum FaceBox {
    ComboBox1,  // $pFontMin
    ComboBox2,  // $pFontGot
    ComboBox3,  // $pStringFontMin (half-width, Mincho)
    ComboBox4,  // $pStringFontGot (half-width, Gothic)
    ComboBox5,  // $pStringFontMin2 (full-width, Mincho)
    ComboBox6,  // $pStringFontGot2 (full-width, Gothic)
    kFaceBoxCount
  };
  // The four text lists, one text per line.
  enum MemoBox { Memo1, Memo2, Memo3, Memo4, kMemoCount };
  enum CheckId {
    CheckBox1,  // $pFontEscape bit 1
    CheckBox2,  // bit 2
    CheckBox3,  // bit 4
    CheckBox4,  // $pAutoFontWidth
    hanmin_chk1,
    hanmin_chk2,  // hidden: bits 2 and 4 of $pFontMinGrp, carried
    hanmin_chk3,
    hangot_chk1,
    hangot_chk2,  // hidden, as above for $pFontGotGrp
    hangot_chk3,
    kCheckCount
  };
  // What the save asks the window to focus when it stops.
  enum class Focus { kNone, kComboBox3, kComboBox4, kComboBox5, kComboBox6 };

  static constexpr const char* kLabel1Caption = "選択できるフォント数：";

  // Creation: reads the keys and fills the controls (FormCreate).
  TFontSet(Ui& ui, PrintSystem& printers, std::string settingsPath);

  // The buttons. BitBtn1Click (設定保存) returns true when the form
  // closes, false when the save stopped (the form stays open).
  bool BitBtn1Click();
  void BitBtn2Click() {}  // キャンセル: closes; nothing is written
  void BitBtn3Click();    // clears the half-width Mincho panel
  void BitBtn4Click();    // clears the half-width Gothic panel
  void BitBtn5Click();    // clears the full-width Mincho panel
  void BitBtn6Click();    // clears the full-width Gothic panel
  void BitBtn7Click();    // 全初期化, after the OK/Cancel question

  // Controls.
  const std::string& Label1() const { return label1_; }
  // The entries of every face combo box.
  const std::vector<std::string>& Faces() const { return faces_; }
  int Selected(FaceBox box) const { return selected_[box]; }
  // -1 (or any index outside the list) removes the selection. Text typed
  // into the box's edit field is not a selection.
  void Select(FaceBox box, int index);
  // The selected entry, empty when none.
  std::string SelectedFace(FaceBox box) const;
  bool Checked(CheckId id) const { return checked_[id]; }
  void SetChecked(CheckId id, bool on) { checked_[id] = on; }
  const std::vector<std::string>& MemoLines(MemoBox memo) const { return memos_[memo]; }
  void SetMemoLines(MemoBox memo, std::vector<std::string> lines) { memos_[memo] = std::move(lines); }
  // The memo as one text ("\n" between lines) and back: a final line feed
  // ends the last line rather than starting an empty one; CRs are dropped.
  std::string MemoText(MemoBox memo) const;
  void SetMemoText(MemoBox memo, std::string_view text);

  // The control the last stopped save asked to focus (kNone after a save
  // that did not stop).
  Focus FocusRequest() const { return focus_; }
  const std::string& SettingsPath() const { return settingsPath_; }

 private:
  void FormCreate();

  Ui& ui_;
  PrintSystem& printers_;
  std::string settingsPath_;
  std::string label1_ = kLabel1Caption;
  std::vector<std::string> faces_;
  std::array<int, kFaceBoxCount> selected_{-1, -1, -1, -1, -1, -1};
  std::array<bool, kCheckCount> checked_{};
  std::array<std::vector<std::string>, kMemoCount> memos_;
  Focus focus_ = Focus::kNone;
};

}  // namespace kestrel
