#pragma once

// The remote text command set: one interpreter for every channel commands arrive on (the remote
// command server, the follow-spot link, the companion program and the web remote's pipe).
//
//   goto CUE          select a cue without running it
//   play | play next | play CUE
//   stop | end | back | record | reset
//   set CH@LEVEL      one channel's level (percent, or DMX for a raw channel)
//   read CH           report one channel's level
//
// Words are matched as prefixes of the lower-cased message in that order, so anything may follow
// a word ("settings" is a "set" with a syntax error).

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class Clock;
class ClockTimer;
using RemoteClock = Clock;
class RemoteHost;

// Where the interpreter's answers go.
class RemoteReplies {
 public:
  virtual ~RemoteReplies() = default;
  // One reply line (the sender adds CR LF) for the first remote client and the companion program.
  virtual void senderror(const QString& reply) = 0;
  // The remote command server has at least one client.
  virtual bool remoteClientConnected() const = 0;
  // A reply for the web remote ("done", "read" + level): kept as ReplyText and written to the reply
  // file shortly after while the web remote is started.
  virtual void postWebReply(const QString& text) = 0;
};

inline constexpr char16_t kRecordSeparator = 0x1E;
inline const QString kSyntaxErrorReply = QStringLiteral("errorProblem with Cue syntax.");
inline const QString kUnknownCommandReply = QStringLiteral("errorUnknown Lighting command: ");
inline const QString kLineTooLongReply = QStringLiteral("errorLine too long: ");
// What a reply or a log line quotes of received text: its beginning only.
inline QString quoted(const QString& received) { return received.left(80); }

// Lower-cases the letters A to Z only.
QString foldCommandCase(const QString& text);
// Removes blanks and control characters (everything up to the space) from both ends.
QString trimControls(const QString& text);
// A cue number as typed ("12.5", "3") to the cue-table key: the number x 100 rounded to the nearest
// integer, ties to even. Empty, malformed, non-finite or out-of-range text gives nothing.
std::optional<int> cueNumberKey(const QString& text);
// A decimal integer: leading blanks and a sign allowed, nothing after the digits.
std::optional<int> parseCommandInteger(const QString& text);

class RemoteCommands {
 public:
  // Runs a step of follow-spot input as a command of its own, behind the commands already waiting.
  using Queue = std::function<void(std::function<void()> step)>;

  RemoteCommands(RemoteHost& host, RemoteClock& clock, RemoteReplies& replies);
  ~RemoteCommands();

  // Interprets one command; answers go through the replies.
  void ProcessMsg(const QString& message);
  // Follow-spot input: commands separated by the record separator, run one by one with a 50 ms
  // pause after each separator. Empty pieces between separators are skipped; the remainder after the
  // last separator is always interpreted (an empty one gets the unknown-command reply). The first
  // piece runs at once; each later one is queued when its pause has passed on the clock, so commands
  // from other connections run in between and no wait holds the console. A message gives at most
  // kMaxPiecesPerMessage pieces: the rest of it is dropped with one tool-log line. Messages that
  // arrive while pieces are still due run after them, in order.
  void ParseMsg(const QString& message);
  static constexpr int kMaxPiecesPerMessage = 64;
  static constexpr int kPieceSpacingMs = 50;

  // Where the later pieces are queued; without one they run straight from the pause's timer.
  void setQueue(Queue queue) { queue_ = std::move(queue); }
  // Follow-spot pieces are still due (their connection is held back meanwhile).
  bool piecesDue() const { return stepping_; }
  // Called when the last piece due has run.
  void setPiecesDone(std::function<void()> done) { piecesDone_ = std::move(done); }

 private:
  void trace(const QString& line);
  void doGoto(const QString& message);
  void doPlay(const QString& message);
  void doSet(const QString& message);
  void doRead(const QString& message);
  int findCueRow(int key) const;
  int checkedChannel(const QString& text) const;
  void runPieces();
  void queueStep();

  struct Piece {
    QString text;
    bool pauseAfter;  // a record separator followed it
  };

  RemoteHost& host_;
  RemoteClock& clock_;
  RemoteReplies& replies_;
  Queue queue_;
  std::function<void()> piecesDone_;
  std::deque<Piece> pieces_;
  bool stepping_ = false;  // a piece is running, paused after or queued
  std::unique_ptr<ClockTimer> pause_;
};
