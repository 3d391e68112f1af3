#include "service/qv_service.h"
#include "service/vistane/companion_version.h"
#include "service/vistane/vistane_service.h"

using Qv::Vantix::Server::Services::QvService;

extern "C" QvService* QvCreateService() {
    using namespace Qv::Vantix::Server::Services::Vistane;
    if (IsCompanionUpToDate()) return nullptr;
    return new VistaneService();
}
