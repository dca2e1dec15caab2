// Request interpretation: which launch a request text selects, and the
// bounded copy that takes a request text out of the shared request region.
// Pure byte logic, free of the Windows headers, so it also builds natively.
#pragma once

#include <stddef.h>

// The request region holds one zero-terminated text of at most 65,535 bytes.
constexpr size_t kRequestRegionSize = 65536;
// "exec://", "file://" and "open://" are all seven bytes long.
constexpr size_t kSchemePrefixLength = 7;
// Texts of 8 bytes or fewer are ignored: a target needs at least two bytes.
constexpr size_t kShortestRequestLength = 9;

// Show states handed to the launch actions (SW_SHOW and SW_SHOWNORMAL).
constexpr int kShowStateRegionRequest = 5;
constexpr int kShowStateWindowTextRequest = 1;

enum class RequestAction { None, StartProgram, OpenWithShell };

// True when the two zero-terminated texts are equal once ASCII capitals are
// taken as small letters; every other byte, 128 and up included, must match.
bool EqualsFoldingAsciiCase(const char* a, const char* b);

// The action that a request text of `length` bytes selects. Reads at most
// the first kSchemePrefixLength bytes of `text`, never past `length`; the
// target of a selected action is text + kSchemePrefixLength.
RequestAction InterpretRequestText(const char* text, size_t length);

// Copies the text at the start of a region of `region_size` bytes into `out`,
// terminator included, reading each region byte exactly once, so that a
// writer racing with the copy cannot push it past either buffer. Returns
// false, leaving no usable text, when no zero byte lies within the first
// min(region_size, out_size) bytes.
bool CopyRequestText(const volatile char* region, size_t region_size, char* out, size_t out_size);

// Number of bytes before the first zero among the first `limit` bytes, or
// `limit` when there is none.
size_t BoundedTextLength(const char* text, size_t limit);
