// The router as the command line describes it: level sizes, the starting
// map (destination d shows source d) and the crosspoint map file.
#pragma once

#include <string>

#include "sim_options.h"
#include "sim_router.h"

namespace sim {

// False with a message in *error (a bad map file line).
bool BuildRouter(const Options& opt, Router* router, std::string* error);

}  // namespace sim
