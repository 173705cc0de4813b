// The checks a host socket must pass to keep the contract the bridge relies
// on: answers pair with requests by order alone, so one line too many, too
// few, or out of turn hands every later answer to the wrong request.
//
// Each check runs on a connection of its own and judges only its own rule:
// the start of every other connection (initialize, then a ping whose answer
// marks that everything sent before it was read) skips whatever does not
// answer it, so that one fault is reported by one check.
#pragma once

#include <functional>
#include <string>

#include "host_line.h"

namespace zorvs::hostcheck {

struct Limits {
  Millis timeout{5000};  // for each wait on the host
  Millis quiet{1000};    // the window in which nothing may arrive
};

struct CheckResult {
  std::string name;
  bool passed = false;
  std::string detail;  // quotes the host in compact JSON
};

// "PASS name: detail" or "FAIL name: detail".
std::string result_line(const CheckResult& result);

// Runs every check against the host at `path`, starting on `first`, an open
// connection to it on which nothing was written yet. Reports each result as
// it is known; returns whether all passed.
bool run_checks(const std::string& path, HostLine first, const Limits& limits,
                const std::function<void(const CheckResult&)>& report);

}  // namespace zorvs::hostcheck
