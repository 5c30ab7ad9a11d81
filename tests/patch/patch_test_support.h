#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "console/patch/patch_context.h"
#include "platform/operator.h"

// A show folder of its own and a context bound to its file names.
class PatchFolder {
 public:
  PatchFolder() {
    EXPECT_TRUE(dir.isValid());
    patchFile = path("show.spch");
    mapFile = path("show.fmap");
    ctx = std::make_unique<PatchContext>(patchFile, mapFile);
    ctx->CueFileName = path("cues/show.lcue");
    ctx->SceneFileName = path("show.scne");
    ctx->GroupFileName = path("show.lgrp");
    ctx->programFolder = dir.path();
    ctx->waitPumped = [this](int ms) { waited += ms; };
    ctx->pumpEvents = [] {};
    ctx->operatorToAsk = std::make_shared<DialogOperator>();
  }

  QString path(const QString& name) const { return dir.filePath(name); }

  static QByteArray read(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static void write(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }

  QTemporaryDir dir;
  QString patchFile;
  QString mapFile;
  std::unique_ptr<PatchContext> ctx;
  int waited = 0;
};
