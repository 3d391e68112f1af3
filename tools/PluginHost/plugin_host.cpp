#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "logging/log_manager.h"
#include "service/qv_service.h"
#include "tools/PluginHost/default_machine.h"
#include "tools/PluginHost/host_options.h"
#include "tools/PluginHost/module_loader.h"
#include "tools/PluginHost/rpc_import_patch.h"

using Qv::Vantix::Server::Services::QvService;

namespace {

int RunHost(const HostOptions& options) {
    Qv::Vantix::Logging::LogManager::SetSink(std::make_shared<Qv::Vantix::Logging::StreamSink>(stdout));
#if !defined(_WIN32)
    const std::string machineError = BuildDefaultMachine(options);
    if (!machineError.empty()) {
        std::fprintf(stderr, "PluginHost: %s\n", machineError.c_str());
        return 2;
    }
#endif
    ModuleLoader module(options.modulePath);
    if (!module.Loaded()) {
        std::fprintf(stderr, "PluginHost: cannot load the module: %s\n", module.Error().c_str());
        return 3;
    }
#if defined(_WIN32)
    if (options.answerNoRpcCall && !AnswerNoCallActiveInModule(static_cast<HMODULE>(module.Handle()))) {
        std::fprintf(stderr, "PluginHost: the module imports no RpcServerInqCallAttributesW\n");
        return 3;
    }
#endif
    auto factory = module.Factory();
    if (factory == nullptr) {
        std::fprintf(stderr, "PluginHost: the module exports no QvCreateService\n");
        return 3;
    }
    QvService* service = factory();
    std::printf("PluginHost: QvCreateService returned %s\n", service ? "a service" : "no service");
    std::fflush(stdout);
    bool tasksEnded = true;
    if (service != nullptr) {
#if !defined(_WIN32)
        std::size_t describedPrograms = 0;
#endif
        for (std::uint32_t event : options.events) {
            std::printf("PluginHost: delivering session event %u\n", static_cast<unsigned>(event));
            std::fflush(stdout);
            service->OnSessionChange(event, nullptr, nullptr);
#if !defined(_WIN32)
            // The simulated minute passes at once: show each event's road to its end.
            tasksEnded = module.WaitForTasks() && tasksEnded;
            std::fputs(DescribeNewlyStartedPrograms(describedPrograms).c_str(), stdout);
            std::fflush(stdout);
#endif
        }
        delete service;
    }
    tasksEnded = module.WaitForTasks() && tasksEnded;
    if (!tasksEnded) {
        std::fprintf(stderr, "PluginHost: the update tasks did not end in time\n");
        return 4;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const HostOptions options = ParseHostOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help || !options.error.empty()) {
        if (!options.error.empty()) std::fprintf(stderr, "PluginHost: %s\n", options.error.c_str());
        std::fputs(HostUsage().c_str(), options.help ? stdout : stderr);
        return options.help ? 0 : 2;
    }
    return RunHost(options);
}
