#include "app/globals.h"

tAppGlobals app;
