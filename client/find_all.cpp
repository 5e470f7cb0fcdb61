#include "client/find_all.h"
#include "base/text.h"
#include "client/search.h"
#include <cstring>
#include <new>

std::vector<tTopicToSearch> TopicsToSearch(const tNotebook& notebook, const std::string& liveText) {
    std::vector<tTopicToSearch> topics;
    topics.reserve(notebook.Topics().size());
    for (size_t i = 0; i < notebook.Topics().size(); ++i) {
        const tTopic& topic = notebook.Topics()[i];
        bool current = int(i) == notebook.CurrentIndex();
        topics.push_back({&topic.name, current ? &liveText : &topic.text, notebook.IdentityOf(int(i))});
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

// Appends to a cell; control characters (tabs among them) would show as
// boxes or end the text, so they show as spaces.
void Put(std::string& cell, const char* from, size_t length) {
    for (size_t i = 0; i < length; ++i)
        cell += static_cast<unsigned char>(from[i]) < 0x20 ? ' ' : from[i];
}

// The hit's line as the list shows it: whole when short, else cut around the match.
void PutLine(std::string& cell, const char* text, size_t size, const tFoundHit& hit) {
    size_t end = LineEndWithin(text, size, hit.lineStart, kExcerptWidth + 2);
    if (end != std::string::npos && end - hit.lineStart <= kExcerptWidth) {
        Put(cell, text + hit.lineStart, end - hit.lineStart);
        return;
    }
    size_t from = hit.at - hit.lineStart > kLeadBeforeMatch ? hit.at - kLeadBeforeMatch : hit.lineStart;
    end = LineEndWithin(text, size, from, kExcerptWidth + 2);
    bool cutAtEnd = end == std::string::npos || end - from > kExcerptWidth;
    if (cutAtEnd) end = from + kExcerptWidth;
    if (from > hit.lineStart) Put(cell, kCutMark, sizeof kCutMark - 1);
    Put(cell, text + from, end - from);
    if (cutAtEnd) Put(cell, kCutMark, sizeof kCutMark - 1);
}

}  // namespace

size_t ShownLength(const std::string& text) {
    size_t end = text.find('\0');
    return end == std::string::npos ? text.size() : end;
}

bool HitStillThere(const std::string& text, size_t at, const tFindAllQuery& query) {
    const size_t length = query.what.size();
    if (length == 0 || at > ShownLength(text) || ShownLength(text) - at < length) return false;
    if (query.matchCase) return SelectionIsOccurrence(text, query.what, at, at + length, query.wholeWord);
    // Folded around the hit only: a word edge needs one byte either side.
    size_t from = at == 0 ? 0 : at - 1;
    std::string around = UpperAscii(text.substr(from, length + 2));
    return SelectionIsOccurrence(around, UpperAscii(query.what), at - from, at - from + length, query.wholeWord);
}

void tFindAllResults::Find(const std::vector<tTopicToSearch>& topics, const tFindAllQuery& what) {
    query = what;
    stoppedAtLimit = false;
    tooBig = false;
    hits.clear();
    topicsWithHits = 0;
    texts_.clear();
    try {
        Search(topics);
    } catch (const std::bad_alloc&) {
        // Everything goes, the memory with it; the program goes on.
        tooBig = true;
        stoppedAtLimit = false;
        topicsWithHits = 0;
        std::vector<tFoundHit>().swap(hits);
        std::string().swap(texts_);
        std::vector<tKeptText>().swap(kept_);
    }
}

void tFindAllResults::Search(const std::vector<tTopicToSearch>& topics) {
    topicNames.resize(topics.size());
    topicIdentities.resize(topics.size());
    for (size_t i = 0; i < topics.size(); ++i) {
        topicNames[i] = *topics[i].name;
        topicIdentities[i] = topics[i].identity;
    }
    kept_.assign(topics.size(), tKeptText());
    // The list shows one line per hit; the field to type in has one line.
    if (query.what.empty() || query.what.find_first_of("\r\n") != std::string::npos) return;
    const std::string pattern = query.matchCase ? query.what : UpperAscii(query.what);
    const size_t length = pattern.size();
    std::string folded;
    for (size_t i = 0; i < topics.size() && !stoppedAtLimit; ++i) {
        const std::string& text = *topics[i].text;
        const size_t shown = ShownLength(text);
        const std::string* searched = &text;
        if (!query.matchCase) {
            UpperAsciiInto(text, folded);
            searched = &folded;
        }
        tLineCursor cursor{text};
        size_t before = hits.size();
        for (size_t at = ::Search(*searched, pattern, 0, 0, tDirection::down, query.wholeWord);
             at != kNoMatch && at + length <= shown;
             at = ::Search(*searched, pattern, at + length, at + length, tDirection::down, query.wholeWord)) {
            if (hits.size() == hitLimit) {
                stoppedAtLimit = true;
                break;
            }
            cursor.MoveTo(at);
            hits.push_back({i, at, cursor.line, cursor.lineStart});
        }
        if (hits.size() != before) {
            ++topicsWithHits;
            kept_[i] = {texts_.size(), shown};
            texts_.append(text, 0, shown);
        }
    }
}

tFindAllResults FindInTopics(const std::vector<tTopicToSearch>& topics, const tFindAllQuery& query) {
    tFindAllResults results;
    results.Find(topics, query);
    return results;
}

std::string tFindAllResults::Summary() const {
    if (tooBig) return "The search was too big to list: search for a longer text";
    if (hits.empty()) return "No matches";
    std::string text = std::to_string(hits.size()) + (hits.size() == 1 ? " match in " : " matches in ");
    text += std::to_string(topicsWithHits) + (topicsWithHits == 1 ? " topic" : " topics");
    if (stoppedAtLimit) text = "The first " + text + " (the search stops there: there are more)";
    return text;
}

std::string OutOfDateStatus(const tFindAllResults& results) {
    return results.Summary() + " (out of date: the topics have changed since this search)";
}

std::string HitGoneStatus(const tFindAllResults& results) {
    return "That match is no longer there; searched again: " + results.Summary();
}

std::string tFindAllResults::CellText(size_t row, int column) const {
    std::string cell;
    if (row >= hits.size()) return cell;
    const tFoundHit& hit = hits[row];
    switch (column) {
    case kTopicColumn: Put(cell, topicNames[hit.topic].data(), topicNames[hit.topic].size()); break;
    case kLineColumn: cell = std::to_string(hit.line); break;
    case kTextColumn:
        cell.reserve(kExcerptWidth + 2 * (sizeof kCutMark - 1));
        PutLine(cell, texts_.data() + kept_[hit.topic].start, kept_[hit.topic].size, hit);
        break;
    }
    return cell;
}
