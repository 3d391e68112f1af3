#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What PluginHost was asked to do.
struct HostOptions {
    std::string modulePath;                      // empty: the module beside the host
    std::string companionVersion = "5.2.59.0";   // "missing" for no companion (simulated machine)
    std::vector<std::uint32_t> events;           // session events to deliver, in order (default 5, 8)
    std::string setup = "pinned";                // the setup program beside the host (simulated machine)
    std::string hostFolder = "C:\\Program Files\\Orlent Works\\Host";  // where PluginHost.exe lies (simulated)
    std::vector<std::string> machineSettings;    // further "--name value" pairs for the machine
    bool answerNoRpcCall = false;                // Windows: redirect the module's RPC call query (Wine)
    bool help = false;
    std::string error;
};

HostOptions ParseHostOptions(const std::vector<std::string>& arguments);
std::string HostUsage();
