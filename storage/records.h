#pragma once
// The note file's own records as plain functions over bytes: every length and
// count taken from the file is checked against the bytes there are before it
// makes the reader allocate or loop. No windows, no COM, so they also build
// natively and can be fuzzed.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Reads up to size bytes into buffer; returns how many arrived.
using tReadSome = std::function<size_t(void* buffer, size_t size)>;

// A string record: 32-bit little-endian length, then the bytes, no terminator.
// bytesLeft is what the source says it still holds. False for a short record
// or a length the source cannot hold; the text grows only with bytes that
// arrive. Bytes after the record are not read.
bool ReadStringRecord(const tReadSome& read, uint64_t bytesLeft, std::string& text);

// An "Index": a 32-bit little-endian count, then that many string records.
// Each record takes at least its 4-byte length, so a count above a quarter of
// the bytes left is refused before anything is read or reserved.
bool ReadIndexRecords(const tReadSome& read, uint64_t bytesLeft, std::vector<std::string>& names);

// The same over bytes in memory.
bool ParseStringRecord(const unsigned char* bytes, size_t size, std::string& text);
bool ParseIndex(const unsigned char* bytes, size_t size, std::vector<std::string>& names);
