#pragma once
// Checks the structure of a compound file against the file's real size before
// the platform's storage code follows any of it. Plain C++ over bytes: no
// windows, no COM, so it also builds natively and can be fuzzed.
#include <cstddef>
#include <cstdint>
#include <functional>

// Reads size bytes at offset into buffer; false when they cannot all be read.
using tReadAt = std::function<bool(uint64_t offset, void* buffer, size_t size)>;

// True when every count, sector number, chain and directory link that opening
// the file and its elements follows stays inside a file of fileSize bytes,
// comes to an end, and belongs to one chain only: the header (signature,
// sector sizes, table counts), the allocation table and the sectors that list
// it, the directory, the mini table, the mini stream, every stream reachable
// from the root and the directory tree itself (links in range, no entry
// reached twice, names terminated). Reads no more than the file holds and
// allocates no more than its size justifies.
// When unbalanced is given, it tells whether some storage's elements form a
// search tree much deeper than a balanced one: the storage code never
// rebalances, and every lookup walks that depth.
bool IsSoundCompoundFile(uint64_t fileSize, const tReadAt& readAt, bool* unbalanced = nullptr);
bool IsSoundCompoundFile(const unsigned char* bytes, size_t size);
