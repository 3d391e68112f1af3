#include "tools/PluginHost/host_options.h"

HostOptions ParseHostOptions(const std::vector<std::string>& arguments) {
    HostOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--module" && hasValue) {
            options.modulePath = arguments[++i];
        } else if (name == "--companion-version" && hasValue) {
            options.companionVersion = arguments[++i];
        } else if (name == "--event" && hasValue) {
            try {
                options.events.push_back(static_cast<std::uint32_t>(std::stoul(arguments[++i])));
            } catch (const std::exception&) {
                options.error = "--event takes a number";
            }
        } else if (name.rfind("--", 0) == 0 && hasValue) {
            options.machineSettings.push_back(name.substr(2));
            options.machineSettings.push_back(arguments[++i]);
        } else {
            options.error = "unknown argument: " + name;
        }
    }
    return options;
}

std::string HostUsage() {
    return "usage: PluginHost [--module PATH] [--companion-version A.B.C.D|missing] [--event N]...\n"
           "Loads VistaneService like the host service, asks QvCreateService for a service,\n"
           "delivers the session events given (5 logon, 8 unlock) and deletes the service.\n";
}
