// Request texts, event names and client command tails shared by the stress
// tests and their client program.
#include "stress_requests.h"

#include "test_support.h"

namespace tarvolin_test {

const char kStopEventName[] = "TarvolinStressStop";
const char kHoldingEventName[] = "TarvolinStressHolding";
const char kGarbageMarker[] = "stress-garbage";

namespace {

struct ModeName {
  RegionMode mode;
  const char* name;
};

constexpr ModeName kModeNames[] = {
    {RegionMode::TakeTurns, "turns"},
    {RegionMode::Paced, "paced"},
    {RegionMode::Garbage, "garbage"},
};

std::string NameOf(RegionMode mode) {
  for (const ModeName& entry : kModeNames) {
    if (entry.mode == mode) return entry.name;
  }
  return std::string();
}

}  // namespace

std::string RegionCommandLine(int client, int n) {
  return ProbeCommandLine("stress-region c" + std::to_string(client) + " n" + std::to_string(n));
}

std::string WindowCommandLine(int n) {
  return ProbeCommandLine("stress-window n" + std::to_string(n));
}

std::string GarbageTextStart(int client, int n) {
  return "exec://" + ProbeCommandLine(std::string(kGarbageMarker) + " c" + std::to_string(client) +
                                      " n" + std::to_string(n) + " ");
}

std::string RegionClientArguments(int client, int count, RegionMode mode) {
  return "region " + std::to_string(client) + " " + std::to_string(count) + " " + NameOf(mode);
}

std::string WindowClientArguments(int count) { return "window " + std::to_string(count); }

std::string LockHolderArguments(int client) { return "hold " + std::to_string(client); }

bool ParseRegionMode(const std::string& name, RegionMode* mode) {
  for (const ModeName& entry : kModeNames) {
    if (name == entry.name) {
      *mode = entry.mode;
      return true;
    }
  }
  return false;
}

}  // namespace tarvolin_test
