#pragma once

#include <cstddef>
#include <string>

#include "tools/PluginHost/host_options.h"

// Builds the simulated machine the host runs on (Linux only): the host in its folder,
// the companion at the version asked for, and the setup program beside the host, which
// installs companion 5.2.60.0 when it runs. Returns an error text, empty when ready.
std::string BuildDefaultMachine(const HostOptions& options);

// One line per program started since the last call ("nothing was started" if none).
std::string DescribeNewlyStartedPrograms(std::size_t& alreadyDescribed);
