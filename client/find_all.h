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

// One topic as it is searched: its name and its text as they are now (borrowed),
// and which topic it is (tNotebook::IdentityOf).
struct tTopicToSearch {
    const std::string* name;
    const std::string* text;
    unsigned long identity = 0;
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

// One search keeps at most this many hits: a one-letter search of a big
// notebook would otherwise fill the memory of a 32-bit process.
constexpr size_t kMaxFoundHits = 1000000;

// The part of a topic's text the edit control shows: it ends at a NUL byte,
// which a file written by another program may hold.
size_t ShownLength(const std::string& text);

// Whether the text holds a hit of query at byte at, as Find would select it.
bool HitStillThere(const std::string& text, size_t at, const tFindAllQuery& query);

class tFindAllResults {
public:
    tFindAllQuery query;
    std::vector<std::string> topicNames;          // every topic's name at the time of the search
    std::vector<unsigned long> topicIdentities;  // ... and which topic it was
    std::vector<tFoundHit> hits;                  // in tab order, then by position
    size_t topicsWithHits = 0;
    size_t hitLimit = kMaxFoundHits;
    bool stoppedAtLimit = false;  // there are more hits than those kept
    bool tooBig = false;          // the memory ran out: nothing is kept

    // Searches the topics afresh, in place of the results held: non-overlapping
    // hits, as repeated Find Next walks them, in the text the edit control
    // shows; an empty text to find finds nothing. The memory of earlier
    // searches is used again. Never throws for want of memory.
    void Find(const std::vector<tTopicToSearch>& topics, const tFindAllQuery& what);

    // "N matches in M topics", "No matches", or why the list is not all of them.
    std::string Summary() const;
    // One cell of the list (tFindAllColumn); empty for a row that is not there.
    std::string CellText(size_t row, int column) const;
private:
    void Search(const std::vector<tTopicToSearch>& topics);

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
    tFindAllResults results;  // before the dialog, whose list shows them, so it goes last
    tFindAllDialog dialog;
    unsigned long revision = 0;
    bool searched = false;        // the open dialog shows results
    bool outOfDateShown = false;  // ... and says they are out of date
    std::string lastSearched;     // offered at the next opening
};

// The status line of results that no longer match the topics.
std::string OutOfDateStatus(const tFindAllResults& results);
// The status line after a hit chosen from such results was no longer there.
std::string HitGoneStatus(const tFindAllResults& results);
