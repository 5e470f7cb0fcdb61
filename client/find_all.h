#pragma once
// Find in All Topics without any window: every topic searched with Find's own
// rules for letter case and whole words, each hit with its topic, line and the
// line's text as the list shows it.
#include <cstddef>
#include <string>
#include <vector>
#include "client/notebook.h"
#include "dialogs/find_all_dialog.h"

struct tFindAllQuery {
    std::string what;
    bool matchCase = false;
    bool wholeWord = false;
};

// One topic as it is searched: its name and its text as they are now (borrowed).
struct tTopicToSearch {
    const std::string* name;
    const std::string* text;
};

// Every topic in tab order; the current one as the edit control holds it (liveText),
// since typing reaches the topic itself only when it is saved.
std::vector<tTopicToSearch> TopicsToSearch(const tNotebook& notebook, const std::string& liveText);

// Shown line texts longer than this many bytes are cut around the match.
constexpr size_t kExcerptWidth = 200;

struct tFoundHit {
    size_t topic;      // tab position at the time of the search
    size_t at;         // byte offset in the topic's text
    size_t line;       // counted from 1; a line ends with LF (CR LF counts once)
    size_t lineStart;  // where that line starts
};

constexpr size_t kNoRow = size_t(-1);

class tFindAllResults : public tFindAllRows {
public:
    tFindAllQuery query;
    std::vector<std::string> topicNames;  // every topic's name at the time of the search
    std::vector<tFoundHit> hits;           // in tab order, then by position
    size_t topicsWithHits = 0;

    // Searches the topics afresh, in place of the results held: non-overlapping
    // hits, as repeated Find Next walks them; an empty text to find finds
    // nothing. The memory of earlier searches is used again.
    void Find(const std::vector<tTopicToSearch>& topics, const tFindAllQuery& what);

    // "N matches in M topics" or "No matches".
    std::string Summary() const;
    // One cell of the list, cut to size - 1 bytes and terminated; never throws.
    void CellText(size_t row, int column, char* buffer, size_t size) const noexcept override;
    // The row nearest to a hit of an earlier search (in row, of topicName at
    // byte at): the nearest hit in the same topic, else the same row as far as
    // these results reach; kNoRow when they have no hits.
    size_t NearestRow(const std::string& topicName, size_t at, size_t row) const;

private:
    // The texts of the topics with hits as they were searched, one after
    // another, so rows still show what was found once the topics change.
    std::string texts_;
    struct tKeptText {
        size_t start = 0, size = 0;
    };
    std::vector<tKeptText> kept_;  // per topic
};

tFindAllResults FindInTopics(const std::vector<tTopicToSearch>& topics, const tFindAllQuery& query);

// Find in All Topics while the program runs: the dialog, its last results and
// the revision of the topics they came from.
struct tFindAllSession {
    tFindAllDialog dialog;
    tFindAllResults results;
    unsigned long revision = 0;
    bool searched = false;        // the open dialog shows results
    bool outOfDateShown = false;  // ... and says they are out of date
    std::string lastSearched;     // offered at the next opening
};

// The status line of results that no longer match the topics.
std::string OutOfDateStatus(const tFindAllResults& results);
