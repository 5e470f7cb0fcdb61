#include "storage/topic_names.h"
#include <algorithm>
#include <windows.h>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr size_t kMaxElementNameLength = 31;  // UTF-16 units, terminator not counted
constexpr size_t kMaxNewNameLength = 20;      // what the Topic Name dialog allows

bool IllegalInElementName(char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:!", c) != nullptr;
}

std::string Shortened(std::string text, size_t length) {
    if (text.size() > length) text.resize(length);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

std::wstring ElementKey(const std::string& name) {
    if (name.empty()) return std::wstring();
    int size = MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring wide(size_t(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), &wide[0], size);
    return ElementKey(std::move(wide));
}

std::wstring ElementKey(std::wstring wideName) {
    if (!wideName.empty()) CharUpperBuffW(&wideName[0], DWORD(wideName.size()));
    return wideName;
}

bool IsStorableTopicName(const std::string& name) {
    for (char c : name)
        if (IllegalInElementName(c)) return false;
    std::wstring wide = ElementKey(name);
    return !wide.empty() && wide.size() <= kMaxElementNameLength;
}

bool SameElementName(const std::string& a, const std::string& b) {
    return ElementKey(a) == ElementKey(b);
}

std::vector<std::string> StorableTopicNames(const std::vector<std::string>& names,
                                            const std::function<bool(const std::string&)>& taken) {
    // Once per name, so that a notebook of thousands of topics loads quickly.
    std::vector<std::wstring> keys;
    keys.reserve(names.size());
    std::unordered_map<std::wstring, size_t> notYetPassed;
    for (const std::string& name : names) {
        keys.push_back(ElementKey(name));
        ++notYetPassed[keys.back()];
    }
    std::unordered_set<std::wstring> given;
    std::unordered_map<std::string, unsigned> nextNumber;
    std::vector<std::string> result = names;
    for (size_t i = 0; i < names.size(); ++i) {
        --notYetPassed[keys[i]];
        if (IsStorableTopicName(names[i]) && given.insert(keys[i]).second) continue;

        // Neither a name given already nor one a later topic still has.
        auto isFree = [&](const std::string& candidate, std::wstring& key) {
            key = ElementKey(candidate);
            auto later = notYetPassed.find(key);
            return IsStorableTopicName(candidate) && given.count(key) == 0 &&
                   (later == notYetPassed.end() || later->second == 0) &&
                   !(taken && taken(candidate));
        };
        std::string base;
        for (char c : names[i]) base += IllegalInElementName(c) ? '_' : c;
        base = Shortened(base, kMaxNewNameLength);
        if (base.empty() || !IsStorableTopicName(base)) base = "Topic";
        // Numbering goes on where the last repeat of the same name stopped, so
        // an Index that names one topic thousands of times still loads at once.
        unsigned& next = nextNumber[base];
        if (next < 2) next = 2;
        std::string candidate = next == 2 ? base : std::string();
        std::wstring key;
        while (candidate.empty() || candidate == names[i] || !isFree(candidate, key)) {
            std::string suffix = " (" + std::to_string(next++) + ")";
            candidate = Shortened(base, kMaxNewNameLength - suffix.size()) + suffix;
        }
        given.insert(key);
        result[i] = candidate;
    }
    return result;
}

std::vector<size_t> BalancedCreationOrder(const std::vector<std::wstring>& keys) {
    // The directory orders names by length first, then by their upper-case
    // characters; keys are upper-cased already.
    auto before = [&](size_t a, size_t b) {
        if (keys[a].size() != keys[b].size()) return keys[a].size() < keys[b].size();
        return keys[a] < keys[b];
    };
    std::vector<size_t> sorted(keys.size());
    for (size_t i = 0; i < sorted.size(); ++i) sorted[i] = i;
    std::stable_sort(sorted.begin(), sorted.end(), before);
    std::vector<size_t> unique;
    for (size_t i = 0; i < sorted.size(); ++i)
        if (i + 1 == sorted.size() || before(sorted[i], sorted[i + 1])) unique.push_back(sorted[i]);
    std::vector<size_t> order;
    order.reserve(unique.size());
    std::vector<std::pair<size_t, size_t>> ranges = {{0, unique.size()}};
    while (!ranges.empty()) {
        const auto range = ranges.back();
        ranges.pop_back();
        if (range.first >= range.second) continue;
        const size_t middle = range.first + (range.second - range.first) / 2;
        order.push_back(unique[middle]);
        ranges.push_back({middle + 1, range.second});
        ranges.push_back({range.first, middle});
    }
    return order;
}
