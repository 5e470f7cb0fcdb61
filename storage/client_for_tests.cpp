#include "app/globals.h"
#include "client/client.h"

// A client without windows or file, for the storage tests.
tQuilletClient::tQuilletClient(tForTests) { app.client = this; }
