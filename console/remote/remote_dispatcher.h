#pragma once

// The one way a command from outside reaches the console. Every transport (the remote command
// server, the follow-spot server, the companion link, the web remote's pipe, OSC, MIDI) takes each
// complete command off its socket or device and posts it here; the dispatcher runs the commands
// from the event loop, never inside a socket's read handler, one at a time and in the order they
// arrived. While a question is on screen, nothing runs: the commands wait until it is answered, so
// a command can never ask a question on top of another, and a connection whose handler is running
// can never be re-entered or deleted under it.
//
// A command names the connection it came from; that connection may close (and be deleted) before
// the command runs, so it is held by a guarded handle: the command then sees null and still runs.

#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>

class Operator;

class RemoteDispatcher : public QObject {
  Q_OBJECT
 public:
  // A command; `origin` is its connection, or null once that has gone (or when there was none).
  using Command = std::function<void(QObject* origin)>;

  explicit RemoteDispatcher(Operator& op, QObject* parent = nullptr);
  ~RemoteDispatcher() override;

  // Queues a command behind those already waiting; it runs soon from the event loop.
  void post(QObject* origin, Command command);
  void post(Command command) { post(nullptr, std::move(command)); }

  // Commands waiting from one connection are limited: its transport stops reading from it until
  // some have run (the peer is held back, nothing is dropped). Signalled when room is made again.
  static constexpr int kMaxWaitingPerOrigin = 256;
  bool hasRoomFor(const QObject* origin) const;
  int waiting() const { return int(queue_.size()); }
  bool running() const { return running_; }

  // The console is closing: commands still waiting are dropped, and later ones are not taken.
  void close();

  // While the operator works in a window that a command could change things under (a modal dialog,
  // a file chooser, an editor), the window holds the dispatcher: nothing runs, and the commands that
  // arrive wait, in order, until the last hold is released. Holds nest.
  void hold();
  void release();
  bool held() const { return holds_ > 0; }

 signals:
  void roomAgain();

 private:
  struct Waiting {
    QPointer<QObject> origin;
    const QObject* originKey;  // for counting only, never dereferenced
    Command command;
  };
  void schedule();
  void runWaiting();
  int waitingFrom(const QObject* origin) const;

  Operator& operator_;
  std::deque<Waiting> queue_;
  bool running_ = false;
  bool scheduled_ = false;
  bool waitingForAnswer_ = false;
  bool closed_ = false;
  int holds_ = 0;
};
