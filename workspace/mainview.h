#pragma once

#include <QDate>
#include <QString>

namespace kairon {

// Fields of the entry form, by their controls.
enum class FormField {
  edtReal,
  edtInvoiced,
  cboxProject,
  cboxFile,
  cboxPracticeGroup,
  cboxActivity,
  memoActivity,
  memoNote,
};

// The four commands whose three buttons (entry panel, quick-access bar,
// ribbon) the work mode enables and disables together.
enum class ModeCommand { New, Edit, Cancel, Save };

// What the logic needs of the main window's screen. ui/ implements it with
// widgets; tests implement it with a plain struct. Setting a value from the
// logic never runs an exit or change handler.
class IMainView {
 public:
  virtual ~IMainView() = default;

  // Entry form. Texts: edtReal, edtInvoiced, memoActivity, memoNote.
  virtual QString fieldText(FormField field) const = 0;
  virtual void setFieldText(FormField field, const QString& text) = 0;
  // Positions of the four choosers; -1 for no choice.
  virtual int chooserIndex(FormField chooser) const = 0;
  virtual void setChooserIndex(FormField chooser, int index) = 0;
  virtual void focusField(FormField field) = 0;

  // Work mode.
  virtual void setCommandEnabled(ModeCommand command, bool enabled) = 0;
  virtual void setModeLabel(const QString& text) = 0;
  virtual void showRibbonPage(int index) = 0;

  // Day strip: tag 2 (Monday) ... 8 (Sunday).
  virtual void setDateLabel(const QString& text) = 0;
  virtual void setDayButton(int tag, const QString& caption, bool selected) = 0;
  virtual void showCalendar(const QDate& date) = 0;
  virtual void hideCalendar() = 0;
  virtual QDate calendarDate() const = 0;

  // Entry list.
  virtual bool showAllChecked() const = 0;
  virtual void setShowAllChecked(bool checked) = 0;
  // Row of the list's selection, -1 when no row is selected.
  virtual int selectedEntryRow() const = 0;
  virtual void setStatusCount(const QString& text) = 0;

  // Start-up panel "Daten werden geladen"; shown at once (repainted).
  virtual void setStartPanelVisible(bool visible) = 0;
};

}  // namespace kairon
