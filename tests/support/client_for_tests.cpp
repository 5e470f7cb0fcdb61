#include "client/client.h"

// A client without windows or file, for the storage and dialog tests.
tQuilletClient::tQuilletClient(tForTests) {
    settings.noTray = true;
    InstallHooks();
}
