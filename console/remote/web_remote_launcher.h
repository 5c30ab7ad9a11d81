#pragma once

// "Start Web Remote": while the menu item is checked the console's pipe server listens (and replies
// for the web remote reach the reply file); checking it also starts the web remote program unless
// its window is already there. Unchecking stops the pipe server and closes the remote's window.
//
// The remote looks for the reply file in its own current directory, the folder it was started in;
// the console keeps writing its replies there even after a show from another folder is opened.

#include <QString>

class RemoteControl;

class WebRemoteLauncher {
 public:
  inline static const QString kCaption = QStringLiteral("Vq Lighting Remote");
  inline static const QString kProgram = QStringLiteral("vqlremote");

  explicit WebRemoteLauncher(RemoteControl& remote) : remote_(remote) {}

  // The folder the program is started from; empty (the default): the console's program folder.
  void setProgramFolder(const QString& folder) { programFolder_ = folder; }

  // The menu item's new check state.
  void apply(bool checked);
  // The folder the remote was last started in; empty when this console has not started it.
  QString remoteFolder() const { return remoteFolder_; }

 private:
  RemoteControl& remote_;
  QString programFolder_;
  QString remoteFolder_;
};
