// Parts of the controller that this build does not have. Portable.
#include "controller/UnavailableServices.h"

#include "common/Trace.h"

void UnavailableControlMenu::show() {
    TRACE_SCOPE(TraceModule::Sentrixd, "QuickMenu::show");
    TRACE_MSG(L"Control menu not available in this build");
}
