#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include "platform/file_limits.h"
#include "platform/ini_file.h"

// Reading INI-shaped files at their size limit: a settings file of 4 MiB - 1 (the console's keys
// among many others) read and looked up key by key as start-up does, and a groups file of 4 MiB
// whose 32 group keys are read. Both must cost time in proportion to the file's size.

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// `lines` of "Other<n>=<n>" in [Settings], then the keys looked up, padded to `size` bytes.
QByteArray settingsText(qint64 size, int wanted) {
  QByteArray text = "[Settings]\r\n";
  for (int n = 0; text.size() < size - 64 * wanted - 64; ++n)
    text += "Other" + QByteArray::number(n) + "=" + QByteArray::number(n) + "\r\n";
  for (int k = 0; k < wanted; ++k)
    text += "Wanted" + QByteArray::number(k) + "=" + QByteArray::number(k) + "\r\n";
  while (text.size() < size - 2) text += ";";
  return text + "\r\n";
}

QByteArray groupsText(qint64 size) {
  QByteArray text = "[Groups]\r\n";
  for (int n = 0; text.size() < size - 4096; ++n) text += "x" + QByteArray::number(n) + "=1,2,3\r\n";
  for (int g = 0; g < 32; ++g) text += "g" + QByteArray::number(g, 32) + "=1,2,3,4\r\n";
  while (text.size() < size - 2) text += ";";
  return text + "\r\n";
}

void BM_SettingsFileAtItsLimit(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath("vqlighting.ini");
  const int wanted = 150;  // about as many keys as start-up reads
  if (!writeFile(path, settingsText(file_limit::kIniFile - 1, wanted))) {
    state.SkipWithError("cannot write the file");
    return;
  }
  for (auto _ : state) {
    IniFile ini(path);
    int sum = 0;
    for (int k = 0; k < wanted; ++k) sum += ini.readInteger("settings", "wanted" + QString::number(k), 0);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_SettingsFileAtItsLimit)->Unit(benchmark::kMillisecond);

void BM_GroupsFileAtItsLimit(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.lgrp");
  if (!writeFile(path, groupsText(file_limit::kIniFile))) {
    state.SkipWithError("cannot write the file");
    return;
  }
  for (auto _ : state) {
    IniFile ini(path);
    qsizetype total = 0;
    for (int g = 0; g < 32; ++g)
      total += ini.readString("Groups", "g" + QString::number(g, 32), QString()).size();
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_GroupsFileAtItsLimit)->Unit(benchmark::kMillisecond);

}  // namespace
