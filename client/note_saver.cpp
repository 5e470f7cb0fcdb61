#include "client/note_saver.h"
#include "base/errors.h"
#include "base/fatal.h"
#include "base/names.h"
#include "base/settings.h"
#include "base/window_text.h"
#include "dialogs/note_file_dialog.h"
#include "resources/resource.h"

tNoteSaver::tNoteSaver(HWND wnd, tNotebook& notebook, tNotebookView& view, bool closingHides)
    : wnd_(wnd), notebook_(notebook), view_(view), closingHides_(closingHides) {
    bool laptopMode = GetConfigDword(kConfig, "LaptopMode", 0) != 0;
    schedule_.SetLaptopMode(laptopMode,
                            GetConfigDword(kConfig, "LaptopSavePeriod", laptopMode ? 5 : 1));
}

tNoteSaver::~tNoteSaver() {
    if (timer_) KillTimer(wnd_, timer_);
}

void tNoteSaver::TakeOver(std::unique_ptr<tOpenNoteFile> file, bool indexOutdated) {
    file_ = std::move(file);
    indexOutdated_ = indexOutdated;
    schedule_.Recovered();
}

void tNoteSaver::StopTimer() {
    if (timer_ == 0) return;
    Check(KillTimer(wnd_, timer_) != 0);
    timer_ = 0;
    schedule_.Saved();
}

void tNoteSaver::SaveTopics(tSave how) {
    if (!file_ || notebook_.Empty()) return;
    bool force = how == tSave::forced;
    view_.CaptureCurrentTopic();
    if (!force && schedule_.LaptopMode()) return;  // held in memory until the forced save
    if (file_->State() == tFileState::refused) {
        // A forced save is the user's or the program's own wish: it tries the
        // file again at once; otherwise the retry countdown runs.
        if (force) Recover();
        return;
    }
    // A refusal is taken up by the commit at the end of this message; a topic
    // counts as saved once written, since a refused commit writes everything again.
    const std::vector<tTopic>& topics = notebook_.Topics();
    for (size_t i = 0; i < topics.size(); ++i) {
        if (!topics[i].modified) continue;
        if (!file_->WriteTopic(topics[i])) return;
        notebook_.Written(i);
    }
    if (indexOutdated_ && !file_->WriteIndex(topics)) return;
    indexOutdated_ = false;
    StopTimer();
}

bool tNoteSaver::Commit() {
    if (!file_) return true;
    if (file_->Commit()) return true;
    // A fresh refusal is tried again at once; after that on the retry schedule.
    return !schedule_.Retrying() && Recover();
}

bool tNoteSaver::Recover() {
    view_.CaptureCurrentTopic();
    if (!file_->Recover(notebook_.Topics(), view_.Appearance().Record())) {
        ScheduleRetry();
        return false;
    }
    notebook_.AllWritten();
    indexOutdated_ = false;
    schedule_.Recovered();
    StopTimer();
    return true;
}

void tNoteSaver::ScheduleRetry() {
    if (timer_ == 0) timer_ = unsigned(SetTimer(wnd_, kSaveTimerId, kSaveTimerPeriod, nullptr));
    if (!schedule_.ArmRetry()) return;
    reportPending_ = true;
    // Told once the message that failed is over, not from inside it.
    PostMessageA(wnd_, kWriteRefusedMessage, 0, 0);
}

void tNoteSaver::OnRefusalMessage() {
    if (!reportPending_) return;
    reportPending_ = false;
    ReportRefusal();
}

namespace {

// What the system said of the refused write, in the user's terms; only what
// is known to be true.
std::string RefusalReason(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "The disk is full.";
    case ERROR_WRITE_PROTECT: return "The disk is write-protected.";
    case ERROR_ACCESS_DENIED: return "Windows does not allow Quillet to write there.";
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_PATH_NOT_FOUND: return "The drive that holds it is missing.";
    case 0: return "The storage system could not take the changes.";
    default: break;
    }
    char* text = nullptr;
    std::string said = "The disk reported an error";
    if (FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr) &&
        text) {
        said += ": ";
        said += text;
        LocalFree(text);
        while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == ' '))
            said.pop_back();
    }
    if (said.back() != '.') said += '.';
    return said;
}

}  // namespace

void tNoteSaver::ReportRefusal() {
    const unsigned seconds = kRetryTicks * kSaveTimerPeriod / 1000;
    std::string text =
        "Quillet cannot write to the note file " + (file_ ? file_->Path() : std::string()) +
        ".\n\n" + RefusalReason(file_ ? file_->RefusalError() : 0) + " Your changes are kept "
        "in memory, and Quillet tries again every " + std::to_string(seconds) + " seconds.";
    text += closingHides_
                ? " Closing the window only hides it. If you shut Quillet or Windows down before "
                  "the changes are written, Quillet offers to save them to another file."
                : " If you close Quillet before they are written, it offers to save them to "
                  "another file.";
    MessageBoxA(wnd_, text.c_str(), kAppCaption, MB_ICONWARNING | MB_OK);
}

bool tNoteSaver::FlushChanges() {
    SaveTopics(tSave::forced);
    // A commit that succeeds, at once or by recovering, leaves the file clean.
    return Commit();
}

void tNoteSaver::TellRefusal() {
    reportPending_ = false;
    ReportRefusal();
}

void tNoteSaver::FlushOrRescue() {
    if (FlushChanges()) return;
    TellRefusal();  // here, before the question
    EmergencySave();
}

void tNoteSaver::OnTextChanged() {
    // A file whose index names no topic has nothing the text could go into.
    if (!notebook_.Current()) return;
    notebook_.CurrentModified();
    if (timer_ == 0) timer_ = unsigned(SetTimer(wnd_, kSaveTimerId, kSaveTimerPeriod, nullptr));
    schedule_.Arm();
}

void tNoteSaver::OnTick() {
    switch (schedule_.Tick(file_ && file_->State() == tFileState::refused)) {
    case tSaveTick::save: SaveTopics(tSave::unlessHeldBack); break;
    case tSaveTick::forcedSave: SaveTopics(tSave::forced); break;
    case tSaveTick::retry: Recover(); break;
    case tSaveTick::none: break;
    }
}

// Every topic command changes the topics first and then writes the change;
// a file that refuses it gets the whole notebook written again later, so the
// tabs, the topics and the file always agree.
void tNoteSaver::Write(const tTopicChange& change) {
    if (!file_ || !change) return;
    using tKind = tTopicChange::tKind;
    const std::vector<tTopic>& topics = notebook_.Topics();
    bool taken = true;
    switch (change.kind) {
    case tKind::added:
        taken = file_->WriteTopic(topics[size_t(change.index)]);
        if (taken) notebook_.Written(size_t(change.index));
        break;
    case tKind::renamed:
        taken = file_->RenameTopic(change.name, topics[size_t(change.index)]);
        break;
    case tKind::deleted: taken = file_->DeleteTopic(change.name); break;
    case tKind::moved:
    case tKind::none: break;
    }
    if (taken) file_->WriteIndex(topics);
}

void tNoteSaver::AppearanceChanged() {
    if (file_) file_->WriteAppearance(view_.Appearance().Record());
}

bool tNoteSaver::HoldsOtherElement(const std::string& name) const {
    return file_ && file_->HoldsOtherElement(name);
}

void tNoteSaver::SetLaptopOptions(bool mode, unsigned period) {
    schedule_.SetLaptopMode(mode, mode ? period : 1);
    SetConfigDword(kConfig, "LaptopMode", mode ? 1 : 0);
    SetConfigDword(kConfig, "LaptopSavePeriod", schedule_.Period());
}

void tNoteSaver::UpdateFileMenu(HMENU menu) {
    if (schedule_.LaptopMode() && !saveItemInserted_) {
        // After "&New", "&Open ..." and "&Close", before the first separator.
        Check(InsertMenuA(menu, 3, MF_BYPOSITION | MF_STRING, CM_SAVE, "&Save") != 0);
        saveItemInserted_ = true;
    } else if (!schedule_.LaptopMode() && saveItemInserted_) {
        Check(DeleteMenu(menu, CM_SAVE, MF_BYCOMMAND) != 0);
        saveItemInserted_ = false;
    }
}

void tNoteSaver::EmergencySave() {
    // The last typing is only in the edit control: take it into its topic
    // first, without touching the open file.
    try {
        const tTopic* current = notebook_.Current();
        if (view_.Edit() && current && current->modified)
            notebook_.TakeCurrentText(WindowText(view_.Edit()));
    } catch (...) {
        // Save what the topics hold.
    }

    // The open file keeps its last committed state: while the questions and the
    // file dialog run their message loops, no save or commit may reach it.
    struct tDetachedFile {
        tNoteSaver& saver;
        std::unique_ptr<tOpenNoteFile> open;
        ~tDetachedFile() { saver.file_ = std::move(open); }
    } detached{*this, std::move(file_)};

    for (;;) {
        if (MessageBoxA(wnd_,
                        "Do you want to attempt an emergency save of your Quillet topics to a new "
                        "file?",
                        kAppCaption, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return;

        std::string path;
        tFileDialogResult answer = AskForNoteFile(wnd_, kNewFileDialogTitle,
                                                  OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, "", path);
        if (answer == tFileDialogResult::failed) ShowFileNewError(wnd_);
        if (answer != tFileDialogResult::chosen) continue;

        switch (WriteNewNoteFile(path, notebook_.Topics())) {
        case tNewFileResult::written:
            return;
        case tNewFileResult::notCreated:
            MessageBoxA(wnd_, "Failed to create new file (choose a file that does not already exist).",
                        kAppCaption, MB_ICONEXCLAMATION);
            break;
        case tNewFileResult::failed:
            MessageBoxA(wnd_, "An error occurred with the emergency save", kAppCaption,
                        MB_ICONEXCLAMATION);
            break;
        }
    }
}
