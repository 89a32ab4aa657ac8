// The layout tables of the program's forms (forms/form_layout.h): every
// window a toolkit builds, and every page of the system menu's tabs. Each
// form's model binds to these rows by component name.
#pragma once

#include <span>

#include "forms/form_layout.h"

namespace kestrel {

// The device selection dialog (TSelPrn1, platform/device_selection.h).
extern const FormLayout kDeviceDialogForm;
// The progress form of a folder run.
extern const FormLayout kProgressForm;
// The system menu (TSysMenu1): the button column, the controls right of it
// and the tab panel with the print settings and spooler tabs.
extern const FormLayout kSystemMenuForm;
// The bookmark dialog (TAddBookMark1) and the system menu's outliner and
// filing test tabs.
extern const FormLayout kBookmarkForm;
extern const FormLayout kOutlinerPage;
extern const FormLayout kFilingPage;
// The system menu's analysis tabs (forms/analysis_tabs.h): PDAT解析, the
// log viewer and the image viewer.
extern const FormLayout kAnalysisPage;
extern const FormLayout kAnalysisLogPage;
extern const FormLayout kAnalysisImagePage;
// The font settings form (TFontSet, fonts/font_set.h).
extern const FormLayout kFontSetForm;

// Every table above (tests check each against its built window).
std::span<const FormLayout* const> AllForms();

}  // namespace kestrel
