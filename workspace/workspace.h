#pragma once

#include <QDate>
#include <QString>
#include <optional>

#include "workspace/entrylist.h"
#include "workspace/mainview.h"
#include "workspace/picklist.h"

namespace kairon {

class IPrompter;
class TDataModuleMain;
class TQuery;

// Work modes (intModus).
enum WorkMode : int { wmNew = 1, wmEdit = 2, wmShow = 3 };

// The logic of the main window: its state, the pick lists, the entry form and
// its work modes, the time fields, the day strip, the entry list, deletion and
// locking. Command errors are thrown as CommandError; callers run handlers
// through RunCommand.
class TimeWorkspace {
 public:
  TimeWorkspace(TDataModuleMain& dm, IPrompter& prompter, IMainView& view);

  // State of the main window.
  QDate dtDatum;
  QString strURL;
  QString strToken;
  int intModus = wmShow;
  int intRealTime = 0;
  int intInvoicedTime = 0;
  qint64 intEntryID = -1;

  // Pick lists (choosers and hidden lists): lbProjectID, clboxFiles,
  // clboxPracticeGroup, clboxActivity.
  PickList lbProjectID;
  PickList clboxFiles;
  PickList clboxPracticeGroup;
  PickList clboxActivity;
  // lvTimeEntries with lbTimeEntries.
  TimeEntryModel lvTimeEntries;

  // Pick lists. Each load answers whether it listed at least one row.
  bool LoadProjects();
  bool LoadFiles(qint64 projectId);
  bool LoadPracticeGroups();
  bool LoadActivities();
  int IndexOfProjectID(const QString& idText) const;
  static int IndexOfListValue(const PickList& list, const QString& idText);
  // The id behind a chooser's position; -1 for no choice.
  qint64 ChosenId(FormField chooser) const;
  void cboxProjectChange();

  // Work modes and the entry form.
  void SetWorkMode(int mode);
  void ClearEntryForm();
  void actNewExecute();
  void actSetEditExecute();
  void actEditExecute();
  void actCancelExecute();
  void actSaveExecute();
  // The statement actSaveExecute would run now (mode 1 insert, mode 2 update).
  QString BuildSaveStatement() const;

  // Time fields. Each answers whether the text was accepted.
  bool edtRealExit();
  bool edtInvoicedExit();

  // Day strip.
  void ShowDay(const QDate& day);
  void btn2Click(int tag);
  void btnBackClick();
  void btnForwardClick();
  void btnDatepickerClick();
  void calSelectDblClick();

  // Entry list.
  QString BuildListStatement(bool showAll) const;
  int LoadTimeEntries(bool showAll);
  void RefreshEntryList();
  void checkShowAllClick();
  void lvTimeEntriesClick();
  // The selected row of the list, -1 when none (or when the view's selection
  // lies outside the rows).
  int SelectedEntryRow() const;

  // Deletion and locking.
  void EntryDeleteClick();
  void EntryLockClick();

  TDataModuleMain& dataModule() { return dm_; }
  IPrompter& prompter() { return prompter_; }
  IMainView& view() { return view_; }

 private:
  bool LoadPickList(FormField chooser, TQuery& query, const QString& nameColumn);
  // Loads intEntryID into the form; false (after the message) when it is gone.
  bool LoadEntry();
  // The minutes of a time field's text, or nullopt after the refusal message.
  std::optional<int> TimeFieldMinutes(FormField field);
  PickList* listOf(FormField chooser);
  const PickList* listOf(FormField chooser) const;
  TDataModuleMain& dm_;
  IPrompter& prompter_;
  IMainView& view_;
};

// German day names whatever the system locale: "Mo" ... "So", "Montag" ... "Sonntag".
QString ShortDayName(const QDate& day);
QString LongDayName(const QDate& day);
// Weekday index 2 (Monday) ... 8 (Sunday).
int WeekdayIndex(const QDate& day);

// Minutes as decimal hours "#0.00": two decimals, rounded, no group separator,
// with the decimal point (and minus sign) of the default QLocale.
QString IndustrialHoursText(qint64 minutes);
QString IndustrialHoursText(qint64 minutes, const QString& decimalPoint, const QString& negativeSign);

}  // namespace kairon
