#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "detect/allowed_list.h"
#include "detect/detection_host.h"

// The window's part for the detection code: records report lines and warnings, answers
// warnings through `answer`, and keeps a real allowed list.
class RecordingHost final : public orv::DetectionHost {
 public:
  struct Line {
    QString text;
    int32_t colour;
    bool copyToScanMemo;
    bool operator==(const Line& o) const {
      return text == o.text && colour == o.colour && copyToScanMemo == o.copyToScanMemo;
    }
  };
  struct Warning {
    QString title;
    QString text;
    QString helpAddress;
    bool lock;
    bool ignorieren;
    bool loeschen;
    bool beenden;
    bool erlauben;
    int level;
    int defaultAnswer;
  };

  void AddReportLine(const QString& text, int32_t colour, bool copyToScanMemo) override {
    lines.push_back({text, colour, copyToScanMemo});
  }
  int ShowWarning(const QString& title, const QString& text, const QString& helpAddress, bool lock,
                  bool ignorierenEnabled, bool loeschenEnabled, bool beendenEnabled,
                  bool erlaubenEnabled, int level, int defaultAnswer) override {
    warnings.push_back({title, text, helpAddress, lock, ignorierenEnabled, loeschenEnabled,
                        beendenEnabled, erlaubenEnabled, level, defaultAnswer});
    return answer ? answer(warnings.back()) : orv::AnswerIgnore;
  }
  bool IsAllowed(const QString& path) override { return allowed.isAllowed(path); }
  void AllowFile(const QString& path) override { allowed.allowFile(path); }
  bool lockFlag() const override { return lock; }

  std::vector<Line> lines;
  std::vector<Warning> warnings;
  std::function<int(const Warning&)> answer;
  bool lock = false;
  QPlainTextEdit allowedBox;
  orv::AllowedList allowed{&allowedBox};
};
