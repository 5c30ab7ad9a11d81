#pragma once

// The loop-file list of a cue file (`LoopFileList`): the cue file's path with ".loop", an INI file
// with one section [Files] whose keys "1" to "20" name the loop cue files of the show's "Cue is a
// File" cues. A key with an empty value is free; keys are never deleted. Every write goes to disk at
// once.

#include <QString>

class LoopFileList {
 public:
  static constexpr int kMaxLoopFiles = 20;

  explicit LoopFileList(const QString& cueFileName);

  const QString& path() const { return path_; }
  bool exists() const;
  // The path stored under `key`; empty when the list or the key is missing.
  QString fileOf(int key) const;
  // Writes `file` under `key` (an empty `file` frees the key). A list that does not exist yet is
  // created with key "0" and an empty value first. False when the list cannot be written.
  bool setFile(int key, const QString& file);
  // `FindLoopindex`: the first of keys 1..20 whose value is empty; 0 when all twenty hold a path.
  // A missing list is created (key "0", empty value) and gives 1.
  int findFreeKey();

 private:
  QString path_;
};
