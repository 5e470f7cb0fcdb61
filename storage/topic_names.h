#pragma once
// Topic names as the note file can hold them. Element names hold at most 31
// characters, none of \ / : !, and are told apart without regard to case; the
// Index may list anything, so names read from it are made fit before use.
#include <functional>
#include <string>
#include <vector>

// Whether a stream of the note file can carry this name.
bool IsStorableTopicName(const std::string& name);

// Names compared as the note file compares element names (ignoring case).
bool SameElementName(const std::string& a, const std::string& b);

// A name in the form elements are compared in: wide and upper-cased; empty
// when the name cannot be converted.
std::wstring ElementKey(const std::string& name);
std::wstring ElementKey(std::wstring wideName);

// The names of an Index, each one storable and unique. A name that cannot be
// stored, or that repeats an earlier one, gets a new name: its storable part
// cut to the length the Topic Name dialog allows, with " (2)", " (3)" ...
// added until it clashes with no other topic and with no element for which
// taken answers true. Names that are fine stay as they are.
std::vector<std::string> StorableTopicNames(const std::vector<std::string>& names,
                                            const std::function<bool(const std::string&)>& taken);

// The order in which to create elements of these keys (see ElementKey) so
// that a storage that never rebalances its search tree gets a balanced one:
// the median of the directory's order first, then the medians of each half.
// Of equal keys only the last is listed. Returns indices into keys.
std::vector<size_t> BalancedCreationOrder(const std::vector<std::wstring>& keys);
