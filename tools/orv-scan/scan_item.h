#pragma once

#include <QByteArray>

#include "short_text.h"

namespace orvscan {

// One thing the scan met and what became of it.
struct ScanItem {
  enum class Kind : unsigned char {
    File,            // a file to examine: named by a path, or a folder's .EXE entry
    UnlistedFolder,  // a folder below a path that could not be listed
    BadPath,         // a path that could not be scanned at all
  };
  enum class Outcome : unsigned char {
    Pending,
    Examined,    // both checks answered
    Unreadable,  // could not be opened: `error`
    NotAFile,    // a fifo, device or socket: never opened
  };

  Kind kind = Kind::File;
  Outcome outcome = Outcome::Pending;
  int error = 0;  // errno; for a BadPath 0 means neither a file nor a folder
  // A File that was just seen to be a regular file (in its folder's listing, or as a path
  // given), so that it can be opened without another look at it.
  bool listedRegular = false;
  QByteArray path;
  bool heuristicChecked = false;
  ShortText signature{};  // when examined
  ShortText heuristic{};  // when examined with the heuristic on
};

// "OK" exactly means nothing was found; any other answer is a finding.
inline bool isFinding(const ShortText& answer) {
  return !(answer.length == 2 && answer.chars[0] == 'O' && answer.chars[1] == 'K');
}

}  // namespace orvscan
