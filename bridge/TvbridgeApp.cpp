// The bridge library's application object. Portable.
#include "bridge/TvbridgeApp.h"

bool CTvbridgeApp::InitInstance() {
    return true;
}

int CTvbridgeApp::ExitInstance() {
    return 0;
}
