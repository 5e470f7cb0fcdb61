#pragma once
// Reads what can still be read of a damaged compound file, from its bytes
// alone: the platform's storage code refuses such files or, under Wine, hangs
// on them. Every table, chain and link is followed only as far as it makes
// sense, so the work and the memory stay within a multiple of the file's size.
// Plain C++ over bytes: it also builds natively and can be fuzzed.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One directory entry that could be read, with as much of its stream as the
// file still holds.
struct tSalvagedElement {
    std::u16string name;
    unsigned char kind = 0;   // storage, stream or root (compound_format.h)
    uint32_t index = 0;       // place in the directory; kNoEntry when found outside its chain
    uint32_t parent = 0;      // index of the storage that holds it; kNoEntry when not known
    uint64_t size = 0;        // the stream's size as its entry states it
    std::string bytes;        // the stream from its start, as far as its chain could be followed
    bool Whole() const { return bytes.size() == size; }
};

// Every entry the directory's chain holds that looks like one (reached by the
// tree or not), then the entries of sectors outside that chain that look like
// directory sectors (older copies the table does not mark free, or sectors the
// chain no longer reaches). A stream's chain is followed until it holds the
// stream's size, ends, loops, leaves the file or meets a sector of another
// chain; the mini stream the same way. Where chains meet, the sectors go first
// to the chains that are whole: every sector the size needs, then the end
// mark, and bytes that looksWhole accepts for a stream of that name.
using tLooksWhole = std::function<bool(const std::u16string& name, const std::string& bytes)>;
std::vector<tSalvagedElement> SalvageCompoundFile(const unsigned char* bytes, size_t size,
                                                  const tLooksWhole& looksWhole);
