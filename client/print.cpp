// Printing the notes: what the client hands to the print job.
#include "client/client.h"
#include "print/print_job.h"

bool tQuilletClient::PrintTopics(HDC hdc, int copies, bool collate, bool selectionOnly,
                                 const RECT& margins, const std::string& documentName) {
    SaveTopics(true);  // the printout shows what is on the screen
    const LOGFONTA* text = textFont ? &textLogFont : nullptr;
    const LOGFONTA* titles = tabFont ? &tabLogFont : nullptr;
    std::vector<tPrintTopic> printed;
    if (!selectionOnly) {
        printed.reserve(notebook.topics.size());
        for (const tTopic& topic : notebook.topics) printed.push_back({topic.name, topic.text});
    } else if (const tTopic* current = notebook.Current()) {
        printed.push_back({current->name, current->text});
    }
    return PrintJob(settings.frame, hdc, documentName, printed, copies, collate, text, titles,
                    margins);
}
