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
        } else if (name == "--answer-no-rpc-call") {
            options.answerNoRpcCall = true;
        } else if (name == "--setup" && hasValue) {
            options.setup = arguments[++i];
        } else if (name == "--host-folder" && hasValue) {
            options.hostFolder = arguments[++i];
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
#if !defined(_WIN32)
    // On the simulated machine, where the task's minute passes at once: a logon, then an
    // unlock that finds what the first one's setup installed.
    if (options.events.empty()) options.events = {5, 8};
#endif
    return options;
}

std::string HostUsage() {
    return "usage: PluginHost [--module PATH] [--event N]... [--companion-version A.B.C.D|missing]\n"
           "                  [--setup pinned|unpinned|unsigned|missing] [--host-folder FOLDER]\n"
           "Loads VistaneService like the host service, asks QvCreateService for a service,\n"
           "delivers the session events given (5 logon, 8 unlock; on Linux default 5 then 8),\n"
           "waits for the update tasks they start (a real minute on Windows) and deletes the\n"
           "service.\n"
           "On the simulated machine (Linux) the other options choose the machine:\n"
           "  --companion-version  installed companion (default 5.2.59.0)\n"
           "  --setup              QVVSSetup.exe beside the host: signed with a pinned key (default),\n"
           "                       signed with a key that is not pinned, unsigned, or missing;\n"
           "                       when it runs it installs companion 5.2.60.0\n"
           "  --host-folder        folder of PluginHost.exe and the setup (default\n"
           "                       C:\\Program Files\\Orlent Works\\Host; one outside the Windows and\n"
           "                       program-files folders makes the setup's place untrusted)\n"
           "On Windows:\n"
           "  --answer-no-rpc-call the module's RpcServerInqCallAttributesW answers\n"
           "                       RPC_S_NO_CALL_ACTIVE, as Windows does off an RPC thread (Wine's\n"
           "                       stub ends the process)\n";
}
