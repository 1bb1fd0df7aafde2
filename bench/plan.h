// What the benchmark runs: simulated lines, and on each the steps (see
// steps.h) to time. Discovery runs scan channel numbers 0 to 127 with 0, 4
// and 16 channels present; one run holds a channel of every built-in
// profile, reads each one's capabilities, and applies and steps settings on
// the profile that offers the most.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace bench {

struct PlanChannel {
  int number;
  std::string profile;
  bool silent;  // on the line but answering nothing
};

struct PlanStep {
  std::string step;  // as steps.h names it
  std::string name;  // the table's row; empty for a step that only sets up the next
};

struct Run {
  std::vector<PlanChannel> channels;
  int first;
  int last;
  std::vector<PlanStep> steps;
};

std::vector<Run> BenchmarkPlan();

// The plan as the benchmark's driver reads it.
nlohmann::json PlanJson(const std::vector<Run>& plan);

}  // namespace bench
