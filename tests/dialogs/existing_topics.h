#pragma once
// Topics as the client holds them, for the name rules: names compare with
// letter case ignored for a-z only.
#include <string>
#include <vector>
#include "base/text.h"
#include "dialogs/topic_name.h"

inline tExistingTopics Topics(std::vector<std::string> names, bool renaming = false,
                              std::string current = "") {
    tExistingTopics topics;
    topics.renaming = renaming;
    topics.currentName = current;
    topics.nameExists = [names](const std::string& name) {
        for (const std::string& existing : names)
            if (SameTextIgnoringCase(existing, name)) return true;
        return false;
    };
    return topics;
}
