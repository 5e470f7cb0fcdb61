#include "app/recovery_offer.h"
#include "base/names.h"
#include "storage/notefile.h"
#include "storage/recover_notes.h"

namespace {

std::string RecoveryReport(const std::string& damaged, const tRecovery& recovery) {
    std::string report = "Recovered from " + damaged + " into " + recovery.path + ":\n\n" +
                         std::to_string(recovery.whole) + " topics whole, " +
                         std::to_string(recovery.inPart) + " in part.";
    if (recovery.inPart > 0) report += "\nA topic recovered in part says so in its first line.";
    if (!recovery.lost.empty()) {
        // A box the screen can hold: a damaged Index may name any number.
        constexpr size_t kNamesShown = 20;
        report += "\n\nThese topics could not be read:";
        for (size_t i = 0; i < recovery.lost.size() && i < kNamesShown; ++i) report += "\n" + recovery.lost[i];
        if (recovery.lost.size() > kNamesShown)
            report += "\nand " + std::to_string(recovery.lost.size() - kNamesShown) + " more";
    }
    return report;
}

}  // namespace

tOpenOutcome RefuseOrOfferRecovery(HWND owner, const std::string& unusable, std::string& path,
                                   bool& isDefault, const tAppearanceRecord& current, tNoteFile& file) {
    if (!MayRecoverNotes(path)) {
        MessageBoxA(owner, unusable.c_str(), kAppCaption, MB_ICONHAND);
        return tOpenOutcome::notOpened;
    }
    const std::string offer = unusable + "\n\nDo you want to recover its notes into a new file?";
    if (MessageBoxA(owner, offer.c_str(), kAppCaption, MB_YESNO | MB_ICONHAND) != IDYES)
        return tOpenOutcome::notOpened;

    const tRecovery recovery = RecoverNotes(path);
    switch (recovery.result) {
    case tRecovery::recovered:
        break;
    case tRecovery::nothingFound:
    case tRecovery::notRead: {
        const std::string message = "No notes could be recovered from " + path + ".";
        MessageBoxA(owner, message.c_str(), kAppCaption, MB_ICONHAND);
        return tOpenOutcome::notOpened;
    }
    case tRecovery::notWritten: {
        const std::string message = "The recovered notes could not be written to " + recovery.path + ".";
        MessageBoxA(owner, message.c_str(), kAppCaption, MB_ICONHAND);
        return tOpenOutcome::notOpened;
    }
    }
    if (OpenNoteFile(recovery.path, current, file) != tReadResult::read) {
        const std::string message =
            recovery.path + " is not a Quillet file, is already open, or cannot be accessed.";
        MessageBoxA(owner, message.c_str(), kAppCaption, MB_ICONHAND);
        return tOpenOutcome::notOpened;
    }
    MessageBoxA(owner, RecoveryReport(path, recovery).c_str(), kAppCaption, MB_ICONINFORMATION);
    path = recovery.path;
    isDefault = false;
    return tOpenOutcome::opened;
}
