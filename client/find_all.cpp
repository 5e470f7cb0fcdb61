#include "client/find_all.h"
#include "base/text.h"
#include "client/search.h"
#include <cstdio>
#include <cstring>

std::vector<tTopicToSearch> TopicsToSearch(const tNotebook& notebook, const std::string& liveText) {
    std::vector<tTopicToSearch> topics;
    topics.reserve(notebook.Topics().size());
    for (size_t i = 0; i < notebook.Topics().size(); ++i) {
        const tTopic& topic = notebook.Topics()[i];
        bool current = int(i) == notebook.CurrentIndex();
        topics.push_back({&topic.name, current ? &liveText : &topic.text});
    }
    return topics;
}

namespace {

// Bytes before the match that a cut line keeps, so the match shows in the row.
constexpr size_t kLeadBeforeMatch = 40;
constexpr char kCutMark[] = "...";

// Walks one topic's text forward, counting the lines passed.
struct tLineCursor {
    const std::string& text;
    size_t counted = 0;  // lines are counted up to here
    size_t line = 1;
    size_t lineStart = 0;

    void MoveTo(size_t at) {
        const char* bytes = text.data();
        while (counted < at) {
            const void* found = std::memchr(bytes + counted, '\n', at - counted);
            if (!found) {
                counted = at;
                break;
            }
            lineStart = size_t(static_cast<const char*>(found) - bytes) + 1;
            counted = lineStart;
            ++line;
        }
    }
};

// Where the line running from `from` ends (before its CR LF) when that is
// within limit bytes or at the end of the text; else npos.
size_t LineEndWithin(const char* text, size_t size, size_t from, size_t limit) {
    size_t scanned = size - from < limit ? size - from : limit;
    const void* found = std::memchr(text + from, '\n', scanned);
    if (!found) return from + scanned == size ? size : std::string::npos;
    size_t end = size_t(static_cast<const char*>(found) - text);
    return end > from && text[end - 1] == '\r' ? end - 1 : end;
}

// Appends to a cell, cut at its size; control characters (tabs among them)
// would show as boxes or end the text, so they show as spaces.
struct tCell {
    char* buffer;
    size_t size;
    size_t used = 0;

    void Put(const char* from, size_t length) {
        for (size_t i = 0; i < length && used + 1 < size; ++i)
            buffer[used++] = static_cast<unsigned char>(from[i]) < 0x20 ? ' ' : from[i];
        buffer[used] = '\0';
    }
};

// The hit's line as the list shows it: whole when short, else cut around the match.
void PutLine(tCell& cell, const char* text, size_t size, const tFoundHit& hit) {
    size_t end = LineEndWithin(text, size, hit.lineStart, kExcerptWidth + 2);
    if (end != std::string::npos && end - hit.lineStart <= kExcerptWidth) {
        cell.Put(text + hit.lineStart, end - hit.lineStart);
        return;
    }
    size_t from = hit.at - hit.lineStart > kLeadBeforeMatch ? hit.at - kLeadBeforeMatch : hit.lineStart;
    end = LineEndWithin(text, size, from, kExcerptWidth + 2);
    bool cutAtEnd = end == std::string::npos || end - from > kExcerptWidth;
    if (cutAtEnd) end = from + kExcerptWidth;
    if (from > hit.lineStart) cell.Put(kCutMark, sizeof kCutMark - 1);
    cell.Put(text + from, end - from);
    if (cutAtEnd) cell.Put(kCutMark, sizeof kCutMark - 1);
}

size_t Distance(size_t a, size_t b) { return a > b ? a - b : b - a; }

}  // namespace

void tFindAllResults::Find(const std::vector<tTopicToSearch>& topics, const tFindAllQuery& what) {
    query = what;
    topicNames.resize(topics.size());
    for (size_t i = 0; i < topics.size(); ++i) topicNames[i] = *topics[i].name;
    hits.clear();
    topicsWithHits = 0;
    texts_.clear();
    kept_.assign(topics.size(), tKeptText());
    // The list shows one line per hit; the field to type in has one line.
    if (what.what.empty() || what.what.find_first_of("\r\n") != std::string::npos) return;
    const std::string pattern = what.matchCase ? what.what : UpperAscii(what.what);
    const size_t length = pattern.size();
    std::string folded;
    for (size_t i = 0; i < topics.size(); ++i) {
        const std::string& text = *topics[i].text;
        const std::string* searched = &text;
        if (!what.matchCase) {
            UpperAsciiInto(text, folded);
            searched = &folded;
        }
        tLineCursor cursor{text};
        size_t before = hits.size();
        for (size_t at = ::Search(*searched, pattern, 0, 0, tDirection::down, what.wholeWord); at != kNoMatch;
             at = ::Search(*searched, pattern, at + length, at + length, tDirection::down, what.wholeWord)) {
            cursor.MoveTo(at);
            hits.push_back({i, at, cursor.line, cursor.lineStart});
        }
        if (hits.size() != before) {
            ++topicsWithHits;
            kept_[i] = {texts_.size(), text.size()};
            texts_ += text;
        }
    }
}

tFindAllResults FindInTopics(const std::vector<tTopicToSearch>& topics, const tFindAllQuery& query) {
    tFindAllResults results;
    results.Find(topics, query);
    return results;
}

std::string tFindAllResults::Summary() const {
    if (hits.empty()) return "No matches";
    std::string text = std::to_string(hits.size()) + (hits.size() == 1 ? " match in " : " matches in ");
    return text + std::to_string(topicsWithHits) + (topicsWithHits == 1 ? " topic" : " topics");
}

std::string OutOfDateStatus(const tFindAllResults& results) {
    return results.Summary() + " (out of date: the topics have changed since this search)";
}

void tFindAllResults::CellText(size_t row, int column, char* buffer, size_t size) const noexcept {
    if (size == 0) return;
    tCell cell{buffer, size};
    cell.Put("", 0);
    if (row >= hits.size()) return;
    const tFoundHit& hit = hits[row];
    switch (column) {
    case kTopicColumn: cell.Put(topicNames[hit.topic].data(), topicNames[hit.topic].size()); break;
    case kLineColumn: std::snprintf(buffer, size, "%zu", hit.line); break;
    case kTextColumn:
        PutLine(cell, texts_.data() + kept_[hit.topic].start, kept_[hit.topic].size, hit);
        break;
    }
}

size_t tFindAllResults::NearestRow(const std::string& topicName, size_t at, size_t row) const {
    if (hits.empty()) return kNoRow;
    // Names are unique without regard to case, so one topic matches at most.
    size_t topic = 0;
    while (topic < topicNames.size() && !SameTextIgnoringCase(topicNames[topic], topicName)) ++topic;
    size_t best = kNoRow;
    for (size_t i = 0; i < hits.size(); ++i) {
        if (hits[i].topic != topic) continue;
        if (best == kNoRow || Distance(hits[i].at, at) < Distance(hits[best].at, at)) best = i;
    }
    if (best != kNoRow) return best;
    return row < hits.size() ? row : hits.size() - 1;
}
