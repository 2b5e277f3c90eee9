#pragma once

#include <QHash>
#include <QMap>

#include "workspace/mainview.h"

namespace kairon::test {

// The main window's screen as plain fields.
struct FakeMainView : IMainView {
  QMap<FormField, QString> texts{{FormField::edtReal, QStringLiteral("0")},
                                 {FormField::edtInvoiced, QStringLiteral("0")}};
  QMap<FormField, int> indexes{{FormField::cboxProject, -1},
                               {FormField::cboxFile, -1},
                               {FormField::cboxPracticeGroup, -1},
                               {FormField::cboxActivity, -1}};
  FormField focused = FormField::edtReal;
  int focusCalls = 0;
  QMap<ModeCommand, bool> enabled{
      {ModeCommand::New, false}, {ModeCommand::Edit, true}, {ModeCommand::Cancel, true}, {ModeCommand::Save, true}};
  QString modeLabel;
  int ribbonPage = 0;
  QString dateLabel;
  QMap<int, QString> dayCaptions;
  QMap<int, bool> daySelected;
  bool calendarVisible = false;
  QDate calendar;
  bool showAll = false;
  int selectedRow = -1;
  QString statusCount = QStringLiteral("0 Einträge");
  bool startPanelVisible = false;
  int startPanelShownCount = 0;

  QString fieldText(FormField f) const override { return texts.value(f); }
  void setFieldText(FormField f, const QString& t) override { texts[f] = t; }
  int chooserIndex(FormField f) const override { return indexes.value(f, -1); }
  void setChooserIndex(FormField f, int i) override { indexes[f] = i; }
  void focusField(FormField f) override {
    focused = f;
    ++focusCalls;
  }
  void setCommandEnabled(ModeCommand c, bool e) override { enabled[c] = e; }
  void setModeLabel(const QString& t) override { modeLabel = t; }
  void showRibbonPage(int i) override { ribbonPage = i; }
  void setDateLabel(const QString& t) override { dateLabel = t; }
  void setDayButton(int tag, const QString& caption, bool selected) override {
    dayCaptions[tag] = caption;
    daySelected[tag] = selected;
  }
  void showCalendar(const QDate& d) override {
    calendar = d;
    calendarVisible = true;
  }
  void hideCalendar() override { calendarVisible = false; }
  QDate calendarDate() const override { return calendar; }
  bool showAllChecked() const override { return showAll; }
  void setShowAllChecked(bool c) override { showAll = c; }
  int selectedEntryRow() const override { return selectedRow; }
  void setStatusCount(const QString& t) override { statusCount = t; }
  void setStartPanelVisible(bool v) override {
    startPanelVisible = v;
    if (v) ++startPanelShownCount;
  }
};

}  // namespace kairon::test
