// orv-scan: the dialer scan of the desktop program for scripts, servers and mail gateways.

#include <sched.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "scan_options.h"
#include "scan_output.h"
#include "scan_pipeline.h"
#include "signature_file.h"
#include "terminal_text.h"

namespace {

using namespace orvscan;

int fail(const std::string& problem) {
  std::fprintf(stderr, "orv-scan: %s\n", terminalText(problem).c_str());
  return kExitError;
}

std::string signatureFile(const ScanOptions& options, std::string& problem) {
  if (!options.signatures.empty()) return options.signatures;
  const std::vector<std::string> candidates = defaultSignatureFiles();
  std::string found = firstExisting(candidates);
  if (found.empty()) {
    problem = "no signature file found (looked for";
    for (const std::string& candidate : candidates) problem += " " + candidate;
    problem += "); name one with --signatures FILE";
  }
  return found;
}

// One per processor this process may run on (a container or taskset may allow fewer than
// the machine has).
int examinerCount(const ScanOptions& options) {
  if (options.threads > 0) return options.threads;
  cpu_set_t allowed;
  if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
    return CPU_COUNT(&allowed);
  const unsigned processors = std::thread::hardware_concurrency();
  return processors > 0 ? static_cast<int>(processors) : 1;
}

}  // namespace

int main(int argc, char** argv) {
  ScanOptions options;
  std::string problem;
  if (!parseOptions(std::vector<std::string>(argv + 1, argv + argc), options, problem)) {
    fail(problem);
    std::fputs(kUsage, stderr);
    return kExitError;
  }
  if (options.help) {
    std::fputs(kHelp, stdout);
    return kExitClean;
  }
  if (options.version) {
    std::puts("orv-scan " ORV_VERSION);
    return kExitClean;
  }

  const auto start = std::chrono::steady_clock::now();
  const std::string signatures = signatureFile(options, problem);
  if (signatures.empty()) return fail(problem);
  sigmatch::SignatureTable table;
  problem = loadSignatures(signatures, table);
  if (!problem.empty()) return fail(problem);

  // Findings reach a reading program as they are made, not when a buffer fills.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::unique_ptr<ScanOutput> output;
  if (options.json)
    output = std::make_unique<JsonOutput>(stdout, stderr);
  else
    output = std::make_unique<TextOutput>(stdout, stderr);

  ScanPipeline::Options scan;
  scan.signatures = &table;
  for (const std::string& path : options.paths)
    scan.paths.push_back(QByteArray::fromStdString(path));
  scan.heuristic = options.heuristic;
  scan.examiners = examinerCount(options);
  ScanTotals totals;
  try {
    ScanPipeline pipeline(std::move(scan), *output);
    totals = pipeline.run();
  } catch (const std::exception& error) {
    return fail(std::string("the scan stopped: ") + error.what());
  }
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  if (!options.quiet) output->summary(totals, seconds.count());

  const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
  if (!written) fail("cannot write the results");
  // A finding is what a caller must not miss; errors are told on standard error all the same.
  if (totals.findings > 0) return kExitFound;
  return totals.pathErrors > 0 || !written ? kExitError : kExitClean;
}
