#pragma once

#include <string>

#include "service/qv_service.h"

// Loads the module by path (default: beside the host) and finds its factory, as the
// host service does with LoadLibraryW and GetProcAddress.
class ModuleLoader {
public:
    using FactoryFunction = Qv::Vantix::Server::Services::QvService* (*)();

    explicit ModuleLoader(const std::string& path);
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    void* Handle() const { return handle_; }
    const std::string& Error() const { return error_; }
    FactoryFunction Factory() const;
    // Waits until the module's update tasks have ended (each keeps the module loaded);
    // false when they did not end in time. On Windows it also lets go of the module, so
    // it comes last.
    bool WaitForTasks();

private:
    void* handle_ = nullptr;
    std::string error_;
};
