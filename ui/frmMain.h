#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "app/startup.h"
#include "sync/session.h"
#include "workspace/mainview.h"

class QAbstractButton;
class QAction;
class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QToolButton;

namespace kairon {

class IBusyIndicator;
class ILoginPrompt;
class IPrompter;
class TDataModuleMain;
class TMemo;
class TRibbonPager;
class TServerSync;
class TimeWorkspace;

// The main window: ribbon, entry panel, entry list and status bar. The logic
// lives in TimeWorkspace; this class shows it and hands every user action to it.
class TformTMSTB : public QMainWindow, public IMainView, public IAppControl {
  Q_OBJECT
 public:
  // Without a prompter the window shows real message boxes, without a login
  // prompt the login dialog; tests pass their own.
  explicit TformTMSTB(TDataModuleMain& dm, IPrompter* prompter = nullptr, ILoginPrompt* loginPrompt = nullptr,
                      QWidget* parent = nullptr);
  ~TformTMSTB() override;

  // Opens the database and sets up the window's state; starts Timer1. Answers
  // false (after the message) when the database cannot be opened.
  bool FormCreate(const QString& databasePath);

  TimeWorkspace& workspace() { return *ws_; }
  Startup& startup() { return *startup_; }
  TServerSync& serverSync() { return *sync_; }
  IPrompter& prompter() { return *prompter_; }
  IBusyIndicator& busyIndicator() { return *busy_; }
  AuthSession& authSession() { return auth_; }
  QTimer& timer1() { return Timer1; }

  // IMainView
  QString fieldText(FormField field) const override;
  void setFieldText(FormField field, const QString& text) override;
  int chooserIndex(FormField chooser) const override;
  void setChooserIndex(FormField chooser, int index) override;
  void focusField(FormField field) override;
  void setCommandEnabled(ModeCommand command, bool enabled) override;
  void setModeLabel(const QString& text) override;
  void showRibbonPage(int index) override;
  void setDateLabel(const QString& text) override;
  void setDayButton(int tag, const QString& caption, bool selected) override;
  void showCalendar(const QDate& date) override;
  void hideCalendar() override;
  QDate calendarDate() const override;
  bool showAllChecked() const override;
  void setShowAllChecked(bool checked) override;
  int selectedEntryRow() const override;
  void setStatusCount(const QString& text) override;
  void setStartPanelVisible(bool visible) override;

  // IAppControl
  void terminate() override;
  void closeMainWindow() override;

  // The handlers of ActionList1.
  void actExitExecute();
  void actNewExecute();
  void actSaveExecute();
  void actCancelExecute();
  void actEditExecute();
  void actSetEditExecute();
  void actTransmitExecute();
  void actAuthenticateExecute();
  void actGetAllDatesExecute();
  void actGetProjectExecute();
  void actGetFilesExecute();
  void actGetPracticeGroupExecute();
  void actGetActivityExecute();
  void actInfoExecute();

  // Controls, named as the program's form names them.
  // ActionList1, in the order of the images and handlers.
  QAction* actExit = nullptr;
  QAction* actNew = nullptr;
  QAction* actSave = nullptr;
  QAction* actCancel = nullptr;
  QAction* actEdit = nullptr;
  QAction* actSetEdit = nullptr;
  QAction* actTransmit = nullptr;
  QAction* actAuthenticate = nullptr;
  QAction* actGetAllDates = nullptr;
  QAction* actGetProject = nullptr;
  QAction* actGetFiles = nullptr;
  QAction* actGetPracticeGroup = nullptr;
  QAction* actGetActivity = nullptr;
  QAction* actInfo = nullptr;

  // Ribbon and quick-access bar.
  TRibbonPager* AdvToolBarPager1 = nullptr;
  QToolButton* mBtnAuthenticate = nullptr;
  QToolButton* MbtnNew = nullptr;
  QToolButton* mBtnEdit = nullptr;
  QToolButton* mBtnCancel = nullptr;
  QToolButton* mBtnSave = nullptr;
  QToolButton* mBtnSend = nullptr;
  QToolButton* AdvGlowButton1 = nullptr;
  QToolButton* AdvGlowButton2 = nullptr;
  QToolButton* mBtnGetAllDates = nullptr;
  QToolButton* mBtnGetProject = nullptr;
  QToolButton* mBtnGetFiles = nullptr;
  QToolButton* mBtnGetPraticeGroup = nullptr;
  QToolButton* mBtnGetActivity = nullptr;
  QToolButton* sBtnNew = nullptr;
  QToolButton* sBtnEdit = nullptr;
  QToolButton* sBtnCancel = nullptr;
  QToolButton* SBtnSave = nullptr;
  QToolButton* sBtnExit = nullptr;
  QToolButton* AdvToolBarButton1 = nullptr;

  // Entry panel.
  QWidget* pnlTop = nullptr;
  QLabel* lblDatum = nullptr;
  QToolButton* btnBack = nullptr;
  std::array<QFrame*, 7> pnlDays{};       // pnl2 ... pnl8
  std::array<QPushButton*, 7> btnDays{};  // btn2 ... btn8
  QToolButton* btnForward = nullptr;
  QToolButton* btnDatepicker = nullptr;
  QCheckBox* checkShowAll = nullptr;
  QCalendarWidget* calSelect = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* edtReal = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* edtInvoiced = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* cboxProject = nullptr;
  QLabel* Label4 = nullptr;
  QComboBox* cboxFile = nullptr;
  QLabel* Label5 = nullptr;
  QComboBox* cboxPracticeGroup = nullptr;
  QLabel* Label6 = nullptr;
  QComboBox* cboxActivity = nullptr;
  QLabel* Label7 = nullptr;
  TMemo* memoActivity = nullptr;
  QLabel* Label8 = nullptr;
  TMemo* memoNote = nullptr;
  QLabel* lblModus = nullptr;
  QPushButton* btnNew = nullptr;
  QPushButton* btnEdit = nullptr;
  QPushButton* btnCancel = nullptr;
  QPushButton* btnSave = nullptr;
  QGroupBox* pnlStart = nullptr;

  // Entry list, its context menu and the status bar.
  QTableView* lvTimeEntries = nullptr;
  QMenu* menuEntryAdditional = nullptr;
  QAction* EntryDelete = nullptr;
  QAction* EntryLock = nullptr;
  std::array<QLabel*, 4> stBarStandard{};

  // The three buttons of a mode command: entry panel, quick-access bar, ribbon.
  std::array<QAbstractButton*, 3> buttonsOf(ModeCommand command) const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createActions();
  void createRibbon();
  void createEntryPanel();
  void createEntryList();
  void createStatusBar();
  void connectHandlers();
  void setTabOrderOfPanel();

  // Runs one handler of the logic; no exception leaves it.
  bool run(const std::function<void()>& command);
  // Runs a button's or shortcut's command unless a refused time field is about
  // to take the focus back (the click that left the field is void then).
  void runButton(const std::function<void()>& command);

  void Timer1Timer();
  void btn2Click();
  void btnBackClick();
  void btnForwardClick();
  void btnDatepickerClick();
  void calSelectDblClick();
  void checkShowAllClick();
  void cboxProjectChange();
  void lvTimeEntriesClick();
  void EntryDeleteClick();
  void EntryLockClick();
  void showEntryMenu(const QPoint& pos);

  // Time fields.
  bool timeFieldEvent(QLineEdit* edit, QEvent* event);
  // Leaves a time field: runs edtRealExit or edtInvoicedExit.
  bool runTimeFieldExit(QLineEdit* edit);
  // Before saving: the time field that holds the focus is checked as if left.
  bool checkFocusedTimeField();
  void applyRefocus();
  QWidget* widgetOf(FormField field) const;
  QComboBox* chooserOf(FormField chooser) const;

  TDataModuleMain& dm_;
  std::unique_ptr<IPrompter> ownPrompter_;
  IPrompter* prompter_ = nullptr;
  std::unique_ptr<IBusyIndicator> busy_;
  std::unique_ptr<ILoginPrompt> ownLoginPrompt_;
  ILoginPrompt* loginPrompt_ = nullptr;
  AuthSession auth_;
  std::unique_ptr<TimeWorkspace> ws_;
  std::unique_ptr<TServerSync> sync_;
  std::unique_ptr<Startup> startup_;
  QTimer Timer1;

  bool terminating_ = false;
  bool inTimeFieldExit_ = false;
  bool refocusing_ = false;
  bool deferRefocus_ = false;
  QPointer<QWidget> pendingRefocus_;
};

}  // namespace kairon
