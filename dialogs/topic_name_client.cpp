// Kept apart from the dialog itself so the dialog can be tested without a note file.
#include "dialogs/topic_name.h"
#include "app/globals.h"
#include "client/client.h"

bool RunTopicNameDialog(HWND owner) {
    tExistingTopics topics;
    if (tQuilletClient* client = app.client) {
        topics.renaming = client->renaming;
        if (topics.renaming) topics.currentName = client->CurrentTopicName();
        topics.nameExists = [client](const std::string& name) {
            return client->TopicNameExists(name);
        };
    }
    return RunTopicNameDialog(owner, topics);
}
