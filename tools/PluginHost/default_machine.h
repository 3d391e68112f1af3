#pragma once

#include "tools/PluginHost/host_options.h"

// Builds the simulated machine the host runs on (Linux only): a companion at the
// version asked for. Returns an error text, empty when the machine is ready.
std::string BuildDefaultMachine(const HostOptions& options);
