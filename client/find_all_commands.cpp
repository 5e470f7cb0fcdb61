// The client's side of Find in All Topics: the dialog, searching every topic
// as it is now, and going to a hit the way a click on its tab goes there.
#include "client/client.h"
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
    return findAll ? findAll->dialog.Window() : nullptr;
}

void tQuilletClient::ShowFindAllDialog() {
    if (!findAll) findAll = std::make_unique<tFindAllSession>();
    tFindAllSession& session = *findAll;
    if (session.dialog.Window()) {
        session.dialog.BringForward();
        return;
    }
    std::string what = editWnd ? OneLineSelection(editWnd) : std::string();
    if (what.empty()) what = session.lastSearched;
    if (what.empty() && findDialog) what = findDialog->findWhat;
    session.results = tFindAllResults();
    session.searched = false;
    session.dialog.Open(settings.frame ? settings.frame : wnd, wnd, kFindAllMessage, session.results,
                        what);
}

void tQuilletClient::OnFindAllRequest(WPARAM request, LPARAM row) {
    // The message is ours alone, but anyone can post it: only an open dialog's
    // requests are acted on, and rows are checked against the results.
    if (!FindAllDialogWindow()) return;
    if (request == kFindAllSearch) {
        tFindAllFields fields = findAll->dialog.Fields();
        RunFindAll({fields.what, fields.matchCase, fields.wholeWord});
    } else if (request == kFindAllGoTo && row >= 0) {
        GoToFoundHit(size_t(row));
    }
}

void tQuilletClient::RunFindAll(const tFindAllQuery& query) {
    tBusyMarker busy;
    tFindAllSession& session = *findAll;
    const tTopic* current = notebook.Current();
    std::string live = editWnd ? WindowText(editWnd) : current ? current->text : std::string();
    session.results.Find(TopicsToSearch(notebook, live), query);
    session.revision = topicsRevision;
    session.searched = true;
    session.outOfDateShown = false;
    session.lastSearched = query.what;
    session.dialog.ShowRows(session.results.hits.size(), session.results.Summary());
}

void tQuilletClient::GoToFoundHit(size_t row) {
    tFindAllSession& session = *findAll;
    if (row >= session.results.hits.size()) return;
    // While a question or dialog of the program is up (Delete's question, the
    // Topic Name dialog), the topic it is about must stay current.
    if (!IsWindowEnabled(GetAncestor(wnd, GA_ROOT))) {
        MessageBeep(0);
        return;
    }
    if (session.revision != topicsRevision) {
        // A row of old results may name a topic that has moved or gone.
        const tFoundHit chosen = session.results.hits[row];
        const std::string topicName = session.results.topicNames[chosen.topic];
        RunFindAll(session.results.query);
        row = session.results.NearestRow(topicName, chosen.at, row);
        if (row == kNoRow) return;
        session.dialog.SelectRow(row);
    }
    const tFoundHit& hit = session.results.hits[row];
    if (int(hit.topic) != notebook.CurrentIndex()) {
        SelectTab(int(hit.topic));
        ShowSelectedTopic();
    }
    size_t end = hit.at + session.results.query.what.size();
    SendMessageA(editWnd, EM_SETSEL, WPARAM(hit.at), LPARAM(end));
    SendMessageA(editWnd, EM_SCROLLCARET, 0, 0);
}

void tQuilletClient::TopicsChanged() {
    ++topicsRevision;
    if (!findAll || !findAll->searched || findAll->outOfDateShown || !findAll->dialog.Window())
        return;
    findAll->outOfDateShown = true;
    findAll->dialog.ShowStatus(OutOfDateStatus(findAll->results));
}
