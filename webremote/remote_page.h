#pragma once

// The remote's page, one per browser session: the texts of its controls, which of Send, Next and
// Back are enabled, its reply-polling timer and its status memo, with every handler of the page.
// The browser only shows this state and reports clicks; all behaviour is here, without widgets.
//
// Commands reach the console through the session's pipe client. The console answers a GO ("done")
// and a read ("read" + level) through the reply file "read.txt" in the remote's folder, which the
// page polls while its timer runs.

#include <QString>
#include <QStringList>
#include <QtGlobal>

class RemotePipeClient;

// What every session of the program shares: the remote is meant for one operator, so a level set
// from one session counts as unsaved for all of them, and all polls share one miss counter.
struct RemoteShared {
  bool unsaved = false;   // a level was set since the last record or answer to the save question
  bool updating = false;  // the level box is being filled from a reply: Adjust sends nothing
  qint16 missCount = 0;   // poll ticks in a row without a reply file
};

struct RemotePageState {
  QString IWEdit1;    // the command line
  QString chnl;       // the channel box
  QString level;      // the level box
  QStringList Memo1;  // status lines, newest first
  bool btnSend = true;
  bool btnnext = true;
  bool btnback = true;
  bool timerEnabled = false;  // IWTimer1
  int timerInterval = 1000;
  bool confirmPending = false;  // the "Unsaved Changes" question is on the page
  QString focus;                // a control to be given the focus once, by the next answer to the browser
};

class RemotePage {
 public:
  inline static const QString kConfirmTitle = QStringLiteral("Unsaved Changes");
  inline static const QString kConfirmText =
      QStringLiteral("Vq Lighting will need to know if you want to save changes or not. Do you?");
  inline static const QString kConfirmCallback = QStringLiteral("MyConfirmCallback");
  inline static const QString kReplyFileName = QStringLiteral("read.txt");
  // The most lines the memo keeps; older lines drop off the bottom.
  static constexpr int kMemoLines = 200;
  // Longest command line a browser can post; the boxes hold three characters.
  static constexpr int kCommandLineMax = 256;
  static constexpr int kBoxMax = 3;

  // `replyFolder`: where the console's reply file appears (empty: the current directory).
  RemotePage(RemoteShared& shared, RemotePipeClient& pipe, QString replyFolder = {});

  const RemotePageState& state() const { return state_; }
  RemotePageState& state() { return state_; }
  RemoteShared& shared() { return shared_; }

  // Texts typed in the browser, taken before the event they came with. Line breaks and other
  // control characters are dropped (one event sends at most one command) and the lengths bounded.
  void setPostedTexts(const QString* commandLine, const QString* channel, const QString* level);
  static QString cleanPosted(const QString& text, int maxLength);

  // The browser's events by control name ("btn7", "btnSend", "IWEdit1", "IWTimer1",
  // "MyConfirmCallback" with its RetValue, ...). Clicks on a disabled button are ignored. False for
  // a name the page does not know.
  bool dispatch(const QString& control, const QString& retValue = {});

  // Life of the page.
  void IWAppFormCreate();
  void IWAppFormDestroy();

  // Handlers.
  void btnDigitClick(int digit);
  void btndotClick();
  void btnatClick();
  void btnPlayClick();
  void btnSetClick();
  void btnFullClick();
  void btnOutClick();
  void btnplus10Click() { stepLevel(10); }
  void btnminus10Click() { stepLevel(-10); }
  void btnplus1Click() { stepLevel(1); }
  void btnminus1Click() { stepLevel(-1); }
  void btnReadClick();
  void btnRecordClick();
  void btnnextClick();
  void btnbackClick();
  void btnSendClick();
  void IWEdit1AsyncClick();
  void chnlAsyncClick();
  void IWTimer1Timer();
  void MyConfirmCallback(const QString& retValue);
  void PipeClient1PipeDisconnect();

  // Helpers of the handlers.
  void SendMsg(const QString& text);
  bool ConnectPipe();
  void checksave();
  void Adjust();
  void insertMemo(const QString& line);
  // Sets the timer's interval, enables it and starts the miss count afresh.
  void poll(int intervalMs);

 private:
  void stepLevel(int delta);
  void goCommand(const QString& command);
  void setGoButtons(bool enabled);
  bool goPending() const { return !state_.btnSend || !state_.btnnext || !state_.btnback; }
  void fillLevelFromReply(const QString& line);

  RemoteShared& shared_;
  RemotePipeClient& pipe_;
  QString replyFolder_;
  RemotePageState state_;
};
