#include "yara_runner.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "peer_process.h"

namespace scanbench {

std::string yaraMarkerRule() {
  // The names of the dialling functions decide; the prefixes only add to a finding, but are
  // looked for all the same, as the heuristic does.
  return "rule dialer_functions {\n"
         "  strings:\n"
         "    $f1 = \"RasDialA\" ascii wide\n"
         "    $f2 = \"RasCreatePhonebookEntryA\" ascii wide\n"
         "    $f3 = \"CAPIPUTMESSAGE\" ascii wide\n"
         "    $f4 = \"lineDial\" ascii wide\n"
         "    $f5 = \"tapiRequest\" ascii wide\n"
         "    $p1 = \"0190\" ascii wide\n"
         "    $p2 = \"0900\" ascii wide\n"
         "  condition:\n"
         "    any of ($f*) or (any of ($f*) and any of ($p*))\n"
         "}\n";
}

std::string yaraHashRules(const std::string& hashDatabase) {
  std::ifstream in(hashDatabase);
  if (!in) throw std::runtime_error("cannot read " + hashDatabase);
  std::ostringstream rules;
  rules << "import \"hash\"\n";
  int n = 0;
  for (std::string line; std::getline(in, line);) {
    const std::string md5 = line.substr(0, line.find(':'));
    rules << "rule hash" << n++ << " { condition: hash.md5(0, filesize) == \"" << md5 << "\" }\n";
  }
  return rules.str();
}

bool compileYaraRules(const std::string& yarac, const std::string& rules,
                      const std::string& compiled) {
  const std::string source = compiled + ".yar";
  std::ofstream(source) << rules;
  const ProcessRun run =
      runProcess(yarac, {QString::fromStdString(source), QString::fromStdString(compiled)});
  return run.started && run.exitCode == 0;
}

YaraRun runYara(const std::string& yara, const std::string& compiled, const std::string& scanList,
                int threads) {
  const ProcessRun process = runProcess(
      yara,
      {QStringLiteral("--compiled-rules"), QStringLiteral("--threads=") + QString::number(threads),
       QStringLiteral("--scan-list"), QString::fromStdString(compiled),
       QString::fromStdString(scanList)},
      true);
  YaraRun run;
  run.started = process.started;
  run.exitCode = process.exitCode;
  run.wallMs = process.wallMs;
  run.cpuMs = process.cpuMs;
  run.output = process.output + process.errors;
  // One "RULE PATH" line per match.
  std::istringstream lines(process.output);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t space = line.find(' ');
    if (space != std::string::npos) run.found.insert(line.substr(space + 1));
  }
  return run;
}

}  // namespace scanbench
