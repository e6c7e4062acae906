#pragma once

#include <cstdio>

#include "scan_pipeline.h"

namespace orvscan {

// Writes what the scan reports: findings on standard output, problems on standard error,
// the summary last. Every name passes through terminal_text.h.
class ScanOutput : public ScanSink {
 public:
  ScanOutput(std::FILE* out, std::FILE* err) : m_out(out), m_err(err) {}
  void report(const ScanItem& item) override;
  virtual void summary(const ScanTotals& totals, double seconds) = 0;

 protected:
  enum class Check { Signature, Heuristic };
  virtual void finding(const ScanItem& item, Check check, const ShortText& answer) = 0;
  virtual void unreadable(const ScanItem& item) = 0;
  // A path that could not be scanned at all: always a line on standard error.
  void pathError(const ScanItem& item);

  std::FILE* const m_out;
  std::FILE* const m_err;
};

// "PATH: NAME" and "PATH: heuristic: TEXT" lines for people and simple scripts.
class TextOutput : public ScanOutput {
 public:
  using ScanOutput::ScanOutput;
  void summary(const ScanTotals& totals, double seconds) override;

 private:
  void finding(const ScanItem& item, Check check, const ShortText& answer) override;
  void unreadable(const ScanItem& item) override;
};

// JSON Lines on standard output for other programs: {"type": "finding" | "unreadable" |
// "summary", ...}. "path" holds the name exactly when it is valid UTF-8; otherwise its
// stray bytes read "\xHH" and "path_hex" holds the exact bytes.
class JsonOutput : public ScanOutput {
 public:
  using ScanOutput::ScanOutput;
  void summary(const ScanTotals& totals, double seconds) override;

 private:
  void finding(const ScanItem& item, Check check, const ShortText& answer) override;
  void unreadable(const ScanItem& item) override;
};

}  // namespace orvscan
