#pragma once

namespace orv {

// The answers of the warning dialog: the Tags of its four buttons. A warning that ends
// without an answer (closed by the window manager, the program ending) yields NoAnswer,
// on which every caller does nothing.
enum WarningAnswer : int {
  NoAnswer = 0,
  AnswerIgnore = 1,     // Ignorieren
  AnswerAllow = 2,      // Erlauben
  AnswerDelete = 3,     // Loeschen
  AnswerTerminate = 4,  // Beenden
};

// The severity of a warning: the Tag of the traffic-light picture it shows. Any other
// value shows no picture.
enum WarningLevel : int {
  LevelRed = 1,
  LevelYellow = 2,
  LevelGreen = 3,
};

}  // namespace orv
