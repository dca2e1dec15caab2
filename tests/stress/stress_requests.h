// What the stress tests and their client processes agree on: how a client
// process is told what to do, the exact command line of every request that
// a client sends, and the named events by which a test steers its clients.
#pragma once

#include <string>

namespace tarvolin_test {

// How a region client decides when it may write its next text.
enum class RegionMode {
  // Writes only once the region's current text has run, so that no text is
  // overwritten unread: every text runs exactly once.
  TakeTurns,
  // Writes whenever it gets the lock, keeping only a few units pending:
  // texts may be overwritten unread, but every unit still runs one text.
  Paced,
  // Takes turns as above, and between two valid texts fills the whole region
  // with a startable text that has no terminating zero.
  Garbage,
};

// Set by a test to make its clients stop after the request in hand; a
// client's exit code is the number of requests it delivered.
extern const char kStopEventName[];
// Set by the lock-holding client once it owns the instance mutex.
extern const char kHoldingEventName[];
// Carried by every unterminated text a garbage client writes.
extern const char kGarbageMarker[];

// The command line that region client `client` asks the launcher to start
// with its `n`-th text (counted from 0); the text is "exec://" and this.
std::string RegionCommandLine(int client, int n);

// The command line of the window-text client's `n`-th request.
std::string WindowCommandLine(int n);

// The start of the `n`-th unterminated text of garbage client `client`; the
// client fills the rest of the region with 'x'.
std::string GarbageTextStart(int client, int n);

// Command tails of the client program. `count` bounds the requests; a client
// also stops when the stop event is set.
std::string RegionClientArguments(int client, int count, RegionMode mode);
std::string WindowClientArguments(int count);
// A client that takes a turn, writes RegionCommandLine(client, 0), releases a
// unit, sets the holding event and then keeps the lock until it is killed.
std::string LockHolderArguments(int client);

// The mode that RegionClientArguments wrote as `name`; false for none.
bool ParseRegionMode(const std::string& name, RegionMode* mode);

}  // namespace tarvolin_test
