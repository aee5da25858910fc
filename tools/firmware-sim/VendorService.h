// The firmware simulator's side of the test graphics vendor libraries: one call of an interface
// entry, as a library sends it over the pipe, run against the simulated interface of that
// vendor. Each call is a whole session of the interface (loaded, initialised where the
// interface has that, the entry, unloaded), so that the simulator's own readings of the same
// interface between two calls of the library do not disturb it.
// - NVIDIA: without an NVIDIA interface (a machine without NVIDIA graphics) every call answers
//   kDeviceNotFound, as the driver's library does on such a machine; an entry identifier the
//   interface does not know answers kNoImplementation.
// - Second AMD interface: without one, or for an unknown entry, the entry answers what it
//   answers when it cannot be called (0 for the entries whose success is nonzero, 1 for the
//   others).
// - First AMD interface: each call loads the library and creates a context (creation with the
//   connected-adapters-only option off, as the display library asks) around the entry; without
//   the interface, with an entry missing, or for an unknown entry, the answer is the
//   interface's general error (-1); a failed creation answers its own code.
// - Intel: the driver's object is created with the interface the request names for each call
//   (COM initialised around it) and released again; without the driver's object, or when it
//   cannot be created, or for an unknown call, the answer is 0 (failed).
// Portable.
#pragma once

#include "platform/AmdDisplayLibrary.h"
#include "platform/AmdSecondDisplayInterface.h"
#include "platform/IntelDisplayInterface.h"
#include "platform/NvidiaDisplayInterface.h"
#include "tools/firmware-sim/SimulatorProtocol.h"

namespace fwsim {

protocol::VendorReply serveNvidia(platform::NvidiaDisplayInterface* nvidia,
                                  const protocol::VendorRequest& request);
protocol::VendorReply serveAmdSecond(platform::AmdSecondDisplayInterface* pdl,
                                     const protocol::VendorRequest& request);
protocol::VendorReply serveAmdFirst(platform::AmdDisplayLibrary* adl, const protocol::VendorRequest& request);
protocol::VendorReply serveIntel(platform::IntelDisplayInterface* igfx,
                                 const protocol::VendorRequest& request);

} // namespace fwsim
