// The client's side of Find in All Topics: the dialog, searching every topic
// as it is now, and going to a hit the way a click on its tab goes there.
#include "client/client.h"
#include "base/handles.h"
#include "base/window_text.h"
#include "client/edit.h"

namespace {

// The selection when it lies on one line and fits the field; else nothing.
std::string OneLineSelection(HWND edit) {
    size_t start, end;
    GetFullSelection(edit, start, end);
    if (end <= start || end - start > kMaxFindAllText) return std::string();
    std::string text = WindowText(edit);
    if (end > text.size()) return std::string();
    std::string selected = text.substr(start, end - start);
    return selected.find_first_of("\r\n") == std::string::npos ? selected : std::string();
}

}  // namespace

HWND tQuilletClient::FindAllDialogWindow() const {
    return findAll_ ? findAll_->dialog.Window() : nullptr;
}

void tQuilletClient::ShowFindAllDialog() {
    if (!findAll_) findAll_ = std::make_unique<tFindAllSession>();
    tFindAllSession& session = *findAll_;
    if (session.dialog.Window()) {
        session.dialog.BringForward();
        return;
    }
    std::string what = OneLineSelection(view_.Edit());
    if (what.empty()) what = session.lastSearched;
    if (what.empty()) what = findDialog_.FindWhat();
    session.results = tFindAllResults();
    session.searched = false;
    // Searching and going to a hit end as the client's own messages do: the
    // note file is committed.
    tFindAllHandlers handlers;
    handlers.search = [this](const tFindAllFields& fields) {
        RunFindAll({fields.what, fields.matchCase, fields.wholeWord});
        AfterMessage();
    };
    handlers.goTo = [this](size_t row) {
        GoToFoundHit(row);
        AfterMessage();
    };
    const tFindAllResults& results = session.results;
    handlers.cellText = [&results](size_t row, int column) { return results.CellText(row, column); };
    session.dialog.Open(settings_.frame ? settings_.frame : wnd_, std::move(handlers), what);
}

void tQuilletClient::RunFindAll(const tFindAllQuery& query) {
    tWaitCursor busy;
    tFindAllSession& session = *findAll_;
    const tTopic* current = notebook_.Current();
    std::string live = view_.Edit() ? WindowText(view_.Edit()) : current ? current->text : std::string();
    session.results.Find(TopicsToSearch(notebook_, live), query);
    session.revision = topicsRevision_;
    session.searched = true;
    session.outOfDateShown = false;
    session.lastSearched = query.what;
    session.dialog.ShowRows(session.results.hits.size(), session.results.Summary());
}

void tQuilletClient::GoToFoundHit(size_t row) {
    tFindAllSession& session = *findAll_;
    if (row >= session.results.hits.size()) return;
    // While a question or dialog of the program is up (Delete's question, the
    // Topic Name dialog), the topic it is about must stay current.
    if (!IsWindowEnabled(GetAncestor(wnd_, GA_ROOT))) {
        MessageBeep(0);
        return;
    }
    const tFoundHit hit = session.results.hits[row];
    int topic = int(hit.topic);
    if (session.revision != topicsRevision_) {
        // The row's topic is followed wherever it went, whatever its name now;
        // when the hit's text is not where it was, the list is searched again
        // and says so rather than go to another hit.
        topic = notebook_.IndexOf(session.results.topicIdentities[hit.topic]);
        std::string now;
        if (topic == notebook_.CurrentIndex() && view_.Edit())
            now = WindowText(view_.Edit());
        else if (topic >= 0)
            now = notebook_.Topics()[size_t(topic)].text;
        if (topic < 0 || !HitStillThere(now, hit.at, session.results.query)) {
            RunFindAll(session.results.query);
            session.dialog.ShowStatus(HitGoneStatus(session.results));
            return;
        }
    }
    if (topic != notebook_.CurrentIndex()) {
        view_.SelectTab(topic);
        ShowSelectedTopic();
    }
    size_t end = hit.at + session.results.query.what.size();
    SendMessageA(view_.Edit(), EM_SETSEL, WPARAM(hit.at), LPARAM(end));
    SendMessageA(view_.Edit(), EM_SCROLLCARET, 0, 0);
}

void tQuilletClient::TopicsChanged() {
    ++topicsRevision_;
    if (!findAll_ || !findAll_->searched || findAll_->outOfDateShown || !findAll_->dialog.Window())
        return;
    findAll_->outOfDateShown = true;
    findAll_->dialog.ShowStatus(OutOfDateStatus(findAll_->results));
}
