#include "client/find_all.h"
#include "base/text.h"
#include "client/search.h"
#include <cstdio>
#include <cstring>

std::vector<tTopicToSearch> TopicsToSearch(const tNotebook& notebook, const std::string& liveText) {
    std::vector<tTopicToSearch> topics;
    topics.reserve(notebook.topics.size());
    for (size_t i = 0; i < notebook.topics.size(); ++i) {
        const tTopic& topic = notebook.topics[i];
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
    // Where the line holding at ends, without its CR LF.
    size_t LineEnd(size_t at) const {
        const void* found = std::memchr(text.data() + at, '\n', text.size() - at);
        size_t end = found ? size_t(static_cast<const char*>(found) - text.data()) : text.size();
        if (end > lineStart && text[end - 1] == '\r') --end;
        return end;
    }
};

// Control characters (tabs among them) would show as boxes or cut the cell.
void AppendShown(std::string& out, const char* from, size_t length) {
    size_t first = out.size();
    out.append(from, length);
    for (size_t i = first; i < out.size(); ++i)
        if (static_cast<unsigned char>(out[i]) < 0x20) out[i] = ' ';
}

void AddHit(tFindAllResults& results, size_t topic, tLineCursor& cursor, size_t at) {
    cursor.MoveTo(at);
    tFoundHit hit{topic, at, cursor.line, 0, 0};
    size_t start = cursor.lineStart, end = cursor.LineEnd(at);
    if (end - start <= kExcerptWidth && !results.hits.empty()) {
        // Hits on one short line share its text.
        const tFoundHit& last = results.hits.back();
        if (last.topic == topic && last.line == hit.line) {
            hit.excerpt = last.excerpt;
            hit.excerptLength = last.excerptLength;
            results.hits.push_back(hit);
            return;
        }
    }
    std::string& out = results.excerpts;
    hit.excerpt = out.size();
    if (end - start <= kExcerptWidth) {
        AppendShown(out, cursor.text.data() + start, end - start);
    } else {
        size_t from = at - start > kLeadBeforeMatch ? at - kLeadBeforeMatch : start;
        if (end - from < kExcerptWidth) from = end - kExcerptWidth;
        if (from > start) out += kCutMark;
        AppendShown(out, cursor.text.data() + from, kExcerptWidth);
        if (from + kExcerptWidth < end) out += kCutMark;
    }
    hit.excerptLength = out.size() - hit.excerpt;
    results.hits.push_back(hit);
}

void CopyCut(const char* from, size_t length, char* buffer, size_t size) {
    if (size == 0) return;
    if (length > size - 1) length = size - 1;
    std::memcpy(buffer, from, length);
    buffer[length] = '\0';
}

size_t Distance(size_t a, size_t b) { return a > b ? a - b : b - a; }

}  // namespace

tFindAllResults FindInTopics(const std::vector<tTopicToSearch>& topics, const tFindAllQuery& query) {
    tFindAllResults results;
    results.query = query;
    results.topicNames.reserve(topics.size());
    for (const tTopicToSearch& topic : topics) results.topicNames.push_back(*topic.name);
    // The list shows one line per hit; the field to type in has one line.
    if (query.what.empty() || query.what.find_first_of("\r\n") != std::string::npos) return results;
    const std::string pattern = query.matchCase ? query.what : UpperAscii(query.what);
    const size_t length = pattern.size();
    std::string folded;
    for (size_t i = 0; i < topics.size(); ++i) {
        const std::string& text = *topics[i].text;
        const std::string* searched = &text;
        if (!query.matchCase) {
            folded.resize(text.size());
            for (size_t k = 0; k < text.size(); ++k) folded[k] = FoldAscii(text[k]);
            searched = &folded;
        }
        tLineCursor cursor{text};
        size_t before = results.hits.size();
        for (size_t at = Search(*searched, pattern, 0, 0, true, query.wholeWord); at != kNoMatch;
             at = Search(*searched, pattern, at + length, at + length, true, query.wholeWord))
            AddHit(results, i, cursor, at);
        if (results.hits.size() != before) ++results.topicsWithHits;
    }
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
    buffer[0] = '\0';
    if (row >= hits.size()) return;
    const tFoundHit& hit = hits[row];
    switch (column) {
    case kTopicColumn:
        if (hit.topic < topicNames.size()) {
            const std::string& name = topicNames[hit.topic];
            CopyCut(name.data(), name.size(), buffer, size);
        }
        break;
    case kLineColumn: std::snprintf(buffer, size, "%zu", hit.line); break;
    case kTextColumn: CopyCut(excerpts.data() + hit.excerpt, hit.excerptLength, buffer, size); break;
    }
}

size_t tFindAllResults::NearestRow(size_t row, const tFindAllResults& fresh) const {
    if (fresh.hits.empty()) return kNoRow;
    if (row >= hits.size()) return 0;
    const tFoundHit& chosen = hits[row];
    // Names are unique without regard to case, so one topic matches at most.
    size_t topic = 0;
    while (topic < fresh.topicNames.size() &&
           !SameTextIgnoringCase(fresh.topicNames[topic], topicNames[chosen.topic]))
        ++topic;
    size_t best = kNoRow;
    for (size_t i = 0; i < fresh.hits.size(); ++i) {
        const tFoundHit& hit = fresh.hits[i];
        if (hit.topic != topic) continue;
        if (best == kNoRow || Distance(hit.at, chosen.at) < Distance(fresh.hits[best].at, chosen.at))
            best = i;
    }
    if (best != kNoRow) return best;
    return row < fresh.hits.size() ? row : fresh.hits.size() - 1;
}
